#pragma once
// Camera serial numbers. The packed form is two little-endian 32-bit words:
// word 0 holds the indices of text characters 0-4 in the Base32 alphabet (5 bits
// each) and the two-digit number of characters 5-6 (bits 25-31); word 1 holds
// the number of characters 7-8 (bits 0-5) and the indices of characters 9-11 in
// the base32hex alphabet (5 bits each from bit 6). The text form has 12
// characters, for example "ABCDE1234FGH".

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using PackedSerialNumber = std::array<uint8_t, 8>;

constexpr size_t kSerialNumberTextLength = 12;

// Returned by IsSerialNumberValid.
constexpr int kSerialNumberValid = 0;
constexpr int kSerialNumberInvalid = 3;

// A legacy serial number: 8 hex digits, most significant first, become the 4
// bytes of a little-endian 32-bit value. Throws TextException for a shorter text.
void DecodeLegacySN(const char* text, uint8_t* output);

// Packs a 12-character serial text. Returns 0, or non-zero when a character is
// not in its alphabet or the text is shorter than 12 characters.
int SerialNumberFromText(const char* text, PackedSerialNumber& packed);

// The 12-character text of a packed serial number.
std::string SerialNumberToText(const PackedSerialNumber& packed);

// kSerialNumberInvalid for a blank or unprogrammed serial, else kSerialNumberValid.
int IsSerialNumberValid(const PackedSerialNumber& packed);
