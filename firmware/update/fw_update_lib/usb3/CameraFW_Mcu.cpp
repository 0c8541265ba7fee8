// CameraFW: the programming channels of the camera's microcontrollers — the
// C2-interface MCU and the STM32 behind the controller's generic MCU channel,
// the STM32 command exchange, and the TR transfers of the C51 MCU.

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "TracePrint.h"
#include "platform/clock.h"
#include "platform/text_exception.h"
#include "platform/little_endian.h"
#include "usb3/CameraFW.h"
#include "usb3/SequenceLock.h"
#include "usb3/VendorRequests.h"

namespace {

constexpr uint32_t kC2Block = 64;
constexpr uint32_t kC2PageSize = 512;
constexpr uint32_t kStm32Block = 240;

// STM32 command frames.
constexpr uint16_t FX3_MCU_PREFIX = 0xF30C;
constexpr uint16_t FX3_MCU_ACK_OK = 0;
constexpr uint16_t kStmCommandVersion = 0;
constexpr uint16_t kStmCommandUniqueId = 16;

// TR transfers: pieces of at most P − 80 bytes, sends below 763 bytes, reply
// pieces of 768 bytes, packet blocks of 512 bytes.
constexpr uint16_t kTrSend = 0;
constexpr uint16_t kTrFetch = 1;
constexpr uint16_t kTrWhole = 3;
constexpr uint16_t kTrFirst = 1;
constexpr uint16_t kTrSecond = 2;
constexpr uint32_t kTrHeader = 6;
constexpr uint32_t kTrSendLimit = 763;
constexpr uint32_t kTrReplyPiece = 768;
constexpr uint32_t kC51Block = 512;
constexpr uint32_t kC51ReplyBuffer = 0x10000;
constexpr uint32_t kCcdEmptyFetchLimit = 1000;

// Retry budgets of the C51 transactions.
constexpr uint32_t kProbeTries = 100;
constexpr uint32_t kFlashBlockTries = 500;
constexpr uint32_t kWriteEndTries = 1000;
constexpr uint32_t kEraseTries = 2000;
constexpr uint32_t kEepromReadTries = 1000;
constexpr uint32_t kEepromBlockTries = 10000;

// A bootloader packet of four command bytes, a 16-bit length and a 16-bit
// address, followed by the block when it carries one.
std::vector<uint8_t> C51Packet(std::initializer_list<uint8_t> command, uint32_t length,
                               uint32_t address, const uint8_t* block = nullptr) {
  std::vector<uint8_t> packet(command);
  packet.resize(8 + (block ? length : 0));
  WriteLe16(&packet[4], length);
  WriteLe16(&packet[6], address);
  if (block) std::memcpy(&packet[8], block, length);
  return packet;
}

}  // namespace

// --- The generic MCU channel

// Opens the channel on the first call of a job, sets the address and moves the
// data in blocks. A zero block size erases instead.
int CameraFW::McuChannelSequence(uint8_t init_code, bool init_read, bool init_takes_lock,
                                 bool first_call, uint32_t address, uint8_t transfer_code,
                                 uint8_t* buffer, uint32_t length, uint32_t block, bool write) {
  Usb3Device* device = device_.get();
  if (first_call && u3VrReq(device, init_code, 0, 0, nullptr, 0, !init_read, init_takes_lock) != 0)
    return 2;
  uint8_t params[8] = {};
  params[0] = static_cast<uint8_t>(address);
  params[1] = static_cast<uint8_t>(address >> 8);
  params[2] = static_cast<uint8_t>(address >> 16);
  params[3] = static_cast<uint8_t>(address >> 24);
  if (u3VrReq(device, VR_SET_TRANSFER_PARAMS, 0, 0, params, 8, true, false) != 0) return 1;
  if (block == 0) return u3VrReq(device, transfer_code, 0, 0, nullptr, 0, true, false);
  for (uint32_t done = 0; done < length;) {
    const uint32_t piece = std::min(block, length - done);
    if (u3VrReq(device, transfer_code, 0, 0, buffer + done, piece, write, false) != 0) return 1;
    done += piece;
  }
  return 0;
}

