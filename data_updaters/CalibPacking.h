#pragma once
// Bit-level packing of sensor-mode pages, shared by every structure definition.
//
// Scheme A (128-byte pages): the word list from byte 0 upward, one little-endian
// u16 per entry; the bit chain from bit 7 of byte 127 downward, each field from
// its most significant bit.
// Scheme B (512-byte pages): the word list in bytes 0-127; the bit chain from bit 0
// of byte 128 upward, last chain field first, each from its bit 0; byte 511 is a
// check byte making the end-around-carry sum of the page 1.

#include <cstdint>

#include "CalibDataDesc.h"

constexpr uint32_t kSchemeAPageSize = 128;
constexpr uint32_t kSchemeBPageSize = 512;

// Descriptor word of a template entry.
constexpr uint32_t CalibDescriptor(uint32_t width, uint32_t kind, uint32_t group = 0) {
  return width | (group << 8) | (kind << 12);
}
constexpr uint32_t CalibFieldWidth(const calib_field_t& field) {
  return field.descriptor & 0xFF;
}
constexpr uint32_t CalibFieldKind(const calib_field_t& field) {
  return (field.descriptor >> 12) & 0xF;
}
// (1 << (width mod 32)) - 1: zero for width 0 and 32, which carry no public value.
constexpr uint32_t CalibFieldMask(const calib_field_t& field) {
  return (uint32_t{1} << (CalibFieldWidth(field) % 32)) - 1;
}

void PackSchemeA(uint8_t* packed, const calib_field_t* fields);
bool UnpackSchemeA(const uint8_t* packed, calib_field_t* fields);
void PackSchemeB(uint8_t* packed, const calib_field_t* fields);
bool UnpackSchemeB(const uint8_t* packed, calib_field_t* fields);

// End-around-carry sum of `size` bytes.
uint8_t EndAroundCarrySum(const uint8_t* data, uint32_t size);
bool IsSchemeBPageValid(const uint8_t* packed);
