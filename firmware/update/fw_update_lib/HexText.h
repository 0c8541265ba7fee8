#pragma once
// Hexadecimal digits in texts: the Intel HEX reader checks them strictly, the
// command-line values take what converts.

#include <cstddef>
#include <cstdint>

// The value of one hex digit (either case), or -1 for any other character.
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of the hex digits at the start of the first `count` characters of
// text, stopping at the first character that is not one ("1g" is 1, "g1" is 0).
inline uint32_t LeadingHexValue(const char* text, size_t count) {
  uint32_t value = 0;
  for (size_t i = 0; i < count; ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0) break;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}
