#include "CommandLineOptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct Parsed {
  CommandLineOptions options;
  std::string out;
};

Parsed Parse(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  Parsed parsed;
  testing::internal::CaptureStdout();
  const int count =
      ParseCommandLineOptions(static_cast<int>(argv.size()), argv.data(), parsed.options);
  parsed.out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(count, static_cast<int>(argv.size()));
  return parsed;
}

struct Case {
  const char* name;
  std::vector<std::string> args;
  int parse_error;
  std::function<void(const CommandLineOptions&)> check;
};

// Names the case in test listings.
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

const std::vector<Case> kCases = {
    {"LaterStartAddressWins",
     {"--fw_start", "100", "--cpu4_start", "2a0"},
     0,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.start_address, 0x2a0u); }},
    {"StopAddressesShareField",
     {"--cpu4_stop", "ffff", "--fw_stop", "8000"},
     0,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.stop_address, 0x8000u); }},
    {"LaterCameraKindWins",
     {"--u3v_cam", "--ucam_type3"},
     0,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.usb3_camera_kind, 3); }},
    {"CameraKinds",
     {"--ucam_type4"},
     0,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.usb3_camera_kind, 4); }},
    {"KeyIsHexadecimal",
     {"--key", "DEADBEEF"},
     0,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.access_key, 0xDEADBEEFu); }},
    {"HexThatDoesNotConvertLeavesField",
     {"--key", "12", "--key", "zz"},
     0,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.access_key, 0x12u); }},
    {"CameraIdLikeAtoi",
     {"--camid", "abc"},
     0,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.camera_id, 0); }},
    {"CameraIdDecimal",
     {"--camid", "12"},
     0,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.camera_id, 12); }},
    {"LedBlinksThatDoNotConvertLeaveField",
     {"--number_of_led_blinks_on_end", "x"},
     0,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.number_of_led_blinks_on_end, 0); }},
    {"EveryFlag",
     {"--allcameras", "--plain_file", "--qzapi", "--hexfileformat", "--hexfilename",
      "--snsnefilename", "--yes", "--ccd", "--skip_eeprom_upgrade",
      "--eeprom_ver_associate_from_cpu_ver"},
     0,
     [](const CommandLineOptions& o) {
       EXPECT_TRUE(o.all_cameras && o.plain_file && o.use_camera_api && o.hex_file_format &&
                   o.file_name_is_hex && o.file_name_is_sn_sne && o.yes && o.ccd &&
                   o.skip_eeprom_upgrade && o.eeprom_ver_associate_from_cpu_ver);
     }},
    {"EveryText",
     {"--campath",
      "P",
      "--camlocation",
      "L",
      "--camsn",
      "S",
      "--new_fw_ver",
      "2.00",
      "--cur_fw_ver",
      "1.00",
      "--model",
      "M",
      "--eeprom_ver",
      "02.01",
      "--patch_file",
      "pf",
      "--output_file_name",
      "of",
      "--forced_model_sne",
      "SNE"},
     0,
     [](const CommandLineOptions& o) {
       EXPECT_EQ(o.camera_path, "P");
       EXPECT_EQ(o.camera_location, "L");
       EXPECT_EQ(o.camera_sn, "S");
       EXPECT_EQ(o.new_fw_ver, "2.00");
       EXPECT_EQ(o.cur_fw_ver, "1.00");
       EXPECT_EQ(o.model, "M");
       EXPECT_EQ(o.eeprom_ver, "02.01");
       EXPECT_EQ(o.patch_file, "pf");
       EXPECT_EQ(o.output_file_name, "of");
       EXPECT_EQ(o.forced_model_sne, "SNE");
     }},
    {"OptionNameIsCaseSensitive",
     {"--QZAPI"},
     1,
     [](const CommandLineOptions& o) { EXPECT_FALSE(o.use_camera_api); }},
    {"UnknownOptionKeepsPendingValue",
     {"--campath", "--bogus", "X"},
     1,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.camera_path, "X"); }},
    {"LaterValueOptionReplacesPending",
     {"--campath", "--camsn", "X"},
     0,
     [](const CommandLineOptions& o) {
       EXPECT_EQ(o.camera_path, "");
       EXPECT_EQ(o.camera_sn, "X");
     }},
    {"FlagClearsPending",
     {"--campath", "--yes", "X"},
     1,
     [](const CommandLineOptions& o) { EXPECT_EQ(o.camera_path, ""); }},
    {"ValueAtEndIsNotSet",
     {"--camsn"},
     0,
     [](const CommandLineOptions& o) {
       EXPECT_EQ(o.camera_sn, "");
       EXPECT_EQ(o.pending_value_kind, 3);
     }},
    {"LongestTextsFit",
     {"--campath", std::string(199, 'p'), "--camlocation", std::string(299, 'l'), "--eeprom_ver",
      "123456789", "--forced_model_sne", std::string(19, 's')},
     0,
     [](const CommandLineOptions& o) {
       EXPECT_EQ(o.camera_path.size(), 199u);
       EXPECT_EQ(o.camera_location.size(), 299u);
       EXPECT_EQ(o.eeprom_ver.size(), 9u);
       EXPECT_EQ(o.forced_model_sne.size(), 19u);
     }},
    {"TooLongTextIsRefusedNotCut",
     {"--model", std::string(200, 'm'), "--yes"},
     1,
     [](const CommandLineOptions& o) {
       EXPECT_EQ(o.model, "");
       EXPECT_TRUE(o.yes);
       EXPECT_EQ(o.pending_value_kind, 0);
     }},
};

