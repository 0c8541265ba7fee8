// Calibration summary, field CSV, page dumps and updates from CSV files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CalibDataStructureConverter.h"
#include "CalibForcedDefaults.h"
#include "CalibTestSupport.h"
#include "ProcessRunner.h"

namespace {

using calibtest::ErrorText;
using calibtest::FieldValue;
using calibtest::RawFieldValue;
using calibtest::ReadFileText;
using calibtest::WriteFileText;

const std::filesystem::path kGolden = QZ_GOLDEN_DIR;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "text does not end with CR LF";
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The first line and the lines that start with `prefix`.
std::string HeaderAndLinesOf(const std::string& text, const std::string& prefix) {
  const std::vector<std::string> lines = Lines(text);
  std::vector<std::string> kept = {lines.at(0)};
  for (const std::string& line : lines)
    if (line.starts_with(prefix)) kept.push_back(line);
  return Joined(kept);
}

// A TV450 "T-LN-W" converter with the 2.1 mode defaults unpacked over an
// erased image whose partition says 2.1.
class CalibFormats : public testing::Test {
 protected:
  void SetUp() override {
    calibtest::ConfigureTv450(converter);
    converter.CreatePartition();
    converter.SetCameraCalibDataVersion("02.01");
    converter.UnpackSensorModesDefaultsData();
  }
  std::string File(const char* name) const { return (dir.path() / name).string(); }
  void Update(const std::string& csv, int32_t first = 0, int32_t last = 127) {
    WriteFileText(File("update.csv"), csv);
    converter.UpdatePagesFromCsv(File("update.csv").c_str(), first, last);
  }
  testsupport::TempDir dir;
  CalibDataStructureConverter converter;
};

TEST_F(CalibFormats, SummaryTextOfPageZeroMatchesTheGoldenFile) {
  converter.WriteUnpackedCalibData(File("summary.txt").c_str(), false);
  const std::vector<std::string> lines = Lines(ReadFileText(File("summary.txt")));
  ASSERT_EQ(lines.size(), 128u * 41);
  const std::vector<std::string> page0(lines.begin(), lines.begin() + 41);
  EXPECT_EQ(Joined(page0), ReadFileText(kGolden / "tv450_v2_1_page0_summary.txt"));
  EXPECT_TRUE(lines[127 * 41 + 37].ends_with("| Mode_ID         :0x5A7F db |"));
}

TEST_F(CalibFormats, SummaryCsvOfPageZeroMatchesTheGoldenFile) {
  converter.WriteUnpackedCalibData(File("summary.csv").c_str(), true);
  const std::string text = ReadFileText(File("summary.csv"));
  EXPECT_EQ(Lines(text).size(), 1u + 128 * 148);
  EXPECT_EQ(HeaderAndLinesOf(text, "0x5A00,"),
            ReadFileText(kGolden / "tv450_v2_1_page0_summary.csv"));
  EXPECT_EQ(Lines(text).back(), "0x5A7F,Mode_ID,0x5A7F,db");
}

TEST_F(CalibFormats, FieldCsvOfPageZeroMatchesTheGoldenFile) {
  converter.WriteUnpackedCalibDataCsv(File("fields.csv").c_str());
  const std::string text = ReadFileText(File("fields.csv"));
  EXPECT_EQ(Lines(text).size(), 1u + 128 * 163);  // the two terminators have no type
  EXPECT_EQ(HeaderAndLinesOf(text, "0000,"), ReadFileText(kGolden / "tv450_v2_1_page0_fields.csv"));
  EXPECT_EQ(Lines(text).back(), "0127,_TM15,150");
}

TEST_F(CalibFormats, PageDumpOfPageZeroMatchesTheGoldenFile) {
  converter.WriteUnpackedPageData(File("page0.txt").c_str(), 0);
  EXPECT_EQ(ReadFileText(File("page0.txt")), ReadFileText(kGolden / "tv450_v2_1_page0_dump.txt"));
  EXPECT_EQ(ErrorText([&] { converter.WriteUnpackedPageData(File("x").c_str(), 128); }),
            "WriteUnpackedPageData - Page index too high (input 128, max. 128)");
  EXPECT_EQ(ErrorText([&] { converter.WriteUnpackedPageData(nullptr, 0); }),
            "WriteUnpackedPageData - File name is null");
}

TEST_F(CalibFormats, PackedPageDumpHoldsTheCurrentFields) {
  converter.WritePackedPageData(File("page.bin").c_str(), 7);
  const std::vector<uint8_t> before = calibtest::ReadFileBytes(File("page.bin"));
  ASSERT_EQ(before.size(), 128u);
  EXPECT_EQ(before[0], 0x07);
  EXPECT_EQ(before[1], 0x5A);
  Update("0x5A07,VRD,2.5,V\r\n");
  converter.WritePackedPageData(File("page.bin").c_str(), 7);
  const std::vector<uint8_t> after = calibtest::ReadFileBytes(File("page.bin"));
  EXPECT_EQ(after[4] | (after[5] << 8), 2500);
  EXPECT_EQ(ErrorText([&] { converter.WritePackedPageData(nullptr, 0); }),
            "WritePackedPageData - Data file is not defined");
  EXPECT_EQ(ErrorText([&] { converter.WritePackedPageData(File("nodir/x").c_str(), 0); }),
            "WritePackedPageData - Failed to open file for storing unpacked EEPROM data (" +
                File("nodir/x") + ")");
}

TEST_F(CalibFormats, WritersRefusePackedPagesAndLeaveTheOldFile) {
  WriteFileText(File("summary.txt"), "earlier summary\r\n");
  converter.SaveSensorModes();
  EXPECT_EQ(
      ErrorText([&] { converter.WriteUnpackedCalibData(File("summary.txt").c_str(), false); }),
      "WriteUnpackedCalibData - Cannot convert packed page data, please unpack them first");
  EXPECT_EQ(
      ErrorText([&] { converter.WriteUnpackedCalibDataCsv(File("summary.txt").c_str()); }),
      "WriteUnpackedCalibDataCsv - Cannot convert packed page data, please unpack them first");
  EXPECT_EQ(ReadFileText(File("summary.txt")), "earlier summary\r\n");
}

TEST_F(CalibFormats, WritersCheckNameModelAndFile) {
  EXPECT_EQ(ErrorText([&] { converter.WriteUnpackedCalibData(nullptr, true); }),
            "WriteUnpackedCalibData - File name is null");
  EXPECT_EQ(ErrorText([&] { converter.WriteUnpackedCalibDataCsv(nullptr); }),
            "WriteUnpackedCalibDataCsv - File name is null");
  EXPECT_EQ(
      ErrorText([&] { converter.WriteUnpackedCalibData(File("nodir/s.txt").c_str(), false); }),
      "WriteUnpackedCalibData - Failed to open file for storing unpacked EEPROM calibration data "
      "(" +
          File("nodir/s.txt") + ")");
  CalibDataStructureConverter empty;
  EXPECT_EQ(ErrorText([&] { empty.WriteUnpackedCalibData(File("s.txt").c_str(), false); }),
            "WriteUnpackedCalibData - Model name is not defined");
  empty.SetCameraModel(calibtest::kTv450W);
  EXPECT_EQ(ErrorText([&] { empty.WriteUnpackedCalibDataCsv(File("s.txt").c_str()); }),
            "WriteUnpackedCalibDataCsv - EEPROM data structure is not defined");
}

struct SetValCase {
  const char* name;
  const char* line;
  const char* field;
  uint32_t raw;
};

void PrintTo(const SetValCase& c, std::ostream* os) {
  *os << c.name;
}

class CalibCsvSetVal : public CalibFormats, public testing::WithParamInterface<SetValCase> {};

TEST_P(CalibCsvSetVal, LineStoresTheConvertedValue) {
  const SetValCase& c = GetParam();
  Update(std::string("Mode ID,Name,Value,Unit\r\n") + c.line + "\r\n");
  EXPECT_EQ(RawFieldValue(converter, 0, c.field), c.raw);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CalibCsvSetVal,
    testing::Values(SetValCase{"GainExact", "0x5A00,297 PGA_GAIN_T,1.6,x", "297 PGA_GAIN_T", 13},
                    SetValCase{"GainOffTable", "0x5A00,297 PGA_GAIN_T,1.45,x", "297 PGA_GAIN_T", 0},
                    SetValCase{"Plain", "0x5A00, 51 VRAMP_SLOPE,33,x", " 51 VRAMP_SLOPE", 33},
                    SetValCase{"PlainMasked", "0x5A00, 51 VRAMP_SLOPE,65,x", " 51 VRAMP_SLOPE", 1},
                    SetValCase{"Hex", "0x5A00,340 LVDS_T_EN,0x0F0,x", "340 LVDS_T_EN", 0xF0},
                    SetValCase{"HexWithoutPrefix", "0x5A00,340 LVDS_T_EN,1a,x", "340 LVDS_T_EN",
                               0x1A},
                    SetValCase{"Volts", "0x5A00,VRD,1.25,V", "VRD", 1250},
                    SetValCase{"VoltsRoundHalfAway", "0x5A00,VRF,1.0005,V", "VRF", 1001},
                    SetValCase{"Counter", "0x5A00,269 CNT_INT_T,-668,x", "269 CNT_INT_T", 2085636},
                    SetValCase{"Plain5", "0x5A00,HDR_GAIN,4500,x", "HDR_GAIN", 4500},
                    SetValCase{"LinearGainDb", "0x5A00,FFC_GAIN,-6.0206,db", "FFC_GAIN", 16384},
                    SetValCase{"TrailingCommaEmptyUnit", "0x5A00,VDRL,0.5,", "VDRL", 500},
                    // -668 with bit 2 cleared is -672, stored re-encoded.
                    SetValCase{"FieldBit", "0x5A00,269 CNT_INT_T::2,0,x", "269 CNT_INT_T", 2085236},
                    SetValCase{"LastPage", "0x5A7F,VRD,1.1,V", "VRD", 1500}));  // page 0 untouched

TEST_F(CalibFormats, UpdateReachesTheLastPageAndRefusesTheOneAfter) {
  Update("0x5A7F,VRD,1.1,V\r\n");
  EXPECT_EQ(RawFieldValue(converter, 127, "VRD"), 1100u);
  EXPECT_EQ(ErrorText([&] { Update("0x5A80,VRD,1.1,V\r\n"); }),
            "UpdatePagesFromCsv - CSV file contains invalid page number (curr. 128, max. 128)");
}

TEST_F(CalibFormats, UpdateIgnoresLinesThatNameNoField) {
  Update(
      "\xEF\xBB\xBFMode ID,Name,Value,Unit\n"
      "0x5B00,VRD,0.1,V\n"
      "0x5A01,,0.2,V\n"
      "0x5A01\n"
      "\n"
      "0x5A01,VRD,0.3,V\n"
      "0x5A01,VRD,0.4,V");  // later lines win; LF ends and no final end are fine
  EXPECT_EQ(RawFieldValue(converter, 0, "VRD"), 1500u);
  EXPECT_EQ(RawFieldValue(converter, 1, "VRD"), 400u);
}

TEST_F(CalibFormats, UpdateWindowSkipsEarlierPagesAndStopsAtALaterOne) {
  Update(
      "0x5A00,VRD,0.1,V\r\n"
      "0x5A01,VRD,0.1,V\r\n"
      "0x5A02,VRD,0.2,V\r\n"
      "0x5A04,VRD,0.4,V\r\n"
      "0x5A02,VRF,0.2,V\r\n"
      "0x5A03,VRD,0.3,V\r\n"
      "0x5AFF,VRD,0.3,V\r\n",  // never read
      2, 3);
  EXPECT_EQ(RawFieldValue(converter, 0, "VRD"), 1500u);
  EXPECT_EQ(RawFieldValue(converter, 1, "VRD"), 1500u);
  EXPECT_EQ(RawFieldValue(converter, 2, "VRD"), 200u);
  EXPECT_EQ(RawFieldValue(converter, 2, "VRF"), 1300u);
  EXPECT_EQ(RawFieldValue(converter, 3, "VRD"), 1500u);
  EXPECT_EQ(RawFieldValue(converter, 4, "VRD"), 1500u);
}

TEST_F(CalibFormats, UpdateRefusals) {
  EXPECT_EQ(ErrorText([&] { Update("0x5A00,326 TRAIN_DATA,1,x\r\n"); }),
            "RegTV450KT_LN_W_V2_1_Def::SetVal - error, could not find respective value in "
            "unpacked features list");
  EXPECT_EQ(ErrorText([&] { Update("0x5A00,VRD\r\n"); }),
            "RegTV450KT_LN_W_V2_1_Def::SetVal - error, value pointer is not valid");
  EXPECT_EQ(ErrorText([&] { Update("0x5A00,VRD,1,V\r\n", 3, 2); }),
            "UpdatePagesFromCsv - Invalid starting index (range <3,2>)");
  EXPECT_EQ(ErrorText([&] { Update("0x5A00,VRD,1,V\r\n", -1, 2); }),
            "UpdatePagesFromCsv - Invalid starting index (range <-1,2>)");
  EXPECT_THROW(Update("0x5AZZ,VRD,1,V\r\n"), std::invalid_argument);
  EXPECT_THROW(Update("0x5A00,VRD,volts,V\r\n"), std::invalid_argument);
  EXPECT_EQ(ErrorText([&] { converter.UpdatePagesFromCsv(nullptr, 0, 1); }),
            "UpdatePagesFromCsv - File name is null");
  converter.SaveSensorModes();
  EXPECT_EQ(ErrorText([&] { Update("0x5A00,VRD,1,V\r\n"); }),
            "UpdatePagesFromCsv - Cannot convert packed page data");
}

TEST_F(CalibFormats, UpdateFromAMissingFileChangesNothingAndSaysSo) {
  const std::string missing = File("mistyped.csv");
  EXPECT_EQ(ErrorText([&] { converter.UpdatePagesFromCsv(missing.c_str(), 0, 127); }),
            "UpdatePagesFromCsv - Failed to open file (" + missing + ")");
  EXPECT_EQ(ErrorText([&] { converter.UpdatePagesFromCsv(missing.c_str(), {0}); }),
            "UpdatePagesFromCsv - Failed to open file (" + missing + ")");
  EXPECT_EQ(ErrorText([&] { converter.UpdateAllPagesFromCsv(missing.c_str()); }),
            "UpdatePagesFromCsv - Failed to open file (" + missing + ")");
}

TEST_F(CalibFormats, UpdateNeedsLoadedPages) {
  CalibDataStructureConverter without_pages;
  calibtest::ConfigureTv450(without_pages);
  WriteFileText(File("u.csv"), "0x5A00,VRD,1,V\r\n");
  EXPECT_EQ(ErrorText([&] { without_pages.UpdatePagesFromCsv(File("u.csv").c_str(), 0, 1); }),
            "UpdatePagesFromCsv - Calibration data was not loaded");
  EXPECT_EQ(ErrorText([&] { without_pages.UpdatePagesFromCsv(File("u.csv").c_str(), {1}); }),
            "UpdatePagesFromCsv - Calibration data was not loaded");
  EXPECT_EQ(ErrorText([&] { converter.UpdatePagesFromCsv(File("u.csv").c_str(), {}); }),
            "UpdatePagesFromCsv - Provided pages list is empty");
  EXPECT_EQ(ErrorText([&] { converter.UpdateAllPagesFromCsv(nullptr); }),
            "UpdateAllPagesFromCsv - File name is null");
}

TEST_F(CalibFormats, ListFormAppliesListedPagesWithoutTheModeTest) {
  WriteFileText(File("u.csv"),
                "Mode ID,Name,Value,Unit\r\n"
                "0x5B00,VRD,0.1,V\r\n"
                "0x5A01,VRD,0.2,V\r\n"
                "0x5A02,VRD,0.3,V\r\n");
  converter.UpdatePagesFromCsv(File("u.csv").c_str(), {1, 0});
  EXPECT_EQ(RawFieldValue(converter, 0, "VRD"), 100u);  // "0x5B00" read as page 0
  EXPECT_EQ(RawFieldValue(converter, 1, "VRD"), 200u);
  EXPECT_EQ(RawFieldValue(converter, 2, "VRD"), 1500u);
  // "::" names are no bit names here: SetVal finds no such field.
  WriteFileText(File("bits.csv"), "0x5A00,VRD::0,1,V\r\n");
  EXPECT_EQ(ErrorText([&] { converter.UpdatePagesFromCsv(File("bits.csv").c_str(), {0}); }),
            "RegTV450KT_LN_W_V2_1_Def::SetVal - error, could not find respective value in "
            "unpacked features list");
  EXPECT_EQ(ErrorText([&] { converter.UpdatePagesFromCsv(File("u.csv").c_str(), {128}); }),
            "UpdatePagesFromCsv - Page index too high (input 128, max. 128)");
}

TEST_F(CalibFormats, UpdateAllPagesCoversEveryPage) {
  WriteFileText(File("u.csv"), "0x5A00,VRD,0.1,V\r\n0x5A7F,VRD,0.2,V\r\n");
  converter.UpdateAllPagesFromCsv(File("u.csv").c_str());
  EXPECT_EQ(RawFieldValue(converter, 0, "VRD"), 100u);
  EXPECT_EQ(RawFieldValue(converter, 127, "VRD"), 200u);
}

TEST_F(CalibFormats, WrittenSummaryCsvReadsBackToTheSameFields) {
  Update("0x5A05,VRD,1.234,V\r\n0x5A06,124 PGA_GAIN_B,2.2,x\r\n");
  converter.WriteUnpackedCalibData(File("s.csv").c_str(), true);
  const CalibPages& edited = converter.GetPages();
  std::vector<std::vector<calib_field_t>> before;
  for (const auto& page : edited) before.push_back(page->unpacked_data);
  converter.UnpackSensorModesDefaultsData();
  converter.UpdateAllPagesFromCsv(File("s.csv").c_str());
  for (uint32_t p = 0; p < 128; ++p)
    for (size_t i = 0; i < before[p].size(); ++i)
      ASSERT_EQ(converter.GetPages()[p]->unpacked_data[i].value, before[p][i].value)
          << "page " << p << " field " << i;
  EXPECT_EQ(FieldValue(converter, 6, "124 PGA_GAIN_B"), 2200);
}

class CalibSpecificFormats : public testing::Test {
 protected:
  void SetUp() override { calibtest::ConfigureTestCamB(converter); }
  std::string File(const char* name) const { return (dir.path() / name).string(); }
  calibtest::TestCamBTable table;
  testsupport::TempDir dir;
  CalibDataStructureConverter converter;
};

TEST_F(CalibSpecificFormats, SummariesListTheBitsOfEachControlWord) {
  converter.WriteUnpackedCalibData(File("s.txt").c_str(), false);
  const std::vector<std::string> text = Lines(ReadFileText(File("s.txt")));
  ASSERT_EQ(text.size(), 4u * (3 + 32 + 3));
  EXPECT_EQ(text[0], "| GAIN               :1.4 x\t| VRD              :1.500 V |");
  EXPECT_EQ(text[3], "IMG_CTRL.C0 : 0");
  EXPECT_EQ(text[38 + 3], "IMG_CTRL.C0 : 1");  // page 1: IMG_CTRL holds 1
  EXPECT_EQ(text[38 + 3 + 16 + 5], "IMG_CTR2.HDR : 0");
  converter.WriteUnpackedCalibData(File("s.csv").c_str(), true);
  const std::vector<std::string> csv = Lines(ReadFileText(File("s.csv")));
  ASSERT_EQ(csv.size(), 1u + 4 * (6 + 32));
  EXPECT_EQ(csv[1], "0x5A00,GAIN,1.4,x");
  EXPECT_EQ(csv[7], "0x5A00,IMG_CTRL.C0,0,");
  EXPECT_EQ(csv[38 + 7], "0x5A01,IMG_CTRL.C0,1,");
}

TEST_F(CalibSpecificFormats, CsvUpdateSetsSpecificBitsAndSkipsDottedFieldNames) {
  calibtest::WriteFileText(File("u.csv"),
                           "0x5A00,IMG_CTRL.HDR,1,\r\n"
                           "0x5A00,Vdd1.8A,1.7,V\r\n"
                           "0x5A00,VRD,1.7,V\r\n");
  converter.UpdatePagesFromCsv(File("u.csv").c_str(), 0, 3);
  EXPECT_EQ(RawFieldValue(converter, 0, "IMG_CTRL"), 0x8u);
  EXPECT_EQ(RawFieldValue(converter, 0, "IMG_CTR2"), 0x20u);
  EXPECT_EQ(RawFieldValue(converter, 0, "Vdd1.8A"), 1800u);  // taken as word "Vdd1", bit "8A"
  EXPECT_EQ(RawFieldValue(converter, 0, "VRD"), 1700u);
}

TEST(CalibForcedDefaultsCsv, ListsPagesAndNamesOfItsLines) {
  const char* kText =
      "Mode ID,Name,Value,Unit\r\n"
      "0x5A00,297 PGA_GAIN_T,1.4,x\r\n"
      "0x5A00,124 PGA_GAIN_B,1.4,x\r\n"
      "0x5A00, 51 VRAMP_SLOPE,29,x\r\n"
      "0x5A00,VRD,1.500,V\r\n"
      "0x5A00,269 CNT_INT_T,-668,x\r\n"
      "0x5A00, 96 CNT_INT_B,-668,x\r\n"
      "0x5A00, 44 DIG_GAIN, 8,x\r\n"
      "0x5A00,VLDC,2.000,V\r\n"
      "0x5A00,158 V_CLIP_SIG_LG, 2,x\r\n"
      "0x5A00,152 V_CLIP_SIG_HG, 0,x\r\n"
      "0x5A00,139 V_CLIP_EN, 1,x\r\n"
      "0x5A00,VRF,1.300,V\r\n"
      "0x5A00,146 V_CLIP_RST_LG, 0,x\r\n"
      "0x5A00,140 V_CLIP_RST_HG,41,x\r\n"
      "0x5A00,134 I_DRIV_CLIP, 8,x\r\n"
      "0x5A1F,,1,x\r\n";
  const CalibForcedDefaults forced(kText);
  EXPECT_EQ(forced.size(), 15u);
  EXPECT_TRUE(forced.Contains(0, "297 PGA_GAIN_T"));
  EXPECT_TRUE(forced.Contains(0, " 51 VRAMP_SLOPE"));
  EXPECT_FALSE(forced.Contains(0, "51 VRAMP_SLOPE"));
  EXPECT_FALSE(forced.Contains(1, "VRD"));
  EXPECT_FALSE(forced.Contains(0, "Name"));
  EXPECT_EQ(CalibForcedDefaults("0x5A03,VRD,1,V\n0x5A04,VRF,1,V").size(), 2u);
  EXPECT_TRUE(CalibForcedDefaults("0x5A03,VRD,1,V\n").Contains(3, "VRD"));
  EXPECT_EQ(CalibForcedDefaults(nullptr).size(), 0u);
}

}  // namespace
