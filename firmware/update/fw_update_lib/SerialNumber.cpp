#include "SerialNumber.h"

#include <cstring>

#include "HexText.h"
#include "platform/little_endian.h"
#include "platform/text_exception.h"

namespace {

// RFC 4648 Base32 for characters 0-4, base32hex for characters 9-11.
constexpr char kAlphabetA[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
constexpr char kAlphabetB[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
constexpr size_t kAlphabetSize = 32;

// Index of c in a 32-character alphabet, or -1. The terminator is never found.
int IndexIn(const char* alphabet, char c) {
  const void* hit = std::memchr(alphabet, c, kAlphabetSize);
  return hit == nullptr ? -1 : static_cast<int>(static_cast<const char*>(hit) - alphabet);
}

uint32_t TwoDigits(const char* text) {
  return static_cast<uint32_t>(10 * (text[0] - '0') + (text[1] - '0'));
}

}  // namespace

void DecodeLegacySN(const char* text, uint8_t* output) {
  if (std::strlen(text) < 8) throw TextException("DecodeLegacySN small input");
  for (int i = 0; i < 4; ++i)
    output[i] = static_cast<uint8_t>(LeadingHexValue(text + 6 - 2 * i, 2));
}

int SerialNumberFromText(const char* text, PackedSerialNumber& packed) {
  packed.fill(0);
  // A shorter text would be read past its end.
  if (strnlen(text, kSerialNumberTextLength) < kSerialNumberTextLength) return 1;
  uint32_t word0 = 0;
  uint32_t word1 = 0;
  for (int i = 0; i < 5; ++i) {
    const int index = IndexIn(kAlphabetA, text[i]);
    if (index < 0) return 1;
    word0 |= static_cast<uint32_t>(index) << (5 * i);
  }
  for (int i = 0; i < 3; ++i) {
    const int index = IndexIn(kAlphabetB, text[9 + i]);
    if (index < 0) return 1;
    word1 |= static_cast<uint32_t>(index) << (6 + 5 * i);
  }
  word0 |= (TwoDigits(text + 5) & 0x7F) << 25;
  word1 |= TwoDigits(text + 7) & 0x3F;
  WriteLe32(packed.data(), word0);
  WriteLe32(packed.data() + 4, word1);
  return 0;
}

std::string SerialNumberToText(const PackedSerialNumber& packed) {
  const uint32_t word0 = ReadLe32(packed.data());
  const uint32_t word1 = ReadLe32(packed.data() + 4);
  std::string text(kSerialNumberTextLength, ' ');
  for (int i = 0; i < 5; ++i) text[i] = kAlphabetA[(word0 >> (5 * i)) & 0x1F];
  const uint32_t first = word0 >> 25;
  const uint32_t second = word1 & 0x3F;
  text[5] = static_cast<char>('0' + first / 10);
  text[6] = static_cast<char>('0' + first % 10);
  text[7] = static_cast<char>('0' + second / 10);
  text[8] = static_cast<char>('0' + second % 10);
  for (int i = 0; i < 3; ++i) text[9 + i] = kAlphabetB[(word1 >> (6 + 5 * i)) & 0x1F];
  return text;
}

int IsSerialNumberValid(const PackedSerialNumber& packed) {
  const uint32_t word0 = ReadLe32(packed.data());
  const uint32_t number = word0 >> 25;
  // Erased flash reads as all ones, a never-written record as zeros.
  if ((word0 & 0x1F) == 31 || number == 127 || number == 0) return kSerialNumberInvalid;
  return kSerialNumberValid;
}