void CameraFW::c2iPageErase(uint32_t page) {
  SequenceLock lock(device_.get());
  if (!lock.locked() ||
      McuChannelSequence(VR_STM32F4XX_FLASH_PROG_INIT, true, true, true, page * kC2PageSize,
                         VR_MCU_ERASE, nullptr, 0, 0, true) != 0)
    throw TextException("c2iPageErase does not respond");
}

void CameraFW::c2iRead(uint32_t address, uint8_t* buffer, uint32_t length, bool first_call) {
  TracePrint(3, "ZVX 5 enter\r\n");
  SequenceLock lock(device_.get());
  if (!lock.locked() ||
      McuChannelSequence(VR_STM32F4XX_FLASH_PROG_INIT, true, true, first_call, address, VR_MCU_READ,
                         buffer, length, kC2Block, false) != 0)
    throw TextException("c2iRead does not respond");
}

void CameraFW::c2iWrite(uint32_t address, const uint8_t* data, uint32_t length, bool first_call) {
  SequenceLock lock(device_.get());
  if (!lock.locked() ||
      McuChannelSequence(VR_STM32F4XX_FLASH_PROG_INIT, true, true, first_call, address,
                         VR_MCU_WRITE, const_cast<uint8_t*>(data), length, kC2Block, true) != 0)
    throw TextException("c2iWrite does not respond");
}

void CameraFW::cpu2PageErase(uint32_t sector, bool first_call) {
  SequenceLock lock(device_.get());
  int result = 1;
  if (lock.locked()) {
    result = McuChannelSequence(VR_STM32F4XX_FLASH_PROG_INIT, true, true, first_call, sector,
                                VR_MCU_ERASE, nullptr, 0, 0, true);
    if (result == 2) TracePrint(3, "PageEraseSTM32F4XX VR_STM32F4XX_FLASH_PROG_INIT failed\r\n");
  }
  if (result != 0) throw TextException("cpu2PageErase error");
}

void CameraFW::cpu2Read(uint32_t address, uint8_t* buffer, uint32_t length, bool first_call) {
  const uint32_t block = std::min(kStm32Block, GetMaxTransferChunk(device_.get()));
  SequenceLock lock(device_.get());
  if (!lock.locked() || McuChannelSequence(VR_STM32F4XX_FLASH_PROG_INIT, false, false, first_call,
                                           address, VR_MCU_READ, buffer, length, block, false) != 0)
    throw TextException("cpu2Read does not respond2");
}

void CameraFW::cpu2Write(uint32_t address, const uint8_t* data, uint32_t length, bool first_call) {
  const uint32_t block = std::min(kStm32Block, GetMaxTransferChunk(device_.get()));
  SequenceLock lock(device_.get());
  if (!lock.locked() ||
      McuChannelSequence(VR_STM32F4XX_FLASH_PROG_INIT, false, false, first_call, address,
                         VR_MCU_WRITE, const_cast<uint8_t*>(data), length, block, true) != 0)
    throw TextException("cpu2Write does not respond1");
}

void CameraFW::cpu2SetToReset() {
  SequenceLock lock(device_.get());
  uint8_t line = 0;
  if (!lock.locked() || u3VrReq(device_.get(), VR_MCU_SET_RESET, 0, 0, &line, 1, true, false) != 0)
    throw TextException("cpu2SetToReset error");
}

// --- STM32 commands

