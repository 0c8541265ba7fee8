#pragma once
// Little-endian fields of the USB3 wire and the camera's records.

#include <cstdint>

inline uint16_t ReadLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(ReadLe16(p)) | static_cast<uint32_t>(ReadLe16(p + 2)) << 16;
}
inline void WriteLe16(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t value) {
  WriteLe16(p, value);
  WriteLe16(p + 2, value >> 16);
}
