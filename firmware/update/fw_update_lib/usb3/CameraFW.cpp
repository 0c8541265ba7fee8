// CameraFW: connection, restart, controller version, serial flash and FPGA
// registers.

#include "usb3/CameraFW.h"

#include <algorithm>
#include <cstdio>

#include "TracePrint.h"
#include "platform/clock.h"
#include "platform/text_exception.h"
#include "usb3/Fx3BootLoader.h"
#include "usb3/SequenceLock.h"
#include "usb3/VendorRequests.h"

namespace {

// Serial flash commands.
constexpr uint8_t kFlashPageProgram = 0x02;
constexpr uint8_t kFlashRead = 0x03;
constexpr uint8_t kFlashWriteDisable = 0x04;
constexpr uint8_t kFlashReadStatus = 0x05;
constexpr uint8_t kFlashWriteEnable = 0x06;
constexpr uint8_t kFlashSectorErase = 0xD8;
constexpr uint8_t kFlashBusy = 0x01;

constexpr uint32_t kOldBlock = 64;  // block of generation A transfers and B writes
constexpr int kMaxStatusReads = 300;
constexpr uint64_t kEraseTimeoutMs = 10000;
constexpr uint8_t kMaxRegister = 0x7F;

// The flash command word: the command byte, then the 24-bit address most
// significant byte first.
void CommandWord(uint8_t command, uint32_t address, uint8_t word[4]) {
  word[0] = command;
  word[1] = static_cast<uint8_t>(address >> 16);
  word[2] = static_cast<uint8_t>(address >> 8);
  word[3] = static_cast<uint8_t>(address);
}

}  // namespace

CameraFW::~CameraFW() {
  CloseCamera();
}

int32_t CameraFW::GetCameraOnBusCount() {
  if (driver_ != 0 && driver_ != USB3_DRV_ZELVIX_USB)
    throw TextException("CameraFW::GetCameraOnBusCount: Invalid driver selected");
  return GetNumberOfDevicesUSB30();
}

void CameraFW::OpenCamera() {
  device_.reset();  // callers close a held device first
  const int32_t driver = driver_ == 0 ? USB3_DRV_ZELVIX_USB : driver_;
  if (driver != USB3_DRV_ZELVIX_USB) throw TextException("Unknown driver");
  device_ = OpenDeviceUSB30(camera_index_);
  if (!device_) throw TextException("Can not open USB3 device using zelvix driver");
  device_->bulk_requests = bulk_requests_;
}

void CameraFW::CloseCamera() {
  if (device_ && (driver_ == 0 || driver_ == USB3_DRV_ZELVIX_USB)) CloseDeviceUSB30(device_);
}

bool CameraFW::WaitOpenReady() {
  if (u3VrReq(device_.get(), VR_PING, 0, 0, nullptr, 0, true, true) != 0) {
    platform::SleepMs(100);
    CloseCamera();
    return false;
  }
  uint8_t ready = 0;
  if (u3VrReq(device_.get(), VR_GET_READY, 0, 0, &ready, 1, false, true) != 0 || ready == 0)
    return false;
  std::printf("Waiting for opendevice - open ready\n");
  return true;
}

void CameraFW::ResetDevice() {
  u3VrReq(device_.get(), VR_RESET, 0, 0, nullptr, 0, false, true);
}

uint16_t CameraFW::GetCpuVersion() {
  uint8_t version[2] = {0, 0};
  if (u3VrReq(device_.get(), VR_GET_FW_VERSION, 0, 0, version, 2, false, true) != 0)
    throw TextException("Error getting CPU version");
  return static_cast<uint16_t>(version[1] << 8 | version[0]);
}

void CameraFW::LoadFW_From_Buffer(const uint8_t* image, uint32_t length) {
  if (::LoadFW_From_Buffer(device_.get(), image, length) != 0)
    throw TextException("Error loading emergency FW");
}

CameraFW::Generation CameraFW::ControllerGeneration() const {
  const uint8_t minor = device_ ? device_->fw_version[0] : 0;
  const uint8_t major = device_ ? device_->fw_version[1] : 0;
  if (major < 2 || (major == 2 && minor <= 6)) return Generation::kA;
  if (major < 4 || (major == 4 && minor <= 0x21)) return Generation::kB;
  return Generation::kC;
}