void CameraFW::SendCommandToStmMcu(uint16_t command, uint8_t* reply) {
  uint8_t frame[10];
  const uint16_t request_id = device_ ? device_->mcu_request_counter++ : 0;
  WriteLe16(&frame[0], FX3_MCU_PREFIX);
  WriteLe16(&frame[2], sizeof frame);
  WriteLe16(&frame[4], 0);
  WriteLe16(&frame[6], command);
  WriteLe16(&frame[8], request_id);
  uint32_t received = 0;
  if (u3VrReqBulkBid(device_.get(), VR_MCU_COMMAND, 0, 0, frame, sizeof frame, reply, kStmReplySize,
                     &received, true) != 0) {
    TracePrint(3, "SendCommandToStmMcu error on u3VrReqBulkBid\n");
  } else if (ReadLe16(&reply[0]) != FX3_MCU_PREFIX) {
    TracePrint(3, "SendCommandToStmMcu wrong FX3_MCU_PREFIX\n");
  } else if (ReadLe16(&reply[4]) != FX3_MCU_ACK_OK) {
    TracePrint(3, "SendCommandToStmMcu ack is not FX3_MCU_ACK_OK\n");
  } else if (ReadLe16(&reply[6]) != request_id) {
    TracePrint(3, "CameraFW::SendCommandToStmMcu ack-req_id is not cmd-req_id\n");
  } else {
    return;
  }
  throw TextException("CameraFW::SendCommandToStmMcu failed");
}

uint16_t CameraFW::GetStm32FirmwareVersion() {
  uint8_t reply[kStmReplySize] = {};
  SendCommandToStmMcu(kStmCommandVersion, reply);
  return ReadLe16(&reply[8]);
}

void CameraFW::GetSID_From_STM32F4XX(uint8_t* buffer, uint32_t capacity) {
  if (buffer == nullptr || capacity < 12) {
    TracePrint(3, "GetSID_From_STM32F4XX small buffer for SID\n");
    throw TextException("Get SID2 failed");
  }
  uint8_t reply[kStmReplySize] = {};
  try {
    SendCommandToStmMcu(kStmCommandUniqueId, reply);
  } catch (const TextException&) {
    throw TextException("Get SID2 failed");
  }
  // Each of the six words goes out high byte first.
  for (int word = 0; word < 6; ++word) {
    buffer[2 * word] = reply[8 + 2 * word + 1];
    buffer[2 * word + 1] = reply[8 + 2 * word];
  }
}

// --- TR transfers of the C51 MCU

int CameraFW::TrPiece(uint16_t kind, uint16_t phase, uint16_t length, const uint8_t* data,
                      uint8_t* receive, uint32_t* received) {
  const bool sending = kind == kTrSend;
  std::vector<uint8_t> piece(kTrHeader + (sending ? length : 0));
  WriteLe16(&piece[0], kind);
  WriteLe16(&piece[2], phase);
  WriteLe16(&piece[4], length);
  if (sending && length > 0) std::memcpy(&piece[kTrHeader], data, length);
  return u3VrReqBulkBid(device_.get(), VR_TR_MCU_COMMAND, 0, 0, piece.data(),
                        static_cast<uint32_t>(piece.size()), receive, sending ? 0 : length,
                        received, false);
}

int CameraFW::USB_TR_SendCommand(uint16_t kind, const uint8_t* send, uint32_t send_length,
                                 uint8_t* receive, uint32_t receive_capacity, uint32_t* received) {
  TracePrint(1, "USB_TR_SendCommand cmd:x%x\n", kind);
  if (send_length >= kTrSendLimit) return 1;
  const uint32_t limit = GetPacketSize(device_.get()) - 80;
  const bool sending = kind == kTrSend;
  const uint32_t total = sending ? send_length : receive_capacity;
  uint32_t first_count = 0;
  if (received != nullptr) *received = 0;
  if (send_length <= limit && receive_capacity <= limit)
    return TrPiece(kind, kTrWhole, static_cast<uint16_t>(total), send, receive,
                   received != nullptr ? received : &first_count);
  if (TrPiece(kind, kTrFirst, static_cast<uint16_t>(limit), send, receive, &first_count) != 0)
    return 1;
  uint32_t second_count = 0;
  const int result =
      TrPiece(kind, kTrSecond, static_cast<uint16_t>(total - limit), send ? send + limit : nullptr,
              receive ? receive + first_count : nullptr, &second_count);
  if (received != nullptr) *received = first_count + second_count;
  return result;
}

