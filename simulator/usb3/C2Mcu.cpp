#include "simulator/usb3/C2Mcu.h"

namespace sim {
namespace {
// The C2 interface moves a byte in some tens of microseconds; a page erase
// takes the chip about 20 ms.
constexpr uint64_t kPageEraseUs = 20000;
constexpr uint64_t kProgramUsPerByte = 40;
constexpr uint64_t kReadUsPerByte = 10;
}  // namespace

bool C2Mcu::Erase(uint32_t address, uint64_t* busy_us) {
  if (address >= kFlashSize) return false;
  flash_.Fill(address - address % kPageSize, kPageSize, 0xFF);
  *busy_us = kPageEraseUs;
  return true;
}

bool C2Mcu::Program(uint32_t address, const uint8_t* data, uint32_t n, uint64_t* busy_us) {
  if (address > kFlashSize || n > kFlashSize - address) return false;
  flash_.Program(address, data, n);
  *busy_us = n * kProgramUsPerByte;
  return true;
}

bool C2Mcu::Read(uint32_t address, uint8_t* out, uint32_t n, uint64_t* busy_us) {
  if (address > kFlashSize || n > kFlashSize - address) return false;
  flash_.Read(address, out, n);
  *busy_us = n * kReadUsPerByte;
  return true;
}

}  // namespace sim
