#include "OperationExecutor.h"

#include <gtest/gtest.h>

#include <cstring>

#include "FakeUpdaters.h"
#include "platform/text_exception.h"

namespace {

using fakes::FakeFapi;
using fakes::FakeUsb30;

std::string Calls(const fakes::Record& record) {
  std::string all;
  for (const std::string& c : record.calls) all += c + "\n";
  return all;
}

// The fakes select no camera, so the log lines of the run's start and end find
// none to write to.
const std::string kLogFindsNoCamera =
    "Unable to open camera for firmware operation logging.\n"
    "Unable to open camera for firmware operation logging.\n";

// A prog of CPU1 through the camera API with a plain file of the given name.
void SetUpApiProg(const char* file_name) {
  g_front_end.operation = OPERATION_PROG;
  g_front_end.firmware_type = FW_TYPE_CPU1;
  g_front_end.model_check = true;
  g_front_end.options.use_camera_api = true;
  g_front_end.options.plain_file = true;
  std::strcpy(g_front_end.file_name, file_name);
}

struct Answer {
  const char* name;
  std::string input;
  bool has_input;
  bool goes_on;
};

// Names the case in test listings.
void PrintTo(const Answer& c, std::ostream* os) {
  *os << c.name;
}

class ConfirmationPrompt : public testing::TestWithParam<Answer> {};

TEST_P(ConfirmationPrompt, OnlyLowerCaseYGoesOn) {
  const Answer& a = GetParam();
  fakes::Scope scope;
  scope.console.input = a.input;
  scope.console.has_input = a.has_input;
  SetUpApiProg("fw_cpu1.bin");
  FakeFapi updater;

  testing::internal::CaptureStdout();
  std::string error;
  try {
    DoOperation(updater);
  } catch (const TextException& e) {
    error = e.what();
  }
  const std::string out = testing::internal::GetCapturedStdout();

  const std::string asked =
      "Performing operation 1 on firmware type 1\nChecksum OK\n"
      "Checking if Filename:fw_cpu1.bin contains short model name:TV450\n"
      "Warning: Filename does not contain short model name\n"
      "Are you sure to use this file [y/n]\n";
  if (a.goes_on) {
    EXPECT_EQ(out, asked + "Programming\n" + kLogFindsNoCamera);
    EXPECT_EQ(error, "");
    EXPECT_NE(Calls(scope.record).find("UpdateFirmware"), std::string::npos);
  } else {
    EXPECT_EQ(out, asked);
    EXPECT_EQ(error, "ERROR: Operation aborted by user\n");
    EXPECT_EQ(Calls(scope.record).find("UpdateFirmware"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ConfirmationPrompt,
    testing::Values(Answer{"LowerY", "y", true, true}, Answer{"Yes", "yes please", true, true},
                    Answer{"UpperY", "Y", true, false}, Answer{"No", "n", true, false},
                    Answer{"EmptyLine", "", true, false}, Answer{"EndOfInput", "", false, false}),
    [](const testing::TestParamInfo<Answer>& info) { return info.param.name; });

TEST(ModelCheck, FileNamedAfterModelNeedsNoAnswer) {
  fakes::Scope scope;
  SetUpApiProg("TV450_cpu1_v2.bin");
  FakeFapi updater;
  testing::internal::CaptureStdout();
  DoOperation(updater);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Performing operation 1 on firmware type 1\nChecksum OK\n"
            "Checking if Filename:TV450_cpu1_v2.bin contains short model name:TV450\n"
            "Filename contains part of camera model name [OK]\nProgramming\n" +
                kLogFindsNoCamera);
  EXPECT_EQ(scope.console.handlers_added, 1);
}

TEST(ModelCheck, YesOptionWarnsAndGoesOn) {
  fakes::Scope scope;
  SetUpApiProg("other.bin");
  g_front_end.options.yes = true;
  FakeFapi updater;
  testing::internal::CaptureStdout();
  DoOperation(updater);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Warning: Filename does not contain short model name\nProgramming\n"),
            std::string::npos);
  EXPECT_EQ(out.find("Are you sure"), std::string::npos);
}

TEST(ModelCheck, ShortModelNameOfShortModel) {
  fakes::Scope scope;
  scope.record.model = "TR";
  SetUpApiProg("TR_fw.bin");
  FakeFapi updater;
  testing::internal::CaptureStdout();
  DoOperation(updater);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("contains short model name:TR\n"),
            std::string::npos);
}

TEST(ModelCheck, SkippedForTypesWithoutFlagAndOnUsb3) {
  for (bool api : {true, false}) {
    fakes::Scope scope;
    SetUpApiProg("other.bin");
    g_front_end.options.use_camera_api = api;
    g_front_end.model_check = !api;  // API: flag clear (DEVVER-like); USB3: flag set
    FakeFapi updater;
    testing::internal::CaptureStdout();
    DoOperation(updater);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(Calls(scope.record).find("GetCameraModel"), std::string::npos) << api;
  }
}

TEST(DoOperation, ProgHandsOverTheRequest) {
  struct Case {
    const char* name;
    void (*set)(CommandLineOptions&);
    std::string checksum_line;
    std::string call;
  };
  const Case cases[] = {
      {"PlainFile", [](CommandLineOptions& o) { o.plain_file = true; }, "Checksum OK\n",
       "UpdateFirmware type=1 file=f.bin plain=1 start=10 stop=20"},
      {"HexFileName", [](CommandLineOptions& o) { o.file_name_is_hex = true; }, "",
       "UpdateFirmware type=1 file=f.bin plain=1 start=10 stop=20"},
      {"SnSneFileName",
       [](CommandLineOptions& o) {
         o.file_name_is_sn_sne = true;
         o.plain_file = true;  // the SN/SNE rule comes first
       },
       "", "UpdateFirmware type=1 file=f.bin plain=1 start=10 stop=20"},
  };
  for (const Case& c : cases) {
    fakes::Scope scope;
    g_front_end.operation = OPERATION_PROG;
    g_front_end.firmware_type = FW_TYPE_CPU1;
    std::strcpy(g_front_end.file_name, "f.bin");
    g_front_end.options.start_address = 0x10;
    g_front_end.options.stop_address = 0x20;
    c.set(g_front_end.options);
    FakeUsb30 updater;
    testing::internal::CaptureStdout();
    DoOperation(updater);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Performing operation 1 on firmware type 1\n" + c.checksum_line + "Programming\n" +
                  kLogFindsNoCamera)
        << c.name;
    EXPECT_EQ(scope.record.calls.back(), c.call) << c.name;
  }
}

