#include "FrontEnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeUpdaters.h"

namespace {

struct MainRun {
  int exit_code;
  std::string out;
  std::string calls;
};

// Runs the entry point on the fake updaters with the arguments after the
// program name.
MainRun RunMain(std::vector<std::string> args, int32_t cameras = 0) {
  fakes::Scope scope;
  scope.record.cameras = cameras;
  args.insert(args.begin(), "qzcamupdater");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  testing::internal::CaptureStdout();
  MainRun run;
  run.exit_code = UpdaterMain(static_cast<int>(argv.size()), argv.data());
  run.out = testing::internal::GetCapturedStdout();
  for (const std::string& c : scope.record.calls) run.calls += c + "\n";
  return run;
}

TEST(ShowProgress, PrintsOnlyChanges) {
  g_front_end = FrontEndState{};
  testing::internal::CaptureStdout();
  for (int p : {0, 5, 5, 10}) ShowProgress(p, nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "5%\r10%\r");
}

TEST(ConsoleControlHandler, ReportsEventAndKeepsRunning) {
  const std::pair<uint32_t, const char*> events[] = {
      {0, "Ctrl-C event"},   {1, "Ctrl-Break event"}, {2, "Ctrl-Close event"}, {5, "Logoff event"},
      {6, "Shutdown event"}, {3, "Unknown event"},    {99, "Unknown event"},
  };
  for (const auto& [event, name] : events) {
    testing::internal::CaptureStdout();
    EXPECT_TRUE(ConsoleControlHandler(event));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string("Log: \n") + name +
                  "\nLog: The firmware update will continue in order to finish current "
                  "operation. Please wait...\n");
  }
}

struct ConfigCase {
  const char* name;
  std::vector<std::string> args;
  int32_t cameras;
  std::string calls;
};

// Names the case in test listings.
void PrintTo(const ConfigCase& c, std::ostream* os) {
  *os << c.name;
}

const std::string kApiState0 = "progress=1 sne=0: new= cur= model= eeprom= skip=0 assoc=0 blinks=0";

