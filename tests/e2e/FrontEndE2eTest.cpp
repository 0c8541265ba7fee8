// The command line as an operator meets it with no camera attached: every
// console text byte for byte, and the exit code.

#include <gtest/gtest.h>

#include "E2e.h"

namespace {

using e2e::CommandLineError;
using e2e::Failed;
using e2e::kBanner;

struct Case {
  const char* name;
  std::vector<std::string> args;
  std::string expected;  // everything after the banner
  int exit_code;
};

// Names the case in test listings.
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

const std::string kNoCamera = "Performing operation 3 on firmware type 1\nGetting version info\n";
// The log line of a prog's start finds no API camera to write to.
const std::string kLogFindsNoCamera =
    "qzAPIplus-Error 56:No Devices Found (qzAPIplus_Camera::OpenByID)\n";
const std::string kVersionRefused =
    Failed("Function GetCurrentFirmwareVersion is not implemented for this camera.");

const std::vector<Case> kCases = {
    {"NoArguments", {}, CommandLineError("No operation entered"), 1},
    {"UnknownOperation", {"frob"}, CommandLineError("Unknown operation"), 1},
    {"ResetAloneIsComplete",
     {"reset"},
     "Performing operation 4 on firmware type 0\nReseting\n" +
         Failed("Function ResetCamera is not implemented for this camera."),
     1},
    {"ResetTakesNoType",
     {"reset", "CPU1"},
     "Invalid wait_param setr 0 / CPU1\n" + CommandLineError("Error in parameters"),
     1},
    {"InfoNeedsNoFile", {"info", "CPU1"}, kNoCamera + kVersionRefused, 1},
    {"InfoWithoutType", {"info"}, CommandLineError("No type entered"), 1},
    {"TypeNameIsCaseSensitive", {"info", "cpu1"}, CommandLineError("Invalid firmware type"), 1},
    {"ProgNeedsFile", {"prog", "CPU1"}, CommandLineError("Filename missing, but required"), 1},
    {"ProgOfTypeWithoutFile",
     {"prog", "EEPROM1_VER", "--plain_file"},
     "Performing operation 1 on firmware type 16\nChecksum OK\nProgramming\n" + kLogFindsNoCamera +
         Failed("Function UpdateFirmware is not implemented for this camera."),
     1},
    {"HexFileNamePrintsNoChecksumLine",
     {"prog", "SN", "12345678", "--hexfilename"},
     "Performing operation 1 on firmware type 301\nProgramming\n" + kLogFindsNoCamera +
         Failed("Function UpdateFirmware is not implemented for this camera."),
     1},
    {"SnSneFileNamePrintsNoChecksumLine",
     {"prog", "SN", "aabbccdd", "--snsnefilename"},
     "Performing operation 1 on firmware type 301\nProgramming\n" + kLogFindsNoCamera +
         Failed("Function UpdateFirmware is not implemented for this camera."),
     1},
    {"UnknownOptionDoesNotStopParsing",
     {"info", "CPU1", "--bogus", "--qzapi", "--also-bogus"},
     "Unknown parameter --bogus\nUnknown parameter --also-bogus\n" +
         CommandLineError("Error in parameters"),
     1},
    {"StrayValue",
     {"info", "CPU1", "--yes", "stray"},
     "Invalid wait_param setr 0 / stray\n" + CommandLineError("Error in parameters"),
     1},
    {"OptionWaitingForValueAtEnd", {"info", "CPU1", "--campath"}, kNoCamera + kVersionRefused, 1},
    {"ForcedSneRefusedOnUsb3",
     {"info", "CPU1", "--forced_model_sne", "ABC"},
     Failed("ERROR: Legacy (USB3) cameras updating does not support --forced_model_sne\n"),
     1},
    {"Usb3PathSelectionNeedsNoCamera",
     {"info", "CPU1", "--campath", "X", "--camsn", "Y"},
     Failed("SelectCameraByPath - Camera not found"),
     1},
    {"Usb3SerialSelection",
     {"info", "CPU1", "--camsn", "Y"},
     Failed("SelectCameraBySN - Camera not found"),
     1},
    {"Usb3AllCamerasWithoutCamerasIsQuiet",
     {"info", "CPU1", "--allcameras", "--camid", "3"},
     "Done return 0\nAll OK\n",
     0},
    {"ApiAllCamerasWithoutCameras",
     {"info", "CPU1", "--qzapi", "--allcameras"},
     Failed("No camera connected"),
     1},
    {"ApiInfoOfFlagIsRefused",
     {"info", "FLAG_U3V", "--qzapi"},
     "Performing operation 3 on firmware type 50\n" +
         Failed("Function GetU3VFlag is not implemented for this camera."),
     1},
    {"ApiResetIsRefused",
     {"reset", "--qzapi"},
     "Performing operation 4 on firmware type 0\nReseting\n" +
         Failed("Function ResetCamera is not implemented for this camera."),
     1},
    {"ListDevPathsNeedsCameraApi",
     {"listdevpaths"},
     "Performing operation 9 on firmware type 0\n" +
         Failed("Function ListOfCamerasLocations is not implemented. Try --qzapi"),
     1},
    {"DiffNeedsCameraApi",
     {"diff", "EEPROM1"},
     "Performing operation 10 on firmware type 15\n" +
         Failed("Function DiffFirmwareContent is not implemented. Try --qzapi"),
     1},
    {"ValueTooLongForField",
     {"info", "CPU1", "--campath", std::string(200, 'p')},
     "Parameter value too long for --campath\n" + CommandLineError("Error in parameters"),
     1},
    {"LocationMayBeLongerThanOtherTexts",
     {"info", "CPU1", "--camlocation", std::string(299, 'l')},
     kNoCamera + kVersionRefused,
     1},
    {"LocationTooLong",
     {"info", "CPU1", "--camlocation", std::string(300, 'l')},
     "Parameter value too long for --camlocation\n" + CommandLineError("Error in parameters"),
     1},
    {"EepromVersionTooLong",
     {"info", "CPU1", "--eeprom_ver", "1234567890"},
     "Parameter value too long for --eeprom_ver\n" + CommandLineError("Error in parameters"),
     1},
    {"ForcedSneTooLong",
     {"info", "CPU1", "--forced_model_sne", std::string(20, 's')},
     "Parameter value too long for --forced_model_sne\n" + CommandLineError("Error in parameters"),
     1},
    {"FileNameTooLong",
     {"prog", "CPU1", std::string(300, 'f')},
     CommandLineError("Filename too long"),
     1},
    {"SelfTests", {"internal_tests"}, "All internal tests OK\n", 0},
};

class FrontEndE2e : public testing::TestWithParam<Case> {};

TEST_P(FrontEndE2e, ConsoleTranscriptAndExitCode) {
  const Case& c = GetParam();
  e2e::Bench bench;
  const testsupport::RunResult run = bench.Updater(c.args);
  EXPECT_EQ(run.out, kBanner + c.expected);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, c.exit_code);
}

INSTANTIATE_TEST_SUITE_P(Cases, FrontEndE2e, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(FrontEndE2eHelp, ListsEveryOptionAndSucceeds) {
  for (const char* word : {"help", "--help", "-h"}) {
    e2e::Bench bench;
    const testsupport::RunResult run = bench.Updater({word});
    EXPECT_EQ(run.exit_code, 0) << word;
    ASSERT_EQ(run.out.rfind(kBanner + e2e::kUsage, 0), 0u) << word;
    const std::string list = run.out.substr(kBanner.size() + e2e::kUsage.size());
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 32) << word;
    EXPECT_EQ(list.rfind("--campath <path> selects camera with given device path\n", 0), 0u);
    EXPECT_NE(list.find("\n--forced_model_sne <SNE> forced programming of data for camera model "
                        "forced by SNE\n"),
              std::string::npos);
  }
}

}  // namespace