TEST(DoOperation, FalseProgramResultIsNoError) {
  fakes::Scope scope;
  scope.record.update_result = false;
  g_front_end.operation = OPERATION_PROG;
  g_front_end.firmware_type = FW_TYPE_CPU1;
  g_front_end.options.plain_file = true;
  FakeUsb30 updater;
  testing::internal::CaptureStdout();
  EXPECT_NO_THROW(DoOperation(updater));
  testing::internal::GetCapturedStdout();
}

TEST(DoOperation, OtherOperationsCallTheirSlot) {
  struct Case {
    int32_t operation;
    int32_t type;
    std::string out;
    std::string call;
  };
  const Case cases[] = {
      {OPERATION_VERIFY, FW_TYPE_CPU1, "Checksum OK\nVerify\nVerify done OK\n", "VerifyFirmware"},
      {OPERATION_INFO, FW_TYPE_CPU1, "Getting version info\nDetected version V1.23\n",
       "GetCurrentFirmwareVersion 100 key=0 progress=0 sne=0: new= cur= model= eeprom= skip=0 "
       "assoc=0 blinks=0"},
      {OPERATION_INFO, FW_TYPE_FLAG_U3V, "FLAG_U3V 1\n", "GetU3VFlag"},
      {OPERATION_RESET, 0, "Reseting\nReset done OK\n", "ResetCamera"},
      {OPERATION_DUMP, FW_TYPE_CPU1, "Dump done OK  \n", "DumpFlash f.bin"},
      {OPERATION_EXTRACT, FW_TYPE_EEPROM1, "", "ExtractData"},
      {OPERATION_INSERT, FW_TYPE_EEPROM1, "", "InsertData patch=p.csv out=o.bin"},
      {OPERATION_UPGRADE, FW_TYPE_EEPROM1, "", "UpgradeFirmware"},
      {OPERATION_LISTDEVPATHS, 0, "", "ListOfCamerasLocations"},
      {OPERATION_DIFF, FW_TYPE_EEPROM1, "", "DiffFirmwareContent"},
      {OPERATION_FILE_DIFF, FW_TYPE_EEPROM1, "", "DiffFirmwareContent"},
  };
  for (const Case& c : cases) {
    fakes::Scope scope;
    g_front_end.operation = c.operation;
    g_front_end.firmware_type = c.type;
    g_front_end.options.plain_file = true;
    g_front_end.options.patch_file = "p.csv";
    g_front_end.options.output_file_name = "o.bin";
    std::strcpy(g_front_end.file_name, "f.bin");
    FakeFapi updater;
    testing::internal::CaptureStdout();
    DoOperation(updater);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Performing operation " + std::to_string(c.operation) + " on firmware type " +
                  std::to_string(c.type) + "\n" + c.out)
        << c.call;
    EXPECT_EQ(scope.record.calls.back(), c.call);
    EXPECT_EQ(updater.GetFirmwareType(), c.type);
  }
}

