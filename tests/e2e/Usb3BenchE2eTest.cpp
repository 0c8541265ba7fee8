// What an operator sees of USB3 cameras on the bench: the all-cameras loop
// counts them, and --campath picks one by its device path.

#include <gtest/gtest.h>

#include "E2e.h"

namespace {

using e2e::Failed;
using e2e::kBanner;

const std::string kPath0 =
    "\\\\?\\usb#vid_2a0b&pid_00f0#qzcam0000#{ae18aa60-7f6a-11d4-97dd-00010229b959}";
const std::string kInfo = "Performing operation 3 on firmware type 1\nGetting version info\n";
const std::string kVersionRefused =
    Failed("Function GetCurrentFirmwareVersion is not implemented for this camera.");

class Usb3Bench : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* interface_class : {"1", "2"}) {
      const testsupport::RunResult added =
          bench_.Tool({"add-usb3", "--interface-class", interface_class});
      ASSERT_EQ(added.exit_code, 0) << added.err;
    }
  }
  e2e::Bench bench_;
};

TEST_F(Usb3Bench, ListShowsEveryCamera) {
  const testsupport::RunResult list = bench_.Tool({"list"});
  EXPECT_EQ(list.exit_code, 0);
  EXPECT_EQ(list.out,
            "usb3 0 QZCAM2401000 u3v-gen1 " + kPath0 +
                "\n"
                "usb3 1 QZCAM2401001 u3v-gen1 "
                "\\\\?\\usb#vid_2a0b&pid_00f0#qzcam0001#{6d3494ef-7256-4641-9cf3-4e29c73dfb25}\n");
}

TEST_F(Usb3Bench, AllCamerasLoopCountsBothInterfaceClasses) {
  const testsupport::RunResult run = bench_.Updater({"info", "CPU1", "--allcameras"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, kBanner +
                         "----------------------------------\n"
                         "Selected camera id:1 (total 2) - driver 1\n" +
                         kInfo + kVersionRefused);
}

TEST_F(Usb3Bench, DevicePathSelectsTheMatchingCamera) {
  const testsupport::RunResult run = bench_.Updater({"info", "CPU1", "--campath", "qzcam0001"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, kBanner + "SelectCameraByPath - not-selected:" + kPath0 + "\n" + kInfo +
                         kVersionRefused);
}

TEST_F(Usb3Bench, DevicePathThatNoCameraHas) {
  const testsupport::RunResult run = bench_.Updater({"info", "CPU1", "--campath", "qzcam0009"});
  EXPECT_EQ(run.exit_code, 1);
  const std::string not_selected = "SelectCameraByPath - not-selected:";
  EXPECT_EQ(run.out,
            kBanner + not_selected + kPath0 + "\n" + not_selected +
                "\\\\?\\usb#vid_2a0b&pid_00f0#qzcam0001#{6d3494ef-7256-4641-9cf3-4e29c73dfb25}\n" +
                Failed("SelectCameraByPath - Camera not found"));
}

}  // namespace
