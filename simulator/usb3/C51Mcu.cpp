#include "simulator/usb3/C51Mcu.h"
#include "simulator/usb3/CameraBytes.h"

#include <algorithm>

namespace sim {
namespace {

// The bootloader's pace: a packet costs it about a millisecond, a flash page
// erase 10 ms, programming 20 us a byte, the EEPROM 50 us a byte.
constexpr uint64_t kPacketUs = 1000;
constexpr uint64_t kPageEraseUs = 10000;
constexpr uint64_t kFlashUsPerByte = 20;
constexpr uint64_t kEepromUsPerByte = 50;
constexpr uint32_t kPageSize = 512;
constexpr uint32_t kMaxBlock = 512;

bool Starts(const std::vector<uint8_t>& packet, std::initializer_list<uint8_t> head) {
  return packet.size() >= head.size() && std::equal(head.begin(), head.end(), packet.begin());
}

}  // namespace

void C51Mcu::Reply(std::vector<uint8_t> bytes) {
  reply_ = std::move(bytes);
  reply_position_ = 0;
  has_reply_ = true;
}

void C51Mcu::Process(const std::vector<uint8_t>& packet, const Bootloader& bootloader,
                     uint64_t now_us) {
  has_reply_ = false;
  uint64_t busy = kPacketUs;
  const uint16_t length = packet.size() >= 8 ? Le16(&packet[4]) : 0;
  const uint16_t address = packet.size() >= 8 ? Le16(&packet[6]) : 0;
  const bool header_only = packet.size() == 8;
  const bool with_block = length <= kMaxBlock && packet.size() == 8u + length;

  if (Starts(packet, {0xFD, 0, 0, 0}) && header_only && length == 256 && address == 0) {
    if (bootloader.answers_probe) Reply({0xFD, 0x00});
  } else if (Starts(packet, {0xF0, 0xA5, 0xF1, 0x03, 0x03, 0, 0, 0, 0x02}) && packet.size() == 11) {
    if (bootloader.ccd) {
      const uint32_t count = static_cast<uint32_t>(packet[9]) << 8 | packet[10];
      const uint32_t pages = (count + kPageSize - 1) / kPageSize;
      flash_.Fill(0, pages * kPageSize, 0xFF);
      busy += pages * kPageEraseUs;
      written_since_erase_ = 0;
      Reply({0xF0, 0x00});
    }
  } else if (Starts(packet, {0xF1, 0xA5, 0xF1, 0x01}) && with_block) {
    if (length == 0 && address == 0) {
      // The end of a write: a CCD bootloader sends the written image back.
      if (bootloader.ccd) {
        std::vector<uint8_t> image(written_since_erase_);
        flash_.Read(0, image.data(), written_since_erase_);
        Reply(std::move(image));
      } else {
        Reply({0xF1, 0x00});
      }
    } else {
      if (bootloader.ccd)
        flash_.Program(address, &packet[8], length);
      else
        flash_.Write(address, &packet[8], length);
      written_since_erase_ += length;
      busy += length * kFlashUsPerByte;
      Reply({0xF1, 0x00});
    }
  } else if (Starts(packet, {0xF2, 0, 0, 0}) && header_only) {
    std::vector<uint8_t> bytes(length);
    flash_.Read(address, bytes.data(), length);
    Reply(std::move(bytes));
  } else if (Starts(packet, {0xE1, 0, 0, 0}) && with_block) {
    eeprom_.Write(address, &packet[8], length);
    busy += length * kEepromUsPerByte;
    Reply({0xE1, 0x00});
  } else if (Starts(packet, {0xE0, 0, 0, 0}) && header_only) {
    std::vector<uint8_t> bytes(length);
    eeprom_.Read(address, bytes.data(), length);
    Reply(std::move(bytes));
  }
  ready_at_us_ = now_us + busy;
}

C51Mcu::PieceAnswer C51Mcu::Piece(const uint8_t* piece, uint32_t size, const Bootloader& bootloader,
                                  uint64_t now_us) {
  PieceAnswer answer;
  if (size < 6) return answer;
  const uint16_t kind = Le16(piece);
  const uint16_t phase = Le16(piece + 2);
  const uint16_t length = Le16(piece + 4);
  if (kind == 0) {
    if (size - 6u != length || (phase != 1 && phase != 2 && phase != 3)) return answer;
    if (phase == 2 && !collecting_) return answer;
    if (phase != 2) packet_.clear();
    packet_.insert(packet_.end(), piece + 6, piece + size);
    collecting_ = phase == 1;
    if (phase != 1) Process(packet_, bootloader, now_us);
    answer.accepted = true;
    return answer;
  }
  if (kind != 1 || size != 6 || !has_reply_) return answer;
  const size_t count = std::min<size_t>(length, reply_.size() - reply_position_);
  answer.data.assign(reply_.begin() + static_cast<long>(reply_position_),
                     reply_.begin() + static_cast<long>(reply_position_ + count));
  reply_position_ += count;
  answer.busy_us = ready_at_us_ > now_us ? ready_at_us_ - now_us : 0;
  answer.accepted = true;
  return answer;
}

void C51Mcu::PowerUp() {
  packet_.clear();
  collecting_ = false;
  reply_.clear();
  reply_position_ = 0;
  has_reply_ = false;
  written_since_erase_ = 0;
}

}  // namespace sim
