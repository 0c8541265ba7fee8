#include "simulator/usb3/SpiFlash.h"

#include <algorithm>

namespace sim {
namespace {

// The chip's command set.
constexpr uint8_t kWriteStatusDisable = 0x04;
constexpr uint8_t kPageProgram = 0x02;
constexpr uint8_t kRead = 0x03;
constexpr uint8_t kReadStatus = 0x05;
constexpr uint8_t kWriteEnable = 0x06;
constexpr uint8_t kSectorErase = 0xD8;

constexpr uint32_t kPageSize = 256;
constexpr uint32_t kSectorSize = 65536;

}  // namespace

void SpiFlash::Select() {
  selected_ = true;
  reading_ = false;
  command_.clear();
}

uint32_t SpiFlash::CommandAddress() const {
  const uint32_t address = static_cast<uint32_t>(command_[1]) << 16 |
                           static_cast<uint32_t>(command_[2]) << 8 | command_[3];
  return address % memory_.size();
}

void SpiFlash::ShiftOut(const uint8_t* data, uint32_t n) {
  if (!selected_) return;
  command_.insert(command_.end(), data, data + n);
}

void SpiFlash::ShiftIn(uint8_t* data, uint32_t n, uint64_t now_us) {
  std::fill(data, data + n, 0xFF);
  if (!selected_ || command_.empty()) return;
  if (command_[0] == kReadStatus) {
    const uint8_t status = (Busy(now_us) ? 0x01 : 0) | (write_enabled_ ? 0x02 : 0);
    std::fill(data, data + n, status);
    return;
  }
  // A busy chip answers nothing but its status.
  if (command_[0] != kRead || command_.size() < 4 || Busy(now_us)) return;
  if (!reading_) {
    read_address_ = CommandAddress();
    reading_ = true;
  }
  // A read runs on through the chip and wraps at its end.
  for (uint32_t done = 0; done < n;) {
    const uint32_t piece = std::min(n - done, memory_.size() - read_address_);
    memory_.Read(read_address_, data + done, piece);
    read_address_ = (read_address_ + piece) % memory_.size();
    done += piece;
  }
}

void SpiFlash::Deselect(uint64_t now_us) {
  if (!selected_) return;
  selected_ = false;
  reading_ = false;
  if (command_.empty() || Busy(now_us)) return;
  switch (command_[0]) {
    case kWriteEnable:
      write_enabled_ = true;
      break;
    case kWriteStatusDisable:
      write_enabled_ = false;
      break;
    case kPageProgram: {
      if (!write_enabled_ || command_.size() < 4) break;
      const uint32_t address = CommandAddress();
      const uint32_t page = address - address % kPageSize;
      // More than a page of data: the chip keeps the last 256 bytes.
      const size_t data_bytes = command_.size() - 4;
      const size_t skip = data_bytes > kPageSize ? data_bytes - kPageSize : 0;
      uint8_t cells[kPageSize];
      memory_.Read(page, cells, kPageSize);
      uint32_t column = static_cast<uint32_t>((address + skip) % kPageSize);
      for (size_t i = 4 + skip; i < command_.size(); ++i) {
        cells[column] &= command_[i];
        column = (column + 1) % kPageSize;
      }
      memory_.Write(page, cells, kPageSize);
      write_enabled_ = false;
      busy_until_us_ = now_us + kPageProgramUs;
      break;
    }
    case kSectorErase: {
      if (!write_enabled_ || command_.size() < 4) break;
      const uint32_t sector = CommandAddress() / kSectorSize * kSectorSize;
      memory_.Fill(sector, kSectorSize, 0xFF);
      write_enabled_ = false;
      busy_until_us_ = now_us + sector_erase_us_;
      break;
    }
    default:
      break;
  }
  command_.clear();
}

void SpiFlash::PowerUp() {
  selected_ = false;
  reading_ = false;
  command_.clear();
  write_enabled_ = false;
}

}  // namespace sim
