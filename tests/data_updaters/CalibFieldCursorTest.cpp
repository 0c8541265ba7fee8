// Page-set operations and the field cursor.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "CalibCompatibilityTable.h"
#include "CalibDataStructureConverter.h"
#include "CalibModeDefaults.h"
#include "CalibTestSupport.h"
#include "Tv450Definitions.h"

namespace {

using calibtest::ErrorText;
using calibtest::FieldValue;

// A TV450 "T-LN-W" converter holding the 2.1 defaults image, unpacked.
class CalibCursor : public testing::Test {
 protected:
  void SetUp() override {
    calibtest::ConfigureTv450(converter);
    const std::vector<uint8_t> image = calibtest::Tv450Image(1);
    converter.SetRawData(image.data(), static_cast<uint32_t>(image.size()), 1);
    converter.UnpackSensorModesData();
  }
  std::vector<uint8_t> Cache() {
    std::vector<uint8_t> bytes(0x10000);
    converter.GetRawData(bytes.data(), 0x10000, 1);
    return bytes;
  }
  CalibDataStructureConverter converter;
};

TEST(CalibPreconditions, PageOperationsCheckTheirStepsInOrder) {
  CalibDataStructureConverter converter;
  const std::function<void()> steps[] = {
      [&] { converter.SetCameraModel(calibtest::kTv450W); },
      [&] { converter.SetCurrentCpuFirmwareVersion("02.00"); },
      [&] { converter.SetPreparedCpuFirmwareVersion("02.00"); },
      [&] { converter.AllocateCacheIfNeeded(); },
  };
  const char* messages[] = {
      "SelectFieldsPage - model name is not defined",
      "SelectFieldsPage - EEPROM data structure is not defined",
      "SelectFieldsPage - prepared firmware version is not defined",
      "SelectFieldsPage - partition was not allocated",
      "SelectFieldsPage - camera mode data was not loaded",
  };
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldsPage(0); }), messages[0]);
  steps[0]();
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldsPage(0); }), messages[1]);
  for (int i = 1; i < 4; ++i) {
    steps[i]();
    EXPECT_EQ(ErrorText([&] { converter.SelectFieldsPage(0); }), messages[i + 1]);
  }
  // A structure version from the partition alone leaves the CPU firmware undefined.
  CalibDataStructureConverter from_partition;
  from_partition.SetCameraModel(calibtest::kTv450W);
  from_partition.CreatePartition();
  from_partition.SetCalibrationDataStructureVersion(2);
  EXPECT_EQ(ErrorText([&] { from_partition.UnpackSensorModesData(); }),
            "UnpackSensorModesData - current firmware version is not defined");
  EXPECT_EQ(ErrorText([&] { from_partition.LoadSensorModes(); }),
            "LoadSensorModes - current firmware version is not defined");
}

TEST(CalibPreconditions, LoadAndSaveReportAMissingCacheOrDescription) {
  CalibDataStructureConverter converter;
  calibtest::ConfigureTv450(converter);
  EXPECT_EQ(ErrorText([&] { converter.LoadSensorModes(); }),
            "LoadSensorModes - Partition was not allocated");
  EXPECT_EQ(ErrorText([&] { converter.SaveSensorModes(); }),
            "SaveSensorModes - Partition was not allocated");
  // A partition naming defaults version 4, which no TV450 row has.
  const std::vector<uint8_t> image =
      calibtest::MakeImage(kTV450KT_LN_V2_1_ModeDefaults, kTv450ModeDefaultsSize, 2, 4);
  EXPECT_EQ(ErrorText([&] { converter.SetRawData(image.data(), 0x10000, 1); }),
            "LoadSensorModes CDS definition not available for model and eeprom_version");
  EXPECT_EQ(ErrorText([&] { converter.SaveSensorModes(); }),
            "SaveSensorModes - CDS definition not available");
}

