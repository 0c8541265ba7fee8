// Page packing schemes and the TV450 accessor family's conversions.

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <vector>

#include "CalibModeDefaults.h"
#include "CalibPacking.h"
#include "CalibTestSupport.h"
#include "Tv450Definitions.h"
#include "Tv450Family.h"

namespace {

using calibtest::ErrorText;

constexpr calib_field_t kEnd = {0, 0, nullptr, nullptr};

calib_field_t Field(uint32_t width, uint32_t kind, uint32_t value) {
  return {CalibDescriptor(width, kind), value, "f", nullptr};
}

TEST(CalibSchemeA, FirstChainBitIsBitSevenOfTheLastByte) {
  const calib_field_t fields[] = {Field(5, 0, 8), Field(1, 0, 1), kEnd, kEnd};
  uint8_t page[128];
  std::memset(page, 0xAA, sizeof page);
  PackSchemeA(page, fields);
  EXPECT_EQ(page[127], 0x44);
  for (int i = 0; i < 127; ++i) EXPECT_EQ(page[i], 0) << i;
}

TEST(CalibSchemeA, WordsFollowEachOtherFromByteZeroLittleEndian) {
  const calib_field_t fields[] = {kEnd, Field(16, 1, 0x5A01), Field(16, 2, 0x10234), kEnd};
  uint8_t page[128];
  PackSchemeA(page, fields);
  EXPECT_EQ(page[0], 0x01);
  EXPECT_EQ(page[1], 0x5A);
  EXPECT_EQ(page[2], 0x34);  // only the low 16 bits travel
  EXPECT_EQ(page[3], 0x02);
}

TEST(CalibSchemeA, RoundTripKeepsFieldBytesAndClearsTheGap) {
  // 13 chain bits (bytes 127 and the top five bits of 126) and two words.
  const calib_field_t layout[] = {Field(8, 0, 0),  Field(5, 0, 0),  kEnd,
                                  Field(16, 0, 0), Field(16, 0, 0), kEnd};
  uint8_t page[128];
  for (int i = 0; i < 128; ++i) page[i] = static_cast<uint8_t>(i * 37 + 11);
  calib_field_t fields[6];
  std::memcpy(fields, layout, sizeof layout);
  UnpackSchemeA(page, fields);
  uint8_t packed[128];
  PackSchemeA(packed, fields);
  std::array<uint8_t, 128> expected{};
  std::memcpy(expected.data(), page, 4);
  expected[127] = page[127];
  expected[126] = page[126] & 0xF8;
  EXPECT_EQ(std::vector<uint8_t>(packed, packed + 128),
            std::vector<uint8_t>(expected.begin(), expected.end()));
}

TEST(CalibSchemeA, EveryTv450DefaultsPageRoundTripsBitExactly) {
  for (const uint8_t* image : {kTV450KT_LN_V2_1_ModeDefaults, kTV450KT_LN_V2_2_ModeDefaults,
                               kTV450KT_LN_V2_3_ModeDefaults}) {
    for (uint32_t p = 0; p < 128; ++p) {
      calib_field_t fields[kTv450FieldsCount];
      std::memcpy(fields, kTv450FieldTemplate, sizeof fields);
      UnpackSchemeA(image + p * 128, fields);
      uint8_t packed[128];
      PackSchemeA(packed, fields);
      ASSERT_EQ(std::memcmp(packed, image + p * 128, 128), 0) << "page " << p;
    }
  }
}

TEST(CalibSchemeA, FieldWiderThan32BitsPacksZerosAboveBit31) {
  const calib_field_t fields[] = {Field(40, 0, 0xFFFFFFFF), kEnd, kEnd};
  uint8_t page[128];
  PackSchemeA(page, fields);
  EXPECT_EQ(page[127], 0x00);  // bits 39-32
  EXPECT_EQ(page[126], 0xFF);
  EXPECT_EQ(page[123], 0xFF);
  // Reading back keeps the last 32 bits read.
  std::memset(page, 0xFF, sizeof page);
  calib_field_t read[] = {Field(40, 0, 0), kEnd, kEnd};
  UnpackSchemeA(page, read);
  EXPECT_EQ(read[0].value, 0xFFFFFFFFu);
}

TEST(CalibSchemeB, ErasedOrZeroPageFailsTheCheckAndKeepsTheDefaults) {
  for (uint8_t fill : {0x00, 0xFF}) {
    std::vector<uint8_t> page(512, fill);
    calib_field_t fields[calibtest::TestCamBTable::kFields];
    std::memcpy(fields, calibtest::TestCamBTable::kTemplate, sizeof fields);
    EXPECT_FALSE(UnpackSchemeB(page.data(), fields));
    EXPECT_EQ(std::memcmp(fields, calibtest::TestCamBTable::kTemplate, sizeof fields), 0);
  }
}

TEST(CalibSchemeB, PackedPagesPassTheCheckEvenWhenAllFieldsAreZero) {
  calib_field_t fields[calibtest::TestCamBTable::kFields];
  std::memcpy(fields, calibtest::TestCamBTable::kTemplate, sizeof fields);
  std::vector<uint8_t> page(512);
  for (uint32_t value : {0u, 1u, 0x1234u, 0xFFFFu}) {
    for (calib_field_t& field : fields) field.value = field.descriptor != 0 ? value : 0;
    PackSchemeB(page.data(), fields);
    EXPECT_TRUE(IsSchemeBPageValid(page.data())) << value;
    EXPECT_EQ(EndAroundCarrySum(page.data(), 512), 1) << value;
  }
}

TEST(CalibSchemeB, ChainRunsFromTheLastFieldLeastSignificantBitFirst) {
  const calib_field_t fields[] = {Field(3, 0, 0b101), Field(6, 0, 0b110001), kEnd,
                                  Field(16, 1, 0x5A03), kEnd};
  std::vector<uint8_t> page(512);
  PackSchemeB(page.data(), fields);
  // The 6-bit field fills bits 0-5 of byte 128, the 3-bit field bits 6, 7 and
  // bit 0 of byte 129.
  EXPECT_EQ(page[128], 0b01110001);
  EXPECT_EQ(page[129], 0b1);
  EXPECT_EQ(page[0], 0x03);
  EXPECT_EQ(page[1], 0x5A);
  calib_field_t read[5];
  std::memcpy(read, fields, sizeof read);
  for (calib_field_t& field : read) field.value = 0;
  ASSERT_TRUE(UnpackSchemeB(page.data(), read));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(read[i].value, fields[i].value) << i;
}

TEST(CalibSchemeB, FieldWiderThan32BitsPacksZerosAboveBit31) {
  const calib_field_t fields[] = {Field(40, 0, 0xFFFFFFFF), kEnd, kEnd};
  std::vector<uint8_t> page(512);
  PackSchemeB(page.data(), fields);
  EXPECT_EQ(page[131], 0xFF);
  EXPECT_EQ(page[132], 0x00);
}

TEST(CalibEndAroundCarry, CarryWrapsIntoTheLowBit) {
  const uint8_t bytes[] = {0xFF, 0x01, 0x80, 0x80};
  EXPECT_EQ(EndAroundCarrySum(bytes, 2), 1);
  EXPECT_EQ(EndAroundCarrySum(bytes + 2, 2), 1);
  EXPECT_EQ(EndAroundCarrySum(bytes, 4), 2);
}

calib_field_t Kind(uint32_t kind, uint32_t value, uint32_t width = 16) {
  return {CalibDescriptor(width, kind), value, "k", nullptr};
}

struct GainCase {
  int32_t thousandths;
  uint32_t code;
};

TEST(CalibTv450Accessors, GainSetterTakesTheNearestCodeAndTheHigherOnATie) {
  const GainCase cases[] = {{1300, 11}, {1200, 9},  {1250, 9},  {1310, 11}, {400, 1},
                            {7000, 24}, {7250, 26}, {6600, 63}, {16500, 62}};
  for (const GainCase& c : cases) {
    calib_field_t field = Kind(4, 0, 6);
    TV450KT_LN_H_SetFieldValue(c.thousandths, field);
    EXPECT_EQ(field.value, c.code) << c.thousandths;
  }
}

TEST(CalibTv450Accessors, GainsOutsideTheTableAreRefused) {
  calib_field_t field = Kind(4, 9, 6);
  EXPECT_EQ(ErrorText([&] { TV450KT_LN_H_SetFieldValue(300, field); }),
            "TV450KT_LN_H_SetFieldValue - ERROR, unknown gain value (0.3)");
  EXPECT_EQ(ErrorText([&] { TV450KT_LN_H_SetFieldValue(17000, field); }),
            "TV450KT_LN_H_SetFieldValue - ERROR, unknown gain value (17)");
  EXPECT_EQ(field.value, 9u);
}

struct GetCase {
  const char* name;
  uint32_t kind;
  uint32_t raw;
  int32_t value;
};

void PrintTo(const GetCase& c, std::ostream* os) {
  *os << c.name;
}

class CalibTv450Get : public testing::TestWithParam<GetCase> {};

TEST_P(CalibTv450Get, PublicValueOfAStoredValue) {
  const GetCase& c = GetParam();
  EXPECT_EQ(TV450KT_LN_H_GetFieldValue(Kind(c.kind, c.raw, 21)), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CalibTv450Get,
    testing::Values(GetCase{"Plain", 0, 1234, 1234}, GetCase{"Hex", 1, 0x5A00, 0x5A00},
                    GetCase{"Millivolts", 2, 1500, 1500},
                    GetCase{"CounterNegative", 3, 2085636, -668},
                    GetCase{"GainCode11", 4, 11, 1400}, GetCase{"GainCode9", 4, 9, 1200},
                    GetCase{"GainCode24", 4, 24, 7000}, GetCase{"GainUnknownCode", 4, 0, 0},
                    GetCase{"Plain5", 5, 42, 42}, GetCase{"Hundredths", 6, 250, 250},
                    GetCase{"LinearGainUnity", 7, 32768, 0},
                    GetCase{"LinearGainHalf", 7, 16384, -6021},
                    GetCase{"LinearGainZero", 7, 0, INT32_MIN}));

TEST(CalibTv450Accessors, CounterCodeRoundTripsEvenValues) {
  for (int32_t value : {1000, -668, 0, 2, -2, 4094, -65536}) {
    calib_field_t field = Kind(3, 0, 21);
    TV450KT_LN_H_SetFieldValue(value, field);
    EXPECT_EQ(TV450KT_LN_H_GetFieldValue(field), value) << value;
  }
  EXPECT_EQ(Tv450CounterEncode(-668), 2085636u);
  // The code keeps bits 1-4 and the higher part: an odd value loses its low bit.
  EXPECT_EQ(Tv450CounterDecode(Tv450CounterEncode(1001)), 1000);
}

TEST(CalibTv450Accessors, LinearGainSetterStoresDecibelsAsLinear) {
  calib_field_t field = Kind(7, 0);
  TV450KT_LN_H_SetFieldValue(0, field);
  EXPECT_EQ(field.value, 32768u);
  // -6.021 dB is a little below one half: the public value, not the raw one,
  // survives the round trip.
  TV450KT_LN_H_SetFieldValue(-6021, field);
  EXPECT_EQ(field.value, 16383u);
  EXPECT_EQ(TV450KT_LN_H_GetFieldValue(field), -6021);
}

TEST(CalibTv450Accessors, StoredValuesAreMaskedAndValuelessFieldsKept) {
  calib_field_t narrow = Kind(0, 0, 5);
  TV450KT_LN_H_SetFieldValue(40, narrow);
  EXPECT_EQ(narrow.value, 8u);
  calib_field_t full = Kind(0, 0x12345678, 32);
  TV450KT_LN_H_SetFieldValue(1, full);
  EXPECT_EQ(full.value, 0x12345678u);
}

TEST(CalibTv450Accessors, TypesByKindAndNoTypeWithoutMask) {
  const uint32_t types[] = {1, 5, 3, 1, 6, 1, 2, 3};
  for (uint32_t kind = 0; kind < 8; ++kind)
    EXPECT_EQ(TV450KT_LN_H_GetFieldType(Kind(kind, 0)), types[kind]) << kind;
  EXPECT_EQ(TV450KT_LN_H_GetFieldType(Kind(4, 0, 32)), 0u);
  EXPECT_EQ(TV450KT_LN_H_GetFieldType(kEnd), 0u);
}

TEST(CalibTv450Accessors, KindsAboveSevenAreRefusedByEveryAccessor) {
  calib_field_t field = Kind(8, 0);
  EXPECT_EQ(ErrorText([&] { TV450KT_LN_H_GetFieldValue(field); }),
            "TV450KT_LN_H_GetFieldValue - ERROR, unknown data type (8)");
  EXPECT_EQ(ErrorText([&] { TV450KT_LN_H_SetFieldValue(1, field); }),
            "TV450KT_LN_H_SetFieldValue - ERROR, unknown data type (8)");
  EXPECT_EQ(ErrorText([&] { TV450KT_LN_H_GetFieldType(field); }),
            "TV450KT_LN_H_GetFieldType - ERROR, unknown data type (8)");
}

TEST(CalibTv450Accessors, EnumValuesComeFromTheGainTable) {
  EXPECT_EQ(TV450KT_LN_H_GetEnumValue(0), 400);
  EXPECT_EQ(TV450KT_LN_H_GetEnumValue(5), 1400);
  EXPECT_EQ(TV450KT_LN_H_GetEnumValueRaw(5), 11u);
  EXPECT_EQ(TV450KT_LN_H_GetEnumValue(51), 16500);
  EXPECT_EQ(TV450KT_LN_H_GetEnumValueRaw(32), 24u);
  EXPECT_EQ(TV450KT_LN_H_GetEnumValue(63), 0);  // unused slot
  EXPECT_EQ(ErrorText([] { TV450KT_LN_H_GetEnumValue(64); }),
            "TV450KT_LN_H_GetEnumValue - ERROR, index value too high");
  EXPECT_EQ(ErrorText([] { TV450KT_LN_H_GetEnumValueRaw(64); }),
            "TV450KT_LN_H_GetEnumValueRaw - ERROR, index value too high");
}

TEST(CalibTv450Accessors, GainTableRisesFromPointFourToSixteenAndAHalf) {
  const gain_entry_t* table = Tv450GainTable();
  for (uint32_t i = 1; i < kTv450GainEntries; ++i) EXPECT_LT(table[i - 1].gain, table[i].gain);
  EXPECT_DOUBLE_EQ(table[5].gain_db, 0.0);  // decibels relative to 1.4
  EXPECT_EQ(table[33].code, 26);
  EXPECT_DOUBLE_EQ(table[33].gain, 7.5);
  EXPECT_EQ(table[51].index, 51);
}

}  // namespace
