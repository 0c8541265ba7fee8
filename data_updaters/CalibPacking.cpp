#include "CalibPacking.h"

#include <cstring>

namespace {

// Bits above 31 of a wider field are zero: only reserved fields are that wide.
uint32_t ValueBit(uint32_t value, uint32_t bit) {
  return bit < 32 ? (value >> bit) & 1 : 0;
}

uint32_t SchemeBWidth(const calib_field_t& field) {
  return field.descriptor & 0x1FF;
}

constexpr uint32_t kSchemeBWordBytes = 128;
constexpr uint32_t kSchemeBCheckByte = kSchemeBPageSize - 1;
constexpr uint32_t kSchemeBMaxEntries = 512;

// Index of the entry ending the bit-chain list of a scheme B template.
uint32_t SchemeBChainEnd(const calib_field_t* fields) {
  uint32_t n = 0;
  while (n < kSchemeBMaxEntries && fields[n].descriptor != 0) ++n;
  return n;
}

}  // namespace

void PackSchemeA(uint8_t* packed, const calib_field_t* fields) {
  std::memset(packed, 0, kSchemeAPageSize);
  int32_t p = kSchemeAPageSize - 1;
  uint32_t m = 0x80;
  const calib_field_t* field = fields;
  for (; CalibFieldWidth(*field) != 0; ++field) {
    for (uint32_t b = CalibFieldWidth(*field); b-- > 0;) {
      if (m == 0) {
        --p;
        m = 0x80;
      }
      // A chain longer than the page has nowhere to go; drop it, never write
      // before the buffer.
      if (p >= 0 && ValueBit(field->value, b) != 0) packed[p] |= static_cast<uint8_t>(m);
      m >>= 1;
    }
  }
  ++field;
  for (uint32_t offset = 0; CalibFieldWidth(*field) != 0; ++field, offset += 2) {
    if (offset + 2 > kSchemeAPageSize) continue;
    packed[offset] = static_cast<uint8_t>(field->value);
    packed[offset + 1] = static_cast<uint8_t>(field->value >> 8);
  }
}

bool UnpackSchemeA(const uint8_t* packed, calib_field_t* fields) {
  int32_t p = kSchemeAPageSize - 1;
  uint32_t m = 0x80;
  calib_field_t* field = fields;
  for (; CalibFieldWidth(*field) != 0; ++field) {
    uint32_t value = 0;
    for (uint32_t b = CalibFieldWidth(*field); b-- > 0;) {
      if (m == 0) {
        --p;
        m = 0x80;
      }
      const uint32_t bit = (p >= 0 && (packed[p] & m) != 0) ? 1 : 0;
      value = (value << 1) | bit;  // a wider field keeps the last 32 bits read
      m >>= 1;
    }
    field->value = value;
  }
  ++field;
  for (uint32_t offset = 0; CalibFieldWidth(*field) != 0; ++field, offset += 2) {
    if (offset + 2 > kSchemeAPageSize) continue;
    field->value = packed[offset] | (uint32_t{packed[offset + 1]} << 8);
  }
  return true;
}

uint8_t EndAroundCarrySum(const uint8_t* data, uint32_t size) {
  uint32_t s = 0;
  for (uint32_t i = 0; i < size; ++i) {
    const uint32_t c = s + data[i];
    s = (c + (c >> 8)) & 0xFF;
  }
  return static_cast<uint8_t>(s);
}

bool IsSchemeBPageValid(const uint8_t* packed) {
  return EndAroundCarrySum(packed, kSchemeBPageSize) == 1;
}

void PackSchemeB(uint8_t* packed, const calib_field_t* fields) {
  std::memset(packed, 0, kSchemeBPageSize);
  const uint32_t n = SchemeBChainEnd(fields);
  uint32_t p = kSchemeBWordBytes;
  uint32_t m = 1;
  for (uint32_t e = n; e-- > 0;) {
    for (uint32_t b = 0; b < SchemeBWidth(fields[e]); ++b) {
      if (m == 0x100) {
        ++p;
        m = 1;
      }
      // The chain must never reach the check byte.
      if (p < kSchemeBCheckByte && ValueBit(fields[e].value, b) != 0)
        packed[p] |= static_cast<uint8_t>(m);
      m <<= 1;
    }
  }
  if (n < kSchemeBMaxEntries) {
    uint32_t offset = 0;
    for (const calib_field_t* field = fields + n + 1; field->descriptor != 0;
         ++field, offset += 2) {
      if (offset + 2 > kSchemeBWordBytes) continue;
      packed[offset] = static_cast<uint8_t>(field->value);
      packed[offset + 1] = static_cast<uint8_t>(field->value >> 8);
    }
  }
  const uint8_t s = EndAroundCarrySum(packed, kSchemeBCheckByte);
  // An all-zero page sums to 0, which no check byte of the form -s can lift to 1;
  // 1 can, so even that page reads back as valid.
  packed[kSchemeBCheckByte] = s == 0 ? 1 : static_cast<uint8_t>(-s);
}

bool UnpackSchemeB(const uint8_t* packed, calib_field_t* fields) {
  if (!IsSchemeBPageValid(packed)) return false;
  const uint32_t n = SchemeBChainEnd(fields);
  if (n < kSchemeBMaxEntries) {
    uint32_t offset = 0;
    for (calib_field_t* field = fields + n + 1; field->descriptor != 0; ++field, offset += 2) {
      if (offset + 2 > kSchemeBWordBytes) continue;
      field->value = packed[offset] | (uint32_t{packed[offset + 1]} << 8);
    }
  }
  uint32_t p = kSchemeBWordBytes;
  uint32_t m = 1;
  for (uint32_t e = n; e-- > 0;) {
    uint32_t value = 0;
    for (uint32_t b = 0; b < SchemeBWidth(fields[e]); ++b) {
      if (m == 0x100) {
        ++p;
        m = 1;
      }
      if (b < 32 && p < kSchemeBCheckByte && (packed[p] & m) != 0) value |= uint32_t{1} << b;
      m <<= 1;
    }
    fields[e].value = value;
  }
  return true;
}