int CameraFW::TrMcuTransaction(const uint8_t* packet, uint32_t packet_length, uint8_t* reply,
                               uint32_t reply_capacity, uint32_t tries, uint32_t* reply_length) {
  bool sent = false;
  for (uint32_t attempt = 0; attempt <= tries && !sent; ++attempt) {
    sent = USB_TR_SendCommand(kTrSend, packet, packet_length, nullptr, 0, nullptr) == 0;
    if (!sent) platform::SleepMs(1);
  }
  if (!sent) return 1;
  if (reply == nullptr) return 0;
  // Pieces come in whole into a scratch buffer: exactly 768 bytes means more
  // follows, and nothing is stored past the caller's capacity; a reply that
  // does not fit fails the transaction.
  const uint32_t piece_size = std::min(reply_capacity, kTrReplyPiece);
  std::vector<uint8_t> piece(std::max<uint32_t>(piece_size, 1));
  uint32_t position = 0;
  for (;;) {
    uint32_t got = 0;
    bool fetched = false;
    for (uint32_t attempt = 0; attempt <= tries && !fetched; ++attempt) {
      got = 0;
      fetched = USB_TR_SendCommand(kTrFetch, nullptr, 0, piece.data(), piece_size, &got) == 0;
      if (!fetched) platform::SleepMs(1);
    }
    if (!fetched) return 1;
    const uint32_t fits = std::min(got, reply_capacity - position);
    std::memcpy(reply + position, piece.data(), fits);
    position += fits;
    if (fits < got) return 1;
    if (got != kTrReplyPiece) break;
  }
  if (reply_length != nullptr) *reply_length = position;
  return 0;
}

int CameraFW::BootloaderProbe() {
  const std::vector<uint8_t> probe = C51Packet({0xFD, 0, 0, 0}, 256, 0);
  uint8_t reply[260];
  return TrMcuTransaction(probe.data(), static_cast<uint32_t>(probe.size()), reply, sizeof reply,
                          kProbeTries);
}

void CameraFW::c51Erase(uint32_t count) {
  SequenceLock lock(device_.get());
  if (!lock.locked()) throw TextException("c51Erase error");
  if (ccd_mode_ != 0) {
    const uint8_t packet[11] = {0xF0,
                                0xA5,
                                0xF1,
                                0x03,
                                0x03,
                                0x00,
                                0x00,
                                0x00,
                                0x02,
                                static_cast<uint8_t>(count >> 8),
                                static_cast<uint8_t>(count)};
    uint8_t reply[512];
    const int result = TrMcuTransaction(packet, sizeof packet, reply, sizeof reply, kEraseTries);
    lock.Release();
    if (result != 0) throw TextException("c51Erase error");
    return;
  }
  // Bootloaders that answer the probe erase as they write.
  const int result = BootloaderProbe();
  lock.Release();
  if (result != 0) {
    TracePrint(3, "GlobalEraseFlashC51_TR: camera MCU can't be updated due to old bootloader\r\n");
    throw TextException("c51Erase error");
  }
}