TEST_F(CalibCursor, PagesAreUnpackedWithTheirDefaults) {
  EXPECT_EQ(converter.GetPagesCount(), 128u);
  EXPECT_EQ(converter.GetPackedPagesCount(), 128u);
  EXPECT_EQ(converter.GetPackedPageSize(), 128u);
  EXPECT_EQ(converter.GetFieldsCount(), 165u);
  EXPECT_EQ(FieldValue(converter, 0, "Mode_ID"), 0x5A00);
  EXPECT_EQ(FieldValue(converter, 0, "VRD"), 1500);
  EXPECT_EQ(converter.GetFieldType(), 3u);
  EXPECT_EQ(FieldValue(converter, 0, "297 PGA_GAIN_T"), 1400);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 0, "297 PGA_GAIN_T"), 11u);
  EXPECT_EQ(FieldValue(converter, 0, "269 CNT_INT_T"), -668);
  EXPECT_EQ(FieldValue(converter, 127, "Mode_ID"), 0x5A7F);
}

TEST_F(CalibCursor, PageAndFieldIndexesAreBounded) {
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldsPage(128); }),
            "SelectFieldsPage - Page index is too high (curr. 128, max. 128)");
  converter.SelectFieldsPage(127);
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldByIndex(165); }),
            "SelectFieldByIndex - Field index is too high (curr. 165, max. 165)");
  converter.SelectFieldByIndex(164);
  EXPECT_EQ(converter.GetFieldType(), 0u);  // the terminator has no value
}

TEST_F(CalibCursor, NamesAndDescriptionsCopyWithTheirTerminator) {
  converter.SelectFieldsPage(0);
  converter.SelectFieldByName("VRD");
  char buffer[32];
  converter.GetFieldName(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "VRD");
  converter.GetFieldDescription(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "DAC 1 (1.5V  0..2.5V)");
  EXPECT_EQ(ErrorText([&] { converter.GetFieldName(buffer, 3); }),
            "GetFieldName - Field name buffer too small");
  EXPECT_EQ(ErrorText([&] { converter.GetFieldDescription(buffer, 21); }),
            "GetFieldDescription - Field description buffer too small");
  EXPECT_EQ(ErrorText([&] { converter.GetFieldName(nullptr, 10); }),
            "GetFieldName - Invalid field name buffer provided");
  converter.GetFieldName(buffer, 4);
  EXPECT_STREQ(buffer, "VRD");
}

TEST_F(CalibCursor, FailedSelectionLeavesTheCursor) {
  converter.SelectFieldsPage(3);
  converter.SelectFieldByName("VRD");
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldByName("VRD2"); }),
            "SelectFieldByName - Field name not present in unpacked calibration data");
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldsPage(200); }),
            "SelectFieldsPage - Page index is too high (curr. 200, max. 128)");
  EXPECT_EQ(converter.GetFieldValueInt32(), 1500);
  converter.SetFieldValueInt32(1600);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 3, "VRD"), 1600u);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 2, "VRD"), 1500u);
}

TEST_F(CalibCursor, GainFieldTakesTheNearestCode) {
  converter.SelectFieldsPage(1);
  converter.SelectFieldByName("124 PGA_GAIN_B");
  converter.SetFieldValueInt32(1300);
  EXPECT_EQ(converter.GetFieldValueInt32(), 1400);
  converter.SetFieldValueInt32(2050);
  EXPECT_EQ(converter.GetFieldValueInt32(), 2000);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 1, "124 PGA_GAIN_B"), 17u);
}

TEST_F(CalibCursor, EnumCountResetsTheFieldTypeChosenBefore) {
  converter.SelectFieldsPage(0);
  converter.SelectFieldByName("297 PGA_GAIN_T");
  converter.SetFieldType(7);
  EXPECT_EQ(converter.GetEnumValueCount(), 64u);
  converter.SetEnumValueIndex(5);
  EXPECT_EQ(converter.GetEnumValueIndex(), 5u);
  EXPECT_EQ(converter.GetEnumValueItem(), 1400);  // type 6 again: the gain
  converter.SetFieldType(7);
  EXPECT_EQ(converter.GetEnumValueItem(), 11);  // the register code
  converter.SelectFieldByName("VRD");
  EXPECT_EQ(converter.GetEnumValueCount(), 0u);
  EXPECT_EQ(converter.GetEnumValueItem(), 0);
}