// --- Sequence steps, inside a held lock

int CameraFW::Request(uint8_t code, uint8_t* buffer, uint32_t length, bool write) {
  return u3VrReq(device_.get(), code, 0, 0, buffer, length, write, false);
}

// Select the flash, shift the bytes out, deselect.
int CameraFW::FlashCommand(const uint8_t* bytes, uint32_t length) {
  int result = Request(VR_FLASH_SELECT);
  if (result == 0) result = Request(VR_SPI_WRITE, const_cast<uint8_t*>(bytes), length);
  const int deselect = Request(VR_FLASH_DESELECT);
  return result != 0 ? result : deselect;
}

int CameraFW::ReadFlashStatus(uint8_t* status) {
  uint8_t command = kFlashReadStatus;
  int result = Request(VR_FLASH_SELECT);
  if (result == 0) result = Request(VR_SPI_WRITE, &command, 1);
  if (result == 0) result = Request(VR_SPI_READ, status, 1, false);
  const int deselect = Request(VR_FLASH_DESELECT);
  return result != 0 ? result : deselect;
}

int CameraFW::SetTransferParams(const uint8_t command[4], uint32_t bits) {
  uint8_t params[8] = {command[0],
                       command[1],
                       command[2],
                       command[3],
                       static_cast<uint8_t>(bits),
                       static_cast<uint8_t>(bits >> 8),
                       static_cast<uint8_t>(bits >> 16),
                       static_cast<uint8_t>(bits >> 24)};
  return Request(VR_SET_TRANSFER_PARAMS, params, 8);
}

// --- Serial flash and FPGA register sequences

int CameraFW::ReadFlashSequence(uint32_t address, uint8_t* buffer, uint32_t length) {
  const Generation generation = ControllerGeneration();
  const uint32_t block_size =
      generation == Generation::kA ? kOldBlock : GetMaxTransferChunk(device_.get());
  for (uint32_t done = 0; done < length;) {
    const uint32_t block = std::min(block_size, length - done);
    uint8_t word[4];
    CommandWord(kFlashRead, address + done, word);
    if (generation == Generation::kA) {
      int result = Request(VR_FLASH_SELECT);
      if (result == 0) result = Request(VR_SPI_WRITE, word, 4);
      if (result == 0) result = Request(VR_SPI_READ, buffer + done, block, false);
      const int deselect = Request(VR_FLASH_DESELECT);
      if (result != 0 || deselect != 0) return 1;
    } else {
      if (SetTransferParams(word, 32) != 0) return 1;
      if (Request(VR_FLASH_READ, buffer + done, block, false) != 0) return 1;
    }
    done += block;
  }
  return 0;
}

int CameraFW::ReadFpgaSequence(uint32_t address, uint8_t* buffer, uint32_t length) {
  if (address > kMaxRegister || length > 4) return 1;
  const uint8_t r = static_cast<uint8_t>(address);
  if (ControllerGeneration() != Generation::kA) {
    const uint8_t command[4] = {0, 0, 0, r};
    if (SetTransferParams(command, 8) != 0) return 1;
    return Request(VR_FPGA_READ, buffer, length, false);
  }
  // The FPGA shifts its register out most significant byte first; only the
  // first two bytes received are delivered, swapped into register order.
  uint8_t received[4] = {0, 0, 0, 0};
  uint8_t selected = r;
  int result = Request(VR_FPGA_SELECT);
  if (result == 0) result = Request(VR_SPI_WRITE, &selected, 1);
  if (result == 0) result = Request(VR_SPI_READ, received, length, false);
  const int deselect = Request(VR_FPGA_DESELECT);
  if (result != 0 || deselect != 0) return 1;
  if (length >= 1) buffer[0] = received[1];
  if (length >= 2) buffer[1] = received[0];
  return 0;
}

