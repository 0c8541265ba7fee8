#pragma once
// The flash of a microcontroller behind the controller's generic MCU channel:
// what the channel's erase, write and read requests do to it. Each operation
// reports how long the chip is busy with it.

#include <cstdint>

namespace sim {

class McuFlash {
 public:
  virtual ~McuFlash() = default;

  // Erases the unit the channel's address names (its meaning is the chip's);
  // false when it names none.
  virtual bool Erase(uint32_t address, uint64_t* busy_us) = 0;
  // Programs n bytes at address (bits only go from 1 to 0); false when they do
  // not lie inside the flash.
  virtual bool Program(uint32_t address, const uint8_t* data, uint32_t n, uint64_t* busy_us) = 0;
  virtual bool Read(uint32_t address, uint8_t* out, uint32_t n, uint64_t* busy_us) = 0;
};

}  // namespace sim