TEST(DoOperation, SecondGenerationKindReachesTheUpdater) {
  for (int32_t operation : {OPERATION_INFO, OPERATION_PROG, OPERATION_VERIFY, OPERATION_RESET}) {
    fakes::Scope scope;
    g_front_end.operation = operation;
    g_front_end.firmware_type = FW_TYPE_CPU1;
    g_front_end.options.plain_file = true;
    g_front_end.options.usb3_camera_kind = 1;
    FakeUsb30 updater;
    testing::internal::CaptureStdout();
    DoOperation(updater);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(updater.GetUsb3CameraKind(), operation == OPERATION_RESET ? 0 : 1) << operation;
  }
}

TEST(AllUsb3Cameras, ServesHighestIndexFirstWithFreshUpdaters) {
  fakes::Scope scope;
  scope.record.cameras = 3;
  g_front_end.operation = OPERATION_RESET;
  testing::internal::CaptureStdout();
  DoOperationOnAllUsb3CamerasOnDriver(1);
  const std::string out = testing::internal::GetCapturedStdout();
  std::string expected;
  for (int i = 2; i >= 0; --i)
    expected += "----------------------------------\nSelected camera id:" + std::to_string(i) +
                " (total 3) - driver 1\nPerforming operation 4 on firmware type 0\n"
                "Reseting\nReset done OK\n";
  EXPECT_EQ(out, expected);
  EXPECT_EQ(Calls(scope.record),
            "new USB30\nGetCameraOnBusCount driver 1\ndelete USB30\n"
            "new USB30\nSelectCameraOnBus 2\nResetCamera\ndelete USB30\n"
            "new USB30\nSelectCameraOnBus 1\nResetCamera\ndelete USB30\n"
            "new USB30\nSelectCameraOnBus 0\nResetCamera\ndelete USB30\n");
}

TEST(AllUsb3Cameras, NoCameraPrintsNothing) {
  fakes::Scope scope;
  g_front_end.operation = OPERATION_RESET;
  testing::internal::CaptureStdout();
  DoOperationOnAllUsb3CamerasOnDriver(1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(AllApiCameras, ServesIndexZeroUpwardsWithTheAccessKey) {
  for (uint32_t key : {0u, 0x1234u}) {
    fakes::Scope scope;
    scope.record.cameras = 3;
    g_front_end.operation = OPERATION_INFO;
    g_front_end.firmware_type = FW_TYPE_CPU1;
    g_front_end.options.access_key = key;
    testing::internal::CaptureStdout();
    DoOperationOnAllCameras();
    const std::string out = testing::internal::GetCapturedStdout();
    std::string expected;
    for (int i = 0; i < 3; ++i)
      expected += "----------------------------------\nSelected camera id:" + std::to_string(i) +
                  " (total:3)\nPerforming operation 3 on firmware type 1\n"
                  "Getting version info\nDetected version V1.23\n";
    EXPECT_EQ(out, expected);
    std::string selections;
    for (const std::string& c : scope.record.calls)
      if (c.rfind("SelectCameraOnBus", 0) == 0) selections += c + ";";
    EXPECT_EQ(selections, "SelectCameraOnBus 0;SelectCameraOnBus 1;SelectCameraOnBus 2;");
    const std::string expected_key = key != 0 ? "key=1234 " : "key=6b2e0d47 ";
    EXPECT_EQ(Calls(scope.record).find("key=0 "), std::string::npos);
    EXPECT_NE(Calls(scope.record).find(expected_key + "progress=0"), std::string::npos);
    // The counting updater outlives the per-camera ones.
    EXPECT_EQ(scope.record.calls.front(), "new FAPI");
  }
}

TEST(AllApiCameras, NoCameraIsAnError) {
  fakes::Scope scope;
  g_front_end.operation = OPERATION_INFO;
  try {
    DoOperationOnAllCameras();
    ADD_FAILURE() << "no error";
  } catch (const TextException& e) {
    EXPECT_STREQ(e.what(), "No camera connected");
  }
}

}  // namespace
