#pragma once
// The camera's SPI NOR serial flash as its controller sees it through the chip
// select and the shift register: commands take effect when the chip is
// deselected, a page program needs the write-enable latch and only clears bits
// inside its 256-byte page (the address wraps there), a 64 KiB sector erase
// sets the sector to 0xFF, and the chip stays busy for the modelled time.

#include <cstdint>
#include <vector>

#include "simulator/usb3/MemoryFile.h"

namespace sim {

class SpiFlash {
 public:
  // The typical chip times.
  static constexpr uint64_t kPageProgramUs = 700;
  static constexpr uint64_t kDefaultSectorEraseUs = 150000;

  explicit SpiFlash(MemoryFile& memory) : memory_(memory) {}

  void SetSectorEraseUs(uint64_t us) { sector_erase_us_ = us; }

  void Select();
  // Ends the command shifted in since Select at time now_us.
  void Deselect(uint64_t now_us);
  void ShiftOut(const uint8_t* data, uint32_t n);
  void ShiftIn(uint8_t* data, uint32_t n, uint64_t now_us);

  bool Busy(uint64_t now_us) const { return now_us < busy_until_us_; }
  uint64_t BusyUntilUs() const { return busy_until_us_; }
  bool WriteEnabled() const { return write_enabled_; }

  // Forgets the chip select and the latch (power-up).
  void PowerUp();

 private:
  uint32_t CommandAddress() const;

  MemoryFile& memory_;
  bool selected_ = false;
  std::vector<uint8_t> command_;  // command, address and data shifted out since Select
  uint32_t read_address_ = 0;     // next byte of a running read
  bool reading_ = false;
  bool write_enabled_ = false;
  uint64_t busy_until_us_ = 0;
  uint64_t sector_erase_us_ = kDefaultSectorEraseUs;
};

}  // namespace sim
