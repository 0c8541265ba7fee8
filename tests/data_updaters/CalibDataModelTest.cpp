// The EEPROM image, its data areas and its partition record.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "CalibDataPage.h"
#include "CalibDataStructureConverter.h"
#include "CalibTestSupport.h"
#include "ProcessRunner.h"

namespace {

using calibtest::ErrorText;
using testsupport::TempDir;

std::vector<uint8_t> Cache(CalibDataStructureConverter& converter, uint32_t type = 1,
                           uint32_t size = 0x10000) {
  std::vector<uint8_t> bytes(size);
  converter.GetRawData(bytes.data(), size, type);
  return bytes;
}

// The two versions as the partition reports them; 77 where it reports none.
std::pair<int, int> ReportedVersions(CalibDataStructureConverter& converter) {
  uint8_t structure = 77;
  uint8_t defaults = 77;
  converter.GetCalibrationDataStructureVersion(structure);
  converter.GetCameraModeDefaultsVersion(defaults);
  return {structure, defaults};
}

TEST(CalibDataModel, FreshCacheReadsAsErasedWithoutPartitionOrVersions) {
  CalibDataStructureConverter converter;
  converter.AllocateCacheIfNeeded();
  const std::vector<uint8_t> bytes = Cache(converter, 3, 256);
  EXPECT_EQ(bytes, std::vector<uint8_t>(256, 0xFF));
  EXPECT_FALSE(converter.IsPartitionValid());
  EXPECT_EQ(ReportedVersions(converter), std::make_pair(77, 77));
  EXPECT_EQ(converter.GetUpdateInProgressFlag(), 0);
}

TEST(CalibDataModel, CreatePartitionWritesTheFreshRecordAndNothingElse) {
  CalibDataStructureConverter converter;
  converter.CreatePartition();
  const std::vector<uint8_t> area = Cache(converter, 3, 256);
  std::vector<uint8_t> expected(256, 0xFF);
  std::fill(expected.begin(), expected.begin() + 180, 0);
  const std::pair<size_t, uint8_t> bytes[] = {
      {0, 0xCA},   {1, 0x1B},   {6, 180},    {8, 3},      {113, 0x40}, {116, 0xFF},
      {117, 0xFF}, {121, 0xFE}, {125, 0x01}, {133, 0xFF}, {137, 0x01},
  };
  for (const auto& [offset, value] : bytes) expected[offset] = value;
  EXPECT_EQ(area, expected);
  EXPECT_TRUE(converter.IsPartitionValid());
  EXPECT_EQ(ReportedVersions(converter), std::make_pair(77, 77));
  EXPECT_EQ(converter.GetUpdateInProgressFlag(), 0);
  // The last area stays as it was.
  const std::vector<uint8_t> tail = Cache(converter, 3, 512);
  EXPECT_EQ(std::vector<uint8_t>(tail.begin() + 256, tail.end()), std::vector<uint8_t>(256, 0xFF));
}

struct VersionByteCase {
  const char* name;
  uint8_t stored;
  bool structure_reported;
  bool defaults_reported;
};

void PrintTo(const VersionByteCase& c, std::ostream* os) {
  *os << c.name;
}

class CalibVersionBytes : public testing::TestWithParam<VersionByteCase> {};

TEST_P(CalibVersionBytes, ReadBackFollowsTheByteRules) {
  const VersionByteCase& c = GetParam();
  CalibDataStructureConverter converter;
  converter.CreatePartition();
  converter.SetCalibrationDataStructureVersion(c.stored);
  converter.SetCameraModeDefaultsVersion(c.stored);
  const std::vector<uint8_t> area = Cache(converter, 3, 256);
  EXPECT_EQ(area[116], c.stored);
  EXPECT_EQ(area[117], c.stored);
  EXPECT_EQ(ReportedVersions(converter), std::make_pair(c.structure_reported ? c.stored : 77,
                                                        c.defaults_reported ? c.stored : 77));
}

INSTANTIATE_TEST_SUITE_P(Bytes, CalibVersionBytes,
                         testing::Values(VersionByteCase{"Nine", 9, true, true},
                                         VersionByteCase{"Zero", 0, false, true},
                                         VersionByteCase{"Erased", 0xFF, false, false}));

TEST(CalibDataModel, UpdateInProgressFlagIsStoredInTheRecord) {
  CalibDataStructureConverter converter;
  converter.CreatePartition();
  converter.SetUpdateInProgressFlag(1);
  EXPECT_EQ(Cache(converter, 3, 256)[42], 1);
  EXPECT_EQ(converter.GetUpdateInProgressFlag(), 1);
  converter.SetUpdateInProgressFlag(0xFF);
  EXPECT_EQ(converter.GetUpdateInProgressFlag(), 0);
}

TEST(CalibDataModel, CalibDataVersionStringSetsBothBytesAndTheObject) {
  CalibDataStructureConverter converter;
  converter.CreatePartition();
  converter.SetCameraCalibDataVersion("02.01");
  const std::vector<uint8_t> area = Cache(converter, 3, 256);
  EXPECT_EQ(area[116], 2);
  EXPECT_EQ(area[117], 1);
  EXPECT_EQ(converter.GetStructureVersion(), 2);
  EXPECT_EQ(converter.GetDefaultsVersion(), 1);
}

TEST(CalibDataModel, CalibDataVersionStringRefusals) {
  CalibDataStructureConverter without_cache;
  EXPECT_EQ(ErrorText([&] { without_cache.SetCameraCalibDataVersion("02.01"); }),
            "SetCameraCalibDataVersion - Raw data cache not allocated");
  CalibDataStructureConverter converter;
  converter.CreatePartition();
  EXPECT_EQ(ErrorText([&] { converter.SetCameraCalibDataVersion(nullptr); }),
            "SetCameraCalibDataVersion - Version is null");
  for (const char* version : {"0201", "02.01.03", ""}) {
    EXPECT_EQ(ErrorText([&] { converter.SetCameraCalibDataVersion(version); }),
              "SetCameraDataVersion - Version string does not contain major/minor definition")
        << version;
  }
  EXPECT_THROW(converter.SetCameraCalibDataVersion("ab.01"), std::invalid_argument);
}

TEST(CalibDataModel, VersionAccessorsNeedTheCache) {
  CalibDataStructureConverter converter;
  uint8_t version = 0;
  const std::pair<const char*, std::function<void()>> calls[] = {
      {"SetCalibrationDataStructureVersion",
       [&] { converter.SetCalibrationDataStructureVersion(1); }},
      {"GetCalibrationDataStructureVersion",
       [&] { converter.GetCalibrationDataStructureVersion(version); }},
      {"SetCameraModeDefaultsVersion", [&] { converter.SetCameraModeDefaultsVersion(1); }},
      {"GetCameraModeDefaultsVersion", [&] { converter.GetCameraModeDefaultsVersion(version); }},
      {"SetUpdateInProgressFlag", [&] { converter.SetUpdateInProgressFlag(1); }},
      {"GetUpdateInProgressFlag", [&] { converter.GetUpdateInProgressFlag(); }},
  };
  for (const auto& [name, call] : calls)
    EXPECT_EQ(ErrorText(call), std::string(name) + " - Raw data cache not allocated");
}

struct RangeCase {
  const char* version;
  const char* from;
  const char* to;
  bool in_range;
};

void PrintTo(const RangeCase& c, std::ostream* os) {
  *os << "\"" << c.version << "\" in " << c.from << ".." << c.to;
}

class CalibVersionRange : public testing::TestWithParam<RangeCase> {};

TEST_P(CalibVersionRange, ComparesMajorThenMinor) {
  const RangeCase& c = GetParam();
  EXPECT_EQ(CalibDataStructureConverter::IsVersionInRange(c.version, c.from, c.to), c.in_range);
}

INSTANTIATE_TEST_SUITE_P(Cases, CalibVersionRange,
                         testing::Values(RangeCase{"01.40", "01.30", "01.40", true},
                                         RangeCase{"01.41", "01.30", "01.40", false},
                                         RangeCase{"01.30", "01.30", "01.40", true},
                                         RangeCase{"01.29", "01.30", "01.40", false},
                                         RangeCase{"1.4", "01.04", "01.04", true},
                                         RangeCase{"02.00", "01.02", "03.99", true},
                                         RangeCase{"03.100", "01.02", "03.99", false},
                                         RangeCase{"4", "03.99", "04.00", true},
                                         RangeCase{"", "00.00", "00.00", true},
                                         RangeCase{"", "01.02", "03.99", false}));

TEST(CalibDataModel, VersionRangeAndSplitRefuseNullTexts) {
  using C = CalibDataStructureConverter;
  int32_t major = 0;
  int32_t minor = 0;
  EXPECT_EQ(ErrorText([] { C::IsVersionInRange(nullptr, "1.0", "1.0"); }),
            "IsVersionInRange ERROR - Invalid current version string");
  EXPECT_EQ(ErrorText([] { C::IsVersionInRange("1.0", nullptr, "1.0"); }),
            "IsVersionInRange ERROR - ThrowCDSError invalid version from string");
  EXPECT_EQ(ErrorText([] { C::IsVersionInRange("1.0", "1.0", nullptr); }),
            "IsVersionInRange ERROR - Invalid version to string");
  EXPECT_EQ(ErrorText([&] { C::SplitVersionString(nullptr, &major, &minor); }),
            "SplitVersionString ERROR - Invalid version string");
  EXPECT_EQ(ErrorText([&] { C::SplitVersionString("1.0", nullptr, &minor); }),
            "SplitVersionString ERROR - Invalid major version pointer");
  EXPECT_EQ(ErrorText([&] { C::SplitVersionString("1.0", &major, nullptr); }),
            "SplitVersionString ERROR - Invalid minor version pointer");
  C::SplitVersionString("03.15", &major, &minor);
  EXPECT_EQ(major, 3);
  EXPECT_EQ(minor, 15);
}

TEST(CalibDataModel, DataTypesMapToTheirAreas) {
  const struct {
    uint32_t type, offset, size;
  } areas[] = {{1, 0, 0x10000}, {2, 0, 0xFF00}, {3, 0xFE00, 0x100}, {4, 0, 0x4000}};
  for (const auto& area : areas) {
    uint32_t offset = 1;
    uint32_t size = 1;
    CalibDataStructureConverter::GetDataTypeDescription(area.type, &offset, &size);
    EXPECT_EQ(offset, area.offset) << area.type;
    EXPECT_EQ(size, area.size) << area.type;
  }
  uint32_t value = 0;
  EXPECT_EQ(
      ErrorText([&] { CalibDataStructureConverter::GetDataTypeDescription(5, &value, &value); }),
      "GetDataTypeDescription - Unknown data type selected (5)");
  EXPECT_EQ(
      ErrorText([&] { CalibDataStructureConverter::GetDataTypeDescription(1, nullptr, &value); }),
      "GetDataTypeDescription - Partition base is null");
  EXPECT_EQ(
      ErrorText([&] { CalibDataStructureConverter::GetDataTypeDescription(1, &value, nullptr); }),
      "GetDataTypeDescription - Partition size is null");
  EXPECT_EQ(ErrorText([] { CalibDataStructureConverter::GetCameraModesTableDataInfo(nullptr); }),
            "GetCameraModesTableDataInfo - Partition info is null");
  CalibDataInfo info{0, 0, 1234};
  CalibDataStructureConverter::GetCameraModesAndPartitionDataInfo(&info);
  EXPECT_EQ(info.offset, 0u);
  EXPECT_EQ(info.size, 0xFF00u);
  EXPECT_EQ(info.reserved, 1234u);
}

TEST(CalibDataModel, ReadRawDataRefusesAFileLargerThanItsArea) {
  TempDir dir;
  const auto file = dir.path() / "big.bin";
  calibtest::WriteFileText(file, std::string(70000, 'x'));
  CalibDataStructureConverter converter;
  EXPECT_EQ(ErrorText([&] { converter.ReadRawData(file.c_str(), 1); }),
            "ReadRawData - Failed to open file (expected 65536, read 70000)");
  EXPECT_EQ(ErrorText([&] { converter.ReadRawData((dir.path() / "none").c_str(), 1); }),
            "ReadRawData - Failed to open file (" + (dir.path() / "none").string() + ")");
  EXPECT_EQ(ErrorText([&] { converter.ReadRawData(nullptr, 1); }),
            "ReadRawData - File name is not defined");
  EXPECT_EQ(ErrorText([&] { converter.ReadRawData(file.c_str(), 5); }),
            "GetDataTypeDescription - Unknown data type selected (5)");
}

TEST(CalibDataModel, ShortPartitionFileFillsTheStartOfItsArea) {
  TempDir dir;
  const auto file = dir.path() / "partition.bin";
  std::string bytes(100, '\0');
  bytes[0] = '\xCA';
  bytes[1] = '\x1B';
  calibtest::WriteFileText(file, bytes);
  CalibDataStructureConverter converter;  // no model: the partition needs none
  converter.ReadRawData(file.c_str(), 3);
  const std::vector<uint8_t> area = Cache(converter, 3, 256);
  EXPECT_EQ(std::vector<uint8_t>(area.begin(), area.begin() + 100),
            std::vector<uint8_t>(bytes.begin(), bytes.end()));
  EXPECT_EQ(std::vector<uint8_t>(area.begin() + 100, area.end()), std::vector<uint8_t>(156, 0xFF));
  EXPECT_TRUE(converter.IsPartitionValid());
}

TEST(CalibDataModel, SetRawDataSizeRules) {
  CalibDataStructureConverter converter;
  const std::vector<uint8_t> big(0x10001, 0x11);
  EXPECT_EQ(ErrorText([&] { converter.SetRawData(big.data(), 0x10000, 3); }),
            "SetRawData - unexpected data size - current 65536, expected 256");
  EXPECT_EQ(ErrorText([&] { converter.SetRawData(nullptr, 1, 3); }),
            "SetRawData - Data pointer is null");
  EXPECT_EQ(ErrorText([&] { converter.SetRawData(big.data(), 0, 3); }),
            "SetRawData - Data size is zero");
  // The modes table alone is bounded only by the cache.
  EXPECT_EQ(ErrorText([&] { converter.SetRawData(big.data(), 0x10001, 4); }),
            "SetRawData - New data are out of bounds of camera memory space (65537 is bigger "
            "than 65536)");
  calibtest::ConfigureTv450(converter);
  converter.SetRawData(big.data(), 20000, 4);
  const std::vector<uint8_t> cache = Cache(converter);
  EXPECT_EQ(std::count(cache.begin(), cache.begin() + 20000, 0x11), 20000);
  EXPECT_EQ(cache[20000], 0xFF);
  EXPECT_EQ(converter.GetPages().size(), 128u);
}

TEST(CalibDataModel, GetAndWriteRawDataRefusals) {
  TempDir dir;
  CalibDataStructureConverter converter;
  uint8_t buffer[600];
  EXPECT_EQ(ErrorText([&] { converter.GetRawData(buffer, 10, 3); }),
            "GetRawData - Data cache was not allocated");
  EXPECT_EQ(ErrorText([&] { converter.WriteRawData((dir.path() / "x").c_str(), 3); }),
            "WriteRawData - Data cache was not allocated");
  converter.AllocateCacheIfNeeded();
  EXPECT_EQ(ErrorText([&] { converter.GetRawData(nullptr, 10, 3); }),
            "GetRawData - Data buffer is null");
  EXPECT_EQ(ErrorText([&] { converter.GetRawData(buffer, 0, 3); }),
            "GetRawData - Data size is zero");
  EXPECT_EQ(ErrorText([&] { converter.GetRawData(buffer, 513, 3); }),
            "GetRawData - New data are out of bounds of camera memory space (65537 is bigger "
            "than 65536)");
  EXPECT_EQ(ErrorText([&] { converter.WriteRawData(nullptr, 3); }),
            "WriteRawData - Data file is not defined");
  const auto unwritable = dir.path() / "missing" / "x.bin";
  EXPECT_EQ(ErrorText([&] { converter.WriteRawData(unwritable.c_str(), 3); }),
            "WriteRawData - Failed to open file (" + unwritable.string() + ")");
}

TEST(CalibDataModel, ModesAndPartitionImageLoadsVersionsAndPagesAndWritesBackWhole) {
  TempDir dir;
  const std::vector<uint8_t> image = calibtest::Tv450Image(1);
  const auto input = dir.path() / "in.bin";
  calibtest::WriteFileText(input, std::string(image.begin(), image.begin() + 0xFF00));
  CalibDataStructureConverter converter;
  calibtest::ConfigureTv450(converter);
  EXPECT_EQ(converter.GetDefaultsVersion(), 3);  // from the CPU firmware
  converter.ReadRawData(input.c_str(), 2);
  EXPECT_EQ(converter.GetStructureVersion(), 2);  // from the partition
  EXPECT_EQ(converter.GetDefaultsVersion(), 1);
  ASSERT_EQ(converter.GetPages().size(), 128u);
  EXPECT_TRUE(converter.GetPages()[0]->IsPacked());
  const std::vector<uint8_t> cache = Cache(converter);
  EXPECT_EQ(std::vector<uint8_t>(cache.begin(), cache.begin() + 0xFF00),
            std::vector<uint8_t>(image.begin(), image.begin() + 0xFF00));
  EXPECT_EQ(std::vector<uint8_t>(cache.begin() + 0xFF00, cache.end()),
            std::vector<uint8_t>(256, 0xFF));
  const auto output = dir.path() / "out.bin";
  converter.WriteRawData(output.c_str(), 2);
  const std::vector<uint8_t> written = calibtest::ReadFileBytes(output);
  EXPECT_EQ(written, std::vector<uint8_t>(image.begin(), image.begin() + 0xFF00));
}

TEST(CalibDataModel, EditedFieldIsTheOnlyChangeOfAWrittenImage) {
  TempDir dir;
  const std::vector<uint8_t> image = calibtest::Tv450Image(2);
  CalibDataStructureConverter converter;
  calibtest::ConfigureTv450(converter);
  converter.SetRawData(image.data(), static_cast<uint32_t>(image.size()), 1);
  converter.UnpackSensorModesData();
  converter.SelectFieldsPage(5);
  converter.SelectFieldByName("VRD");
  converter.SetFieldValueInt32(1234);
  const auto output = dir.path() / "out.bin";
  converter.WriteRawData(output.c_str(), 1);
  std::vector<uint8_t> expected = image;
  expected[5 * 128 + 4] = 1234 & 0xFF;
  expected[5 * 128 + 5] = 1234 >> 8;
  EXPECT_EQ(calibtest::ReadFileBytes(output), expected);
}

TEST(CalibDataModel, SetCameraModelRefusesUnknownModels) {
  CalibDataStructureConverter converter;
  EXPECT_EQ(ErrorText([&] { converter.SetCameraModel("NonExistingTestCam"); }),
            "SetCameraModel - Unknown camera model (NonExistingTestCam)");
  EXPECT_EQ(ErrorText([&] { converter.SetCameraModel(nullptr); }),
            "SetCameraModel - Model name is null");
  const std::string long_name = std::string(calibtest::kTv450W) + std::string(400, 'x');
  converter.SetCameraModel(long_name.c_str());
  EXPECT_EQ(converter.GetCameraModelName(), long_name.substr(0, 259));
}

TEST(CalibDataModel, ErrorTextsAlsoReachTheDebuggerChannel) {
  calibtest::DebugRecorder recorder;
  CalibDataStructureConverter converter;
  const std::string text = ErrorText([&] { converter.SetCameraModel("NonExistingTestCam"); });
  ASSERT_EQ(recorder.texts.size(), 1u);
  EXPECT_EQ(recorder.texts[0], text + "\n");
}

}  // namespace