TEST_F(CalibCursor, FieldBitUpdateWorksOnThePublicValue) {
  converter.UpdateUnpackedFieldBit(0, "269 CNT_INT_T::2", 0);
  EXPECT_EQ(FieldValue(converter, 0, "269 CNT_INT_T"), -672);
  converter.UpdateUnpackedFieldBit(0, "269 CNT_INT_T::3", 1);
  EXPECT_EQ(FieldValue(converter, 0, "269 CNT_INT_T"), -664);
  converter.UpdateUnpackedFieldBit(4, "VRD::0", 1);
  EXPECT_EQ(FieldValue(converter, 4, "VRD"), 1501);
  EXPECT_EQ(ErrorText([&] { converter.UpdateUnpackedFieldBit(0, "VRD::32", 1); }),
            "UpdateUnpackedFieldBit - ERROR, not supported to update other bits than in range "
            "0-31 (32)");
  EXPECT_EQ(ErrorText([&] { converter.UpdateUnpackedFieldBit(0, "VRD::-1", 1); }),
            "UpdateUnpackedFieldBit - ERROR, not supported to update other bits than in range "
            "0-31 (-1)");
  EXPECT_THROW(converter.UpdateUnpackedFieldBit(0, "VRD::x", 1), std::invalid_argument);
}

TEST_F(CalibCursor, Tv450HasNoSpecificFields) {
  converter.SelectFieldsPage(0);
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldByName("IMG_CTRL.HDR"); }),
            "SelectSpecificFieldByName - ERROR, not supported for specified camera model and "
            "EEPROM version");
  std::vector<calib_field_t> fields = converter.GetPages()[0]->unpacked_data;
  converter.UpdateUnpackedSpecificField(fields.data(), "IMG_CTRL.HDR", 1);
  EXPECT_EQ(std::memcmp(fields.data(), converter.GetPages()[0]->unpacked_data.data(),
                        fields.size() * sizeof(calib_field_t)),
            0);
}

TEST_F(CalibCursor, PackedPagesRefuseFieldAccess) {
  converter.SaveSensorModes();  // packs every page
  converter.SelectFieldsPage(0);
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldByIndex(0); }),
            "SelectFieldByIndex - Selected page was not unpacked");
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldByName("VRD"); }),
            "SelectFieldByName - Selected page was not unpacked");
}

TEST_F(CalibCursor, RepeatedPackAndUnpackLoseNothing) {
  converter.SelectFieldsPage(9);
  converter.SelectFieldByName("VRF");
  converter.SetFieldValueInt32(1111);
  converter.UnpackSensorModesData();  // the edited page stays as edited
  EXPECT_EQ(FieldValue(converter, 9, "VRF"), 1111);
  converter.PackSensorModesData();
  EXPECT_TRUE(converter.GetPages()[9]->IsPacked());
  converter.PackSensorModesData();  // packed pages keep their bytes
  std::vector<uint8_t> expected = calibtest::Tv450Image(1);
  expected[9 * 128 + 8] = 1111 & 0xFF;
  expected[9 * 128 + 9] = 1111 >> 8;
  EXPECT_EQ(Cache(), expected);
  converter.UnpackSensorModesData();
  EXPECT_EQ(FieldValue(converter, 9, "VRF"), 1111);
}

TEST_F(CalibCursor, DefaultsReplaceThePages) {
  converter.SelectFieldsPage(0);
  converter.SelectFieldByName("VRD");
  converter.SetFieldValueInt32(100);
  converter.UnpackSensorModesDefaultsData();  // the object's versions are 2.1
  EXPECT_EQ(FieldValue(converter, 0, "VRD"), 1500);
  EXPECT_FALSE(converter.GetPages()[127]->IsPacked());
}