const std::vector<ConfigCase> kConfigCases = {
    {"ApiDefaultKey",
     {"info", "CPU1", "--qzapi"},
     0,
     "new FAPI\nSelectCameraOnBus 0\nGetCurrentFirmwareVersion 100 key=6b2e0d47 " + kApiState0 +
         "\ndelete FAPI\n"},
    {"ApiZeroKeyMeansDefault",
     {"info", "CPU1", "--qzapi", "--key", "0"},
     0,
     "new FAPI\nSelectCameraOnBus 0\nGetCurrentFirmwareVersion 100 key=6b2e0d47 " + kApiState0 +
         "\ndelete FAPI\n"},
    {"ApiGivenKey",
     {"info", "CPU1", "--qzapi", "--key", "1A2B"},
     0,
     "new FAPI\nSelectCameraOnBus 0\nGetCurrentFirmwareVersion 100 key=1a2b " + kApiState0 +
         "\ndelete FAPI\n"},
    {"ApiSettings",
     {"info", "CPU1", "--qzapi", "--forced_model_sne", "SNE1", "--new_fw_ver", "2.00",
      "--cur_fw_ver", "1.00", "--model", "TV450", "--eeprom_ver", "02.01", "--skip_eeprom_upgrade",
      "--eeprom_ver_associate_from_cpu_ver", "--number_of_led_blinks_on_end", "3", "--camid", "2"},
     0,
     "new FAPI\nSelectCameraOnBus 2\nGetCurrentFirmwareVersion 100 key=6b2e0d47 progress=1 "
     "sne=1:SNE1 new=2.00 cur=1.00 model=TV450 eeprom=02.01 skip=1 assoc=1 blinks=3\n"
     "delete FAPI\n"},
    {"ApiPathBeforeLocationAndSerial",
     {"info", "CPU1", "--qzapi", "--camsn", "S", "--camlocation", "L", "--campath", "P"},
     0,
     "new FAPI\nSelectCameraByPath P\nGetCurrentFirmwareVersion 100 key=6b2e0d47 " + kApiState0 +
         "\ndelete FAPI\n"},
    {"ApiLocationBeforeSerial",
     {"info", "CPU1", "--qzapi", "--camsn", "S", "--camlocation", "L"},
     0,
     "new FAPI\nSelectCameraByLocation L\nGetCurrentFirmwareVersion 100 key=6b2e0d47 " +
         kApiState0 + "\ndelete FAPI\n"},
    {"ApiAllCamerasIgnoresCameraId",
     {"info", "CPU1", "--qzapi", "--camid", "3", "--allcameras"},
     2,
     "new FAPI\nnew FAPI\n"
     "new FAPI\nSelectCameraOnBus 0\nGetCurrentFirmwareVersion 100 key=6b2e0d47 progress=0 "
     "sne=0: new= cur= model= eeprom= skip=0 assoc=0 blinks=0\ndelete FAPI\n"
     "new FAPI\nSelectCameraOnBus 1\nGetCurrentFirmwareVersion 100 key=6b2e0d47 progress=0 "
     "sne=0: new= cur= model= eeprom= skip=0 assoc=0 blinks=0\ndelete FAPI\n"
     "delete FAPI\ndelete FAPI\n"},
    {"Usb3Defaults",
     {"info", "CPU1", "--camid", "1"},
     0,
     "new USB30\nSelectCameraOnBus 1\nGetCurrentFirmwareVersion 100 driver=0 bulk=1 kind=0 "
     "ccd=0 progress=1\ndelete USB30\n"},
    {"Usb3KindAndCcd",
     {"info", "CPU1", "--ucam_type2", "--ccd"},
     0,
     "new USB30\nSelectCameraOnBus 0\nGetCurrentFirmwareVersion 100 driver=0 bulk=1 kind=2 "
     "ccd=1 progress=1\ndelete USB30\n"},
    {"Usb3PathSelectsDriverOneAndWinsOverSerial",
     {"info", "CPU1", "--camsn", "S", "--campath", "P"},
     0,
     "new USB30\nSelectCameraByPath P\nGetCurrentFirmwareVersion 100 driver=1 bulk=1 kind=0 "
     "ccd=0 progress=1\ndelete USB30\n"},
    {"Usb3SerialSelectsDriverOne",
     {"info", "CPU1", "--camsn", "S", "--camlocation", "L"},
     0,
     "new USB30\nSelectCameraBySN S\nGetCurrentFirmwareVersion 100 driver=1 bulk=1 kind=0 "
     "ccd=0 progress=1\ndelete USB30\n"},
    {"Usb3AllCamerasRunsDriverOneOnly",
     {"info", "CPU1", "--allcameras"},
     1,
     "new USB30\n"
     "new USB30\nGetCameraOnBusCount driver 1\ndelete USB30\n"
     "new USB30\nSelectCameraOnBus 0\nGetCurrentFirmwareVersion 100 driver=1 bulk=1 kind=0 "
     "ccd=0 progress=0\ndelete USB30\ndelete USB30\n"},
};

class EntryConfiguration : public testing::TestWithParam<ConfigCase> {};

TEST_P(EntryConfiguration, ConfiguresAndSelectsAsTheOptionsSay) {
  const ConfigCase& c = GetParam();
  const MainRun run = RunMain(c.args, c.cameras);
  EXPECT_EQ(run.exit_code, 0) << run.out;
  EXPECT_EQ(run.calls, c.calls);
  EXPECT_NE(run.out.find("Done return 0\nAll OK\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, EntryConfiguration, testing::ValuesIn(kConfigCases),
                         [](const testing::TestParamInfo<ConfigCase>& info) {
                           return info.param.name;
                         });

}  // namespace