class OptionParser : public testing::TestWithParam<Case> {};

TEST_P(OptionParser, StoresFieldsAndFlagsErrors) {
  const Case& c = GetParam();
  const Parsed parsed = Parse(c.args);
  EXPECT_EQ(parsed.options.parse_error, c.parse_error) << parsed.out;
  c.check(parsed.options);
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionParser, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(OptionParserMessages, NameTheOffendingArgument) {
  EXPECT_EQ(Parse({"--bogus"}).out, "Unknown parameter --bogus\n");
  EXPECT_EQ(Parse({"CPU1"}).out, "Invalid wait_param setr 0 / CPU1\n");
  EXPECT_EQ(Parse({"--eeprom_ver", "0123456789"}).out,
            "Parameter value too long for --eeprom_ver\n");
}

TEST(OptionTable, HoldsTheRowsInTableOrderWithTheirIds) {
  const std::vector<std::pair<std::string, int>> expected = {
      {"--campath", 1},
      {"--camlocation", 2},
      {"--camsn", 3},
      {"--camid", 4},
      {"--allcameras", 5},
      {"--plain_file", 6},
      {"--qzapi", 7},
      {"--key", 8},
      {"--hexfileformat", 9},
      {"--hexfilename", 10},
      {"--snsnefilename", 11},
      {"--u3v_cam", 12},
      {"--ucam_type1", 13},
      {"--ucam_type2", 19},
      {"--ucam_type3", 20},
      {"--ucam_type4", 21},
      {"--yes", 14},
      {"--cpu4_start", 15},
      {"--cpu4_stop", 16},
      {"--fw_start", 17},
      {"--fw_stop", 18},
      {"--ccd", 22},
      {"--new_fw_ver", 23},
      {"--cur_fw_ver", 24},
      {"--model", 25},
      {"--eeprom_ver", 26},
      {"--skip_eeprom_upgrade", 27},
      {"--eeprom_ver_associate_from_cpu_ver", 28},
      {"--number_of_led_blinks_on_end", 29},
      {"--patch_file", 30},
      {"--output_file_name", 31},
      {"--forced_model_sne", 32},
  };
  ASSERT_EQ(expected.size(), kOptionCount);
  for (size_t i = 0; i < kOptionCount; ++i) {
    EXPECT_EQ(kOptionTable[i].name, expected[i].first);
    EXPECT_EQ(kOptionTable[i].id, expected[i].second);
  }
}

}  // namespace
