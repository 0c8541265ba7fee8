#pragma once
// The microcontroller programmed over its two-wire C2 interface: 8 KiB of flash
// erased in 512-byte pages.

#include <cstdint>

#include "simulator/usb3/McuFlash.h"
#include "simulator/usb3/MemoryFile.h"

namespace sim {

class C2Mcu : public McuFlash {
 public:
  static constexpr uint32_t kFlashSize = 0x2000;
  static constexpr uint32_t kPageSize = 512;

  explicit C2Mcu(MemoryFile& flash) : flash_(flash) {}

  // Erases the page that holds `address`.
  bool Erase(uint32_t address, uint64_t* busy_us) override;
  bool Program(uint32_t address, const uint8_t* data, uint32_t n, uint64_t* busy_us) override;
  bool Read(uint32_t address, uint8_t* out, uint32_t n, uint64_t* busy_us) override;

 private:
  MemoryFile& flash_;
};

}  // namespace sim