namespace {

TEST(CalibDataPageBuffers, AllocationZeroesAndCopiesAreBounded) {
  CalibDataPage page;
  EXPECT_TRUE(page.IsPacked());  // a new page starts packed
  const uint8_t bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(ErrorText([&] { page.SetPackedData(bytes, 4); }),
            "SetPackedData - Packed data buffer was not allocated");
  const calib_field_t fields[2] = {{16, 7, "a", nullptr}, {16, 8, "b", nullptr}};
  EXPECT_EQ(ErrorText([&] { page.SetUnPackedData(fields, 24); }),
            "SetUnPackedData - Unpacked data buffer was not allocated.");
  EXPECT_EQ(ErrorText([&] { page.ReAllocUnapckedDataBuffer(48); }),
            "ReAllocUnapckedDataBuffer - Unpacked data buffer was not allocated");
  page.AllocateBuffers(4, 48);
  EXPECT_EQ(page.packed_data, std::vector<uint8_t>(4, 0));
  ASSERT_EQ(page.unpacked_data.size(), 2u);
  EXPECT_EQ(page.unpacked_data[1].value, 0u);
  EXPECT_EQ(ErrorText([&] { page.SetPackedData(nullptr, 4); }),
            "SetPackedData - Invalid data pointer.");
  EXPECT_EQ(ErrorText([&] { page.SetPackedData(bytes, 5); }), "SetPackedData - Invalid data size.");
  EXPECT_EQ(ErrorText([&] { page.SetPackedData(bytes, 0); }), "SetPackedData - Invalid data size.");
  page.SetPackedData(bytes, 2);
  EXPECT_EQ(page.packed_data, (std::vector<uint8_t>{1, 2, 0, 0}));
  EXPECT_EQ(ErrorText([&] { page.SetUnPackedData(fields, 72); }),
            "SetUnPackedData - Invalid data size.");
  // Half an entry would leave half a name pointer behind.
  EXPECT_EQ(ErrorText([&] { page.SetUnPackedData(fields, 30); }),
            "SetUnPackedData - Invalid data size.");
  page.SetUnPackedData(fields, 48);
  EXPECT_STREQ(page.unpacked_data[1].name, "b");
  page.ReAllocUnapckedDataBuffer(72);
  EXPECT_EQ(page.unpacked_data.size(), 3u);
  EXPECT_EQ(page.unpacked_data[1].name, nullptr);
}

}  // namespace