int CameraFW::WriteFlashSequence(uint32_t address, const uint8_t* data, uint32_t length) {
  const Generation generation = ControllerGeneration();
  const uint32_t block_size =
      generation == Generation::kC ? GetMaxTransferChunk(device_.get()) : kOldBlock;
  for (uint32_t done = 0; done < length;) {
    const uint32_t block = std::min(block_size, length - done);
    uint8_t* piece = const_cast<uint8_t*>(data + done);
    uint8_t word[4];
    CommandWord(kFlashPageProgram, address + done, word);
    if (generation == Generation::kA) {
      const uint8_t enable = kFlashWriteEnable;
      int result = FlashCommand(&enable, 1);
      if (result == 0) result = Request(VR_FLASH_SELECT);
      if (result == 0) result = Request(VR_SPI_WRITE, word, 4);
      if (result == 0) result = Request(VR_SPI_WRITE, piece, block);
      const int deselect = Request(VR_FLASH_DESELECT);
      if (result != 0 || deselect != 0) return 1;
      uint8_t status = kFlashBusy;
      for (int reads = 0; reads < kMaxStatusReads && (status & kFlashBusy) != 0; ++reads)
        if (ReadFlashStatus(&status) != 0) return 1;
      if ((status & kFlashBusy) != 0) return 1;
    } else {
      if (SetTransferParams(word, 32) != 0) return 1;
      if (Request(VR_FLASH_WRITE, piece, block) != 0) return 1;
      if (generation == Generation::kB) {
        const uint8_t disable = kFlashWriteDisable;
        if (FlashCommand(&disable, 1) != 0) return 1;
      }
    }
    done += block;
  }
  return 0;
}

int CameraFW::WriteFpgaSequence(uint32_t address, const uint8_t* data, uint32_t length) {
  if (address > kMaxRegister || (length != 2 && length != 4)) return 1;
  // 0x80 | r, then the value bytes from last to first.
  uint8_t frame[5] = {static_cast<uint8_t>(0x80 | address)};
  for (uint32_t i = 0; i < length; ++i) frame[1 + i] = data[length - 1 - i];
  return Request(VR_FPGA_WRITE, frame, 1 + length);
}

// Every generation erases with the serial-port requests. The chip is given
// 10 s to finish; a status that cannot be read ends the wait at once.
int CameraFW::SectorEraseSequence(uint32_t sector) {
  const uint8_t enable = kFlashWriteEnable;
  if (FlashCommand(&enable, 1) != 0) return 1;
  uint8_t word[4];
  CommandWord(kFlashSectorErase, sector * 65536, word);
  if (FlashCommand(word, 4) != 0) return 1;
  const uint64_t start = platform::GetTickCountMs();
  uint8_t status = kFlashBusy;
  while ((status & kFlashBusy) != 0) {
    if (ReadFlashStatus(&status) != 0) return 1;
    if ((status & kFlashBusy) != 0 && platform::GetTickCountMs() - start > kEraseTimeoutMs)
      return 1;
  }
  const uint8_t disable = kFlashWriteDisable;
  return FlashCommand(&disable, 1);
}

// --- Operations

void CameraFW::ReadDeviceInfo(uint32_t address, uint8_t* buffer, uint32_t length, int target) {
  if (length == 0) return;
  int result = 1;
  if (buffer != nullptr && (target == kTargetFlash || target == kTargetFpga)) {
    SequenceLock lock(device_.get());
    if (lock.locked())
      result = target == kTargetFlash ? ReadFlashSequence(address, buffer, length)
                                      : ReadFpgaSequence(address, buffer, length);
  }
  if (result != 0) throw TextException("Read device_info fails");
}

void CameraFW::WriteSPI(uint32_t address, const uint8_t* data, uint32_t length, int target) {
  if (length == 0 && target == kTargetFlash) return;
  int result = 1;
  if (data != nullptr && (target == kTargetFlash || target == kTargetFpga)) {
    SequenceLock lock(device_.get());
    if (lock.locked())
      result = target == kTargetFlash ? WriteFlashSequence(address, data, length)
                                      : WriteFpgaSequence(address, data, length);
  }
  if (result != 0) throw TextException("WriteSPI does not respond1");
}

void CameraFW::SectorErase(uint32_t sector) {
  int result = 1;
  {
    SequenceLock lock(device_.get());
    if (lock.locked()) result = SectorEraseSequence(sector);
  }
  if (result != 0) throw TextException("SectorErase does not respond");
}