void CameraFW::c51WriteFlash(uint32_t address, const uint8_t* data, uint32_t length) {
  SequenceLock lock(device_.get());
  if (!lock.locked()) throw TextException("c51WriteFlash does not respond");
  if (ccd_mode_ == 0 && BootloaderProbe() != 0) {
    lock.Release();
    TracePrint(3, "WriteC51Falsh_TR: camera MCU can't be updated due to old bootloader\r\n");
    throw TextException("c51WriteFlash does not respond");
  }
  std::vector<uint8_t> reply;
  try {
    reply.resize(kC51ReplyBuffer);
  } catch (const std::bad_alloc&) {
    lock.Release();
    TracePrint(3, "hRWMutex memory allocation\r\n");
    throw TextException("c51WriteFlash does not respond");
  }
  bool failed = false;
  for (uint32_t done = 0; done < length;) {
    const uint32_t block = std::min(kC51Block, length - done);
    const std::vector<uint8_t> packet =
        C51Packet({0xF1, 0xA5, 0xF1, 0x01}, block, address + done, data + done);
    if (TrMcuTransaction(packet.data(), static_cast<uint32_t>(packet.size()), reply.data(),
                         kC51ReplyBuffer, kFlashBlockTries) != 0) {
      TracePrint(3, "WriteC51Falsh_TR: couldn't write fw\r\n");
      failed = true;
      break;
    }
    done += block;
  }
  const std::vector<uint8_t> end = C51Packet({0xF1, 0xA5, 0xF1, 0x01}, 0, 0);
  if (TrMcuTransaction(end.data(), static_cast<uint32_t>(end.size()), nullptr, 0, kWriteEndTries) !=
      0)
    failed = true;
  // A CCD bootloader sends the written image back; it is drained until all of
  // it came, and given up after 1000 fetches in a row that bring nothing.
  if (ccd_mode_ != 0 && !failed) {
    uint32_t drained = 0;
    uint32_t empty_in_a_row = 0;
    while (drained < length) {
      uint32_t got = 0;
      if (USB_TR_SendCommand(1, nullptr, 0, reply.data(), kTrReplyPiece, &got) != 0) got = 0;
      drained += got;
      if (got != 0) {
        empty_in_a_row = 0;
        continue;
      }
      if (++empty_in_a_row >= kCcdEmptyFetchLimit) {
        failed = true;
        break;
      }
      platform::SleepMs(1);
    }
  }
  lock.Release();
  if (failed) throw TextException("c51WriteFlash does not respond");
}

// Reads in blocks of 512 bytes; each block's reply may fill at most what is
// left of the caller's buffer.
int CameraFW::TrReadSequence(uint8_t command, uint32_t address, uint8_t* buffer, uint32_t length,
                             uint32_t tries) {
  SequenceLock lock(device_.get());
  if (!lock.locked() || buffer == nullptr) return 1;
  for (uint32_t done = 0; done < length;) {
    const uint32_t block = std::min(kC51Block, length - done);
    const std::vector<uint8_t> packet = C51Packet({command, 0, 0, 0}, block, address + done);
    if (TrMcuTransaction(packet.data(), static_cast<uint32_t>(packet.size()), buffer + done,
                         length - done, tries) != 0)
      return 1;
    done += block;
  }
  return 0;
}

void CameraFW::c51ReadFlash(uint32_t address, uint8_t* buffer, uint32_t length) {
  if (TrReadSequence(0xF2, address, buffer, length, kFlashBlockTries) != 0)
    throw TextException("c51ReadFlash does not respond");
}

void CameraFW::ReadEepromC51_TR(uint32_t address, uint8_t* buffer, uint32_t length) {
  if (TrReadSequence(0xE0, address, buffer, length, kEepromReadTries) != 0)
    throw TextException("ReadEepromC51_TR does not respond");
}

void CameraFW::WriteEepromC51_TR(uint32_t address, const uint8_t* data, uint32_t length) {
  SequenceLock lock(device_.get());
  bool failed = !lock.locked() || (length > 0 && data == nullptr);
  uint8_t reply[512];
  for (uint32_t done = 0; done < length && !failed;) {
    const uint32_t block = std::min(kC51Block, length - done);
    const std::vector<uint8_t> packet =
        C51Packet({0xE1, 0, 0, 0}, block, address + done, data + done);
    failed = TrMcuTransaction(packet.data(), static_cast<uint32_t>(packet.size()), reply,
                              sizeof reply, kEepromBlockTries) != 0;
    done += block;
  }
  if (failed) throw TextException("WriteEepromC51_TR does not respond");
}

uint32_t CameraFW::GetC51FlashVersion() {
  uint8_t bytes[4] = {};
  c51ReadFlash(5, bytes, 4);
  return ReadLe32(bytes);
}

uint32_t CameraFW::GetC51EepromVersion() {
  uint8_t bytes[4] = {};
  ReadEepromC51_TR(0xFC0E, bytes, 4);
  return ReadLe32(bytes);
}