TEST(CalibModeDefaults, ImageComesFromARowOfTheSameVersionsWhenTheDescriptionHasNone) {
  CalibDataDesc without = RegTV450KT_LN_W_V2_2_Def;
  without.mode_defaults = nullptr;
  CalibPages pages;
  CalibDataStructureConverter::LoadAndUnpackDstModeDefaults(calibtest::kTv450W, without, pages);
  ASSERT_EQ(pages.size(), 128u);
  EXPECT_EQ(pages[0]->unpacked_data[104].value, 31u);  // " 51 VRAMP_SLOPE" of 2.2
  EXPECT_FALSE(pages[0]->IsPacked());
  without.defaults_version = 7;
  EXPECT_EQ(ErrorText([&] {
              CalibDataStructureConverter::LoadAndUnpackDstModeDefaults(calibtest::kTv450W, without,
                                                                        pages);
            }),
            "LoadAndUnpackDstModeDefaults - ERROR mode defaults file is not defined");
  EXPECT_EQ(pages.size(), 128u);  // a failed load keeps the pages it had
}

class CalibSpecificFields : public testing::Test {
 protected:
  void SetUp() override { calibtest::ConfigureTestCamB(converter); }
  calibtest::TestCamBTable table;
  CalibDataStructureConverter converter;
};

TEST_F(CalibSpecificFields, BitsAreSelectedReadAndWrittenByName) {
  converter.SelectFieldsPage(1);  // IMG_CTRL holds 1
  converter.SelectFieldByName("IMG_CTRL.C0");
  EXPECT_EQ(converter.GetFieldValueInt32(), 1);
  converter.SelectFieldByName("IMG_CTRL.HDR");
  EXPECT_EQ(converter.GetFieldValueInt32(), 0);
  converter.SetFieldValueInt32(5);
  EXPECT_EQ(converter.GetSpecificFieldValueInt32(), 1);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 1, "IMG_CTRL"), 0x9u);
  converter.SetSpecificFieldValueInt32(0);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 1, "IMG_CTRL"), 0x1u);
  converter.SelectFieldByName("IMG_CTR2.HDR");
  converter.SetFieldValueInt32(1);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 1, "IMG_CTR2"), 0x20u);
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldByName("IMG_CTRL.D0"); }),
            "SelectSpecificFieldByName - ERROR, field name not present in unpacked calibration "
            "data (IMG_CTRL.D0)");
}

TEST_F(CalibSpecificFields, UpdateSetsTheNamedBitInEveryWord) {
  calib_field_t* fields = converter.GetPages()[2]->unpacked_data.data();
  converter.UpdateUnpackedSpecificField(fields, "ANY.HDR", 1);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 2, "IMG_CTRL"), 0x2u | 0x8u);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 2, "IMG_CTR2"), 0x20u);
  converter.UpdateUnpackedSpecificField(fields, "IMG_CTRL.HDR", 0);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 2, "IMG_CTRL"), 0x2u);
  EXPECT_EQ(calibtest::RawFieldValue(converter, 2, "IMG_CTR2"), 0u);
}

TEST_F(CalibSpecificFields, DottedFieldNameIsASpecificNameButAWholeFieldByIndex) {
  converter.SelectFieldsPage(0);
  EXPECT_EQ(ErrorText([&] { converter.SelectFieldByName("Vdd1.8A"); }),
            "SelectSpecificFieldByName - ERROR, field name not present in unpacked calibration "
            "data (Vdd1.8A)");
  converter.SelectFieldByIndex(8);
  EXPECT_EQ(converter.GetFieldValueInt32(), 1800);
}

TEST_F(CalibSpecificFields, SchemeBPagesSaveWithValidCheckBytes) {
  converter.SelectFieldsPage(3);
  converter.SelectFieldByName("A5");
  converter.SetFieldValueInt32(21);
  converter.SaveSensorModes();
  std::vector<uint8_t> modes(4 * 512);
  converter.GetRawData(modes.data(), static_cast<uint32_t>(modes.size()), 4);
  converter.SetRawData(modes.data(), static_cast<uint32_t>(modes.size()), 4);
  converter.UnpackSensorModesData();
  EXPECT_EQ(FieldValue(converter, 3, "A5"), 21);
  EXPECT_EQ(FieldValue(converter, 3, "Mode_ID"), 0x5A03);
  EXPECT_EQ(FieldValue(converter, 3, "GAIN"), 1400);
}

}  // namespace
