// The compatibility table's lookups and the TV450 definitions.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "CalibCompatibilityTable.h"
#include "CalibDataStructureConverter.h"
#include "CalibModeDefaults.h"
#include "CalibPacking.h"
#include "CalibTestSupport.h"
#include "ProcessRunner.h"
#include "Tv450Definitions.h"

namespace {

using calibtest::ErrorText;
using calibtest::kTv450H;
using calibtest::kTv450W;

struct CpuCase {
  const char* version;
  int structure;  // 0: no row
  int defaults;
};

void PrintTo(const CpuCase& c, std::ostream* os) {
  *os << "\"" << c.version << "\"";
}

class CalibCpuVersions : public testing::TestWithParam<CpuCase> {};

TEST_P(CalibCpuVersions, CurrentFirmwareChoosesTheLastRowOfItsRange) {
  const CpuCase& c = GetParam();
  CalibDataStructureConverter converter;
  converter.SetCameraModel(kTv450H);
  if (c.structure == 0) {
    EXPECT_EQ(ErrorText([&] { converter.SetCurrentCpuFirmwareVersion(c.version); }),
              std::string("GetEepromDataStructVersionForCurrentCpu - Missing EEPROM data structure "
                          "definition (TV450KT-T-LN-H and current CPU firmware ") +
                  c.version + ")");
    EXPECT_FALSE(converter.IsCpuFirmwareVersionSupported(c.version));
    return;
  }
  converter.SetCurrentCpuFirmwareVersion(c.version);
  EXPECT_EQ(converter.GetStructureVersion(), c.structure);
  EXPECT_EQ(converter.GetDefaultsVersion(), c.defaults);
  EXPECT_EQ(converter.GetEepromDataStructVersionForCurrentCpu(), c.structure);
  EXPECT_EQ(converter.GetCameraModeDefaultsVersionForCurrentCpu(), c.defaults);
  EXPECT_TRUE(converter.IsCpuFirmwareVersionSupported(c.version));
}

INSTANTIATE_TEST_SUITE_P(Tv450, CalibCpuVersions,
                         testing::Values(CpuCase{"01.02", 2, 3}, CpuCase{"3.99", 2, 3},
                                         CpuCase{"02.00", 2, 3}, CpuCase{"01.01", 0, 0},
                                         CpuCase{"04.00", 0, 0}, CpuCase{"00.00", 0, 0},
                                         CpuCase{"", 0, 0}));

TEST(CalibCompatibility, VersionLookupsNeedModelAndFirmware) {
  CalibDataStructureConverter converter;
  EXPECT_EQ(ErrorText([&] { converter.GetEepromDataStructVersionForCurrentCpu(); }),
            "GetEepromDataStructVersionForCurrentCpu - Model name is not defined");
  EXPECT_EQ(ErrorText([&] { converter.IsCpuFirmwareVersionSupported("02.00"); }),
            "IsCpuFirmwareVersionSupported - Model name is not defined");
  EXPECT_EQ(ErrorText([&] { converter.IsEEPROMStructModeDefaultsVersionSupported(2, 1); }),
            "IsEEPROMStructModeDefaultsVersionSupported - Model name is not defined");
  converter.SetCameraModel(kTv450W);
  EXPECT_EQ(ErrorText([&] { converter.GetCameraModeDefaultsVersionForCurrentCpu(); }),
            "GetCameraModeDefaultsVersionForCurrentCpu - Current firmware version is not defined");
  EXPECT_EQ(ErrorText([&] { converter.IsEEPROMStructModeDefaultsVersionSupported(2, 1); }),
            "IsEEPROMStructModeDefaultsVersionSupported - Current firmware version is not defined");
}

TEST(CalibCompatibility, StructureAndDefaultsPairsOfTheCurrentFirmware) {
  CalibDataStructureConverter converter;
  converter.SetCameraModel(kTv450W);
  converter.SetCurrentCpuFirmwareVersion("02.10");
  for (uint8_t defaults : {1, 2, 3})
    EXPECT_TRUE(converter.IsEEPROMStructModeDefaultsVersionSupported(2, defaults)) << +defaults;
  EXPECT_FALSE(converter.IsEEPROMStructModeDefaultsVersionSupported(2, 4));
  EXPECT_FALSE(converter.IsEEPROMStructModeDefaultsVersionSupported(3, 1));
}

TEST(CalibCompatibility, ModelPatternsAreSearchedFromTheStart) {
  const std::pair<const char*, bool> models[] = {
      {"TV450KT-T-LN-W", true},
      {"TV450 T-LN-H 12M", true},
      {"TV450KT-T-LN-Hx", true},
      {"XTV450KT-T-LN-W", false},
      {"TV450KT-T-LN-X", false},
      {"tv450KT-T-LN-W", false},
      {"", false},
  };
  for (const auto& [model, supported] : models)
    EXPECT_EQ(CalibDataStructureConverter::IsCameraModelSupported(model), supported) << model;
  EXPECT_FALSE(CalibDataStructureConverter::IsCameraModelSupported(nullptr));
}

TEST(CalibCompatibility, CurrentCalibInfoTakesTheRowOfModelAndVersions) {
  calibtest::DebugRecorder recorder;
  CalibDataDesc desc{};
  ASSERT_TRUE(CalibDataStructureConverter::GetCurrentCalibInfo(&desc, kTv450H, 2, 2));
  EXPECT_STREQ(desc.model_pattern, "^TV450.*T-LN-H.*");
  EXPECT_EQ(desc.mode_defaults, kTV450KT_LN_V2_2_ModeDefaults);
  std::vector<calib_field_t> fields(kTv450FieldTemplate, kTv450FieldTemplate + kTv450FieldsCount);
  EXPECT_EQ(ErrorText([&] { desc.SetVal(fields.data(), "VRD", nullptr); }),
            "RegTV450KT_LN_H_V2_2_Def::SetVal - error, value pointer is not valid");
  recorder.texts.clear();
  EXPECT_FALSE(CalibDataStructureConverter::GetCurrentCalibInfo(&desc, kTv450W, 2, 4));
  ASSERT_EQ(recorder.texts.size(), 1u);
  EXPECT_EQ(recorder.texts[0],
            "GetCurrentCalibInfo - CDS definition not available (TV450KT-T-LN-W 02.04)\n");
  EXPECT_EQ(
      ErrorText([&] { CalibDataStructureConverter::GetCurrentCalibInfo(nullptr, kTv450W, 2, 1); }),
      "GetCurrentCalibInfo - Invalid input parameters");
  EXPECT_EQ(ErrorText([&] { CalibDataStructureConverter::GetCurrentCalibInfo(&desc, "", 2, 1); }),
            "GetCurrentCalibInfo - Model name is not defined");
}

TEST(CalibCompatibility, DescriptionFollowsTheVersionsOfTheLoadedPartition) {
  CalibDataStructureConverter converter;
  calibtest::ConfigureTv450(converter);
  EXPECT_EQ(converter.GetPagesCount(), 128u);  // made for 2.3
  const std::vector<uint8_t> image = calibtest::Tv450Image(1);
  converter.SetRawData(image.data(), 0x10000, 1);
  converter.UnpackSensorModesData();
  converter.SelectFieldsPage(0);
  converter.SelectFieldByName("VRD");
  // The copy in use is the 2.1 one: its SetVal names its class.
  testsupport::TempDir dir;
  calibtest::WriteFileText(dir.path() / "u.csv", "0x5A00,VRD\r\n");
  EXPECT_EQ(ErrorText([&] { converter.UpdatePagesFromCsv((dir.path() / "u.csv").c_str(), 0, 1); }),
            "RegTV450KT_LN_W_V2_1_Def::SetVal - error, value pointer is not valid");
}

TEST(CalibCompatibility, AssociationsNameTheCpu1Firmware) {
  using C = CalibDataStructureConverter;
  uint32_t value = 0;
  C::GetAssociatedFwType(kTv450W, &value);
  EXPECT_EQ(value, 1u);
  C::GetAssocQzFwType(kTv450H, &value);
  EXPECT_EQ(value, 2u);
  C::GetAccocDevUnitSelector(kTv450W, &value);
  EXPECT_EQ(value, 6u);
  char name[13];
  C::GetAssocFfsFileName(kTv450W, name, sizeof name);
  EXPECT_STREQ(name, "File_FW_CPU1");
  EXPECT_EQ(ErrorText([&] { C::GetAssocFfsFileName(kTv450W, name, 12); }),
            "GetAssocFfsFileName - Input buffer is too small.");
  EXPECT_EQ(ErrorText([&] { C::GetAssociatedFwType(nullptr, &value); }),
            "GetAssociatedFwType - Input value is not valid.");
  EXPECT_EQ(ErrorText([&] { C::GetAssocQzFwType(kTv450W, nullptr); }),
            "GetAssocQzFwType - Input value is not valid.");
  EXPECT_EQ(ErrorText([&] { C::GetAccocDevUnitSelector("TR999", &value); }),
            "GetAccocDevUnitSelector - Value is not defined.");
}

// Every built-in row must describe what its template and image really hold.
TEST(CalibCompatibility, EveryRowIsConsistentWithItsTemplateAndImage) {
  for (const CalibDataDesc& row : GetCalibCompatibilityTable()) {
    SCOPED_TRACE(row.model_pattern + std::string(" ") + std::to_string(row.defaults_version));
    ASSERT_EQ(row.entry_size, sizeof(calib_field_t));
    ASSERT_EQ(row.unpacked_page_size, row.fields_count * row.entry_size);
    ASSERT_EQ(row.GetFieldsCount(), row.fields_count);
    ASSERT_EQ(row.packed_page_size, kSchemeAPageSize);
    // Chain bits and words fill the page; both lists end inside the template.
    uint32_t entry = 0;
    uint32_t chain_bits = 0;
    for (; CalibFieldWidth(row.field_template[entry]) != 0; ++entry)
      chain_bits += CalibFieldWidth(row.field_template[entry]);
    uint32_t words = 0;
    for (++entry; CalibFieldWidth(row.field_template[entry]) != 0; ++entry) ++words;
    EXPECT_EQ(entry + 1, row.fields_count);
    EXPECT_EQ(chain_bits / 8 + words * 2, row.packed_page_size);
    // The grid names fields of the template and ends with the mode identifier.
    std::vector<calib_data_entry> items;
    row.GetCalibData(row.field_template, items, true);
    ASSERT_EQ(items.size(), row.GetCalibRowsCount() * row.GetCalibColumnsCount());
    EXPECT_EQ(items.back().name, "Mode_ID");
    ASSERT_NE(row.mode_defaults, nullptr);
    for (uint32_t p = 0; p < row.pages_count; ++p) {
      const uint8_t* page = row.mode_defaults + p * row.packed_page_size;
      ASSERT_EQ(page[0] | (page[1] << 8), 0x5A00 + static_cast<int>(p)) << "page " << p;
    }
  }
}

TEST(CalibTv450Definitions, DefaultsImagesHoldTheFactoryValues) {
  // Read straight from the bytes: words from byte 0, chain bit n in byte 80 + n / 8.
  const uint8_t* v21 = kTV450KT_LN_V2_1_ModeDefaults;
  EXPECT_EQ(v21[4] | (v21[5] << 8), 1500);                   // VRD
  EXPECT_EQ(calibtest::ChainBits(v21, 302, 297), 11u);       // 297 PGA_GAIN_T
  EXPECT_EQ(calibtest::ChainBits(v21, 129, 124), 11u);       // 124 PGA_GAIN_B
  EXPECT_EQ(calibtest::ChainBits(v21, 289, 269), 2085636u);  // 269 CNT_INT_T
  EXPECT_EQ(calibtest::ChainBits(v21, 383, 379), 8u);        // 379 I_VBN_VTEST
  const uint8_t* last = v21 + 127 * 128;
  EXPECT_EQ(last[0] | (last[1] << 8), 0x5A7F);
  // Each later version changes a few defaults.
  const uint8_t* v22 = kTV450KT_LN_V2_2_ModeDefaults;
  const uint8_t* v23 = kTV450KT_LN_V2_3_ModeDefaults;
  EXPECT_EQ(calibtest::ChainBits(v21, 56, 51), 29u);  // " 51 VRAMP_SLOPE"
  EXPECT_EQ(calibtest::ChainBits(v22, 56, 51), 31u);
  EXPECT_EQ(v22[6] | (v22[7] << 8), 2050);    // VLDC
  EXPECT_EQ(v22[34] | (v22[35] << 8), 4300);  // HDR_GAIN
  EXPECT_EQ(v23[34] | (v23[35] << 8), 4500);
  EXPECT_EQ(v23[44] | (v23[45] << 8), 1024);  // FFC_OT
  EXPECT_EQ(std::memcmp(v21 + 128, v22 + 128, 128) == 0, false);
}

TEST(CalibTv450Definitions, TemplateDefaultsReadAsDocumented) {
  const CalibDataDesc& def = RegTV450KT_LN_W_V2_1_Def;
  const calib_field_t& gain = kTv450FieldTemplate[43];
  EXPECT_STREQ(gain.name, "297 PGA_GAIN_T");
  EXPECT_EQ(def.GetFieldType(gain), 6u);
  EXPECT_EQ(def.GetFieldValue(gain), 1200);
  EXPECT_EQ(def.GetFieldValue(kTv450FieldTemplate[48]), -668);  // "269 CNT_INT_T"
  EXPECT_EQ(gain.descriptor, 0x4006u);
  EXPECT_EQ(def.GetSpecificFields, nullptr);
  EXPECT_EQ(def.GetCalibRowsCount(), 38u);
  EXPECT_EQ(def.GetCalibColumnsCount(), 4u);
}

TEST(CalibTv450Definitions, GeneratorReproducesTheCommittedImages) {
  testsupport::TempDir dir;
  const testsupport::RunResult run =
      testsupport::RunProgram(QZ_DEFAULTS_GENERATOR, {dir.path().string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  for (const char* name : {"TV450KT_LN_V2_1.bin", "TV450KT_LN_V2_2.bin", "TV450KT_LN_V2_3.bin"}) {
    const std::vector<uint8_t> generated = calibtest::ReadFileBytes(dir.path() / name);
    EXPECT_EQ(generated.size(), kTv450ModeDefaultsSize) << name;
    EXPECT_EQ(generated, calibtest::ReadFileBytes(std::filesystem::path(QZ_DEFAULTS_DIR) / name))
        << name;
  }
}

// Load a whole image, unpack every page and write the summary text and CSV.
TEST(CalibPerformance, WholeImageToSummaryTextAndCsv) {
  testsupport::TempDir dir;
  const auto image_file = dir.path() / "eeprom.bin";
  const std::vector<uint8_t> image = calibtest::Tv450Image(3);
  calibtest::WriteFileText(image_file, std::string(image.begin(), image.end()));
  const auto start = std::chrono::steady_clock::now();
  CalibDataStructureConverter converter;
  calibtest::ConfigureTv450(converter);
  converter.ReadRawData(image_file.c_str(), 1);
  converter.UnpackSensorModesData();
  converter.WriteUnpackedCalibData((dir.path() / "summary.txt").c_str(), false);
  converter.WriteUnpackedCalibData((dir.path() / "summary.csv").c_str(), true);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("64 KiB TV450 image to summary text and CSV: %.1f ms host time\n", ms);
  RecordProperty("host_ms", std::to_string(ms));
#if defined(__SANITIZE_ADDRESS__)
  constexpr double kLimitMs = 2000;  // instrumented build
#else
  constexpr double kLimitMs = 100;
#endif
  EXPECT_LT(ms, kLimitMs);
}

}  // namespace
