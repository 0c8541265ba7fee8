#include "SerialNumber.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/little_endian.h"
#include "platform/text_exception.h"

namespace {

PackedSerialNumber Packed(uint32_t word0, uint32_t word1) {
  PackedSerialNumber packed{};
  WriteLe32(packed.data(), word0);
  WriteLe32(packed.data() + 4, word1);
  return packed;
}

TEST(SerialNumber, TextsRoundTrip) {
  for (const char* text : {"ABCDE1234FGH", "BAAAA0100000",
                           "77776"
                           "9963VVV",
                           "QZSIM1234000", "A2B3C0001UV9"}) {
    PackedSerialNumber packed{};
    ASSERT_EQ(SerialNumberFromText(text, packed), 0) << text;
    EXPECT_EQ(SerialNumberToText(packed), text);
  }
}

TEST(SerialNumber, PacksIntoTheDocumentedBits) {
  PackedSerialNumber packed{};
  // C=2, D=3, E=4, F=5, G=6; 12; 34; H=17, 1=1, V=31.
  ASSERT_EQ(SerialNumberFromText("CDEFG1234H1V", packed), 0);
  const uint32_t word0 = 2 | 3 << 5 | 4 << 10 | 5 << 15 | 6 << 20 | 12u << 25;
  const uint32_t word1 = 34 | 17 << 6 | 1 << 11 | 31 << 16;
  EXPECT_EQ(packed, Packed(word0, word1));
}

TEST(SerialNumber, CharacterOutsideItsAlphabetIsRefused) {
  for (const char* text : {"aBCDE1234FGH",  // lower case
                           "1BCDE1234FGH",  // '1' is no Base32 digit
                           "ABCDE1234FGW",  // 'W' is past base32hex
                           "ABCDE1234FG",   // too short
                           "ABCDE1234fGH"}) {
    PackedSerialNumber packed{};
    EXPECT_NE(SerialNumberFromText(text, packed), 0) << text;
    EXPECT_EQ(packed, PackedSerialNumber{}) << text;
  }
}

TEST(SerialNumber, NumberFieldsAreMaskedNotChecked) {
  PackedSerialNumber packed{};
  // Digits are not validated: "99" fits, "64" in the 6-bit field wraps to 0.
  ASSERT_EQ(SerialNumberFromText("AAAAA9964000", packed), 0);
  EXPECT_EQ(ReadLe32(packed.data()) >> 25, 99u);
  EXPECT_EQ(ReadLe32(packed.data() + 4) & 0x3F, 0u);
}

TEST(SerialNumber, Validity) {
  struct Case {
    const char* name;
    PackedSerialNumber packed;
    int expected;
  };
  const Case cases[] = {
      {"AllZero", Packed(0, 0), kSerialNumberInvalid},
      {"FirstIndex31", Packed(31 | 5u << 25, 0), kSerialNumberInvalid},
      {"Number127", Packed(127u << 25, 0), kSerialNumberInvalid},
      {"Erased", Packed(0xFFFFFFFF, 0xFFFFFFFF), kSerialNumberInvalid},
      {"Normal", Packed(1 | 12u << 25, 34), kSerialNumberValid},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSerialNumberValid(c.packed), c.expected) << c.name;
}

TEST(SerialNumber, LegacySerialIsLittleEndianHex) {
  uint8_t out[4] = {};
  DecodeLegacySN("1A2b3C4d", out);
  EXPECT_EQ(ReadLe32(out), 0x1A2B3C4Du);
  EXPECT_THROW(DecodeLegacySN("1234567", out), TextException);
}

}  // namespace
