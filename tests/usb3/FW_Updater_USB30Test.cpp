// The USB3 updater's camera selection and settings over virtual cameras.

#include "VirtualBench.h"
#include "platform/text_exception.h"
#include "usb3/FW_Updater_USB30.h"

namespace {

using usb3test::VirtualBench;

class Selection : public VirtualBench {
 protected:
  void SetUp() override {
    VirtualBench::SetUp();
    for (const char* name : {"cam-A", "cam-B"}) {
      sim::Usb3CameraOptions options;
      options.path = std::string("\\\\?\\usb#vid_2a0b&pid_00f0#") + name + "#{guid}";
      options.location = std::string("PCIROOT(0)#USB(") + name + ")";
      AddCamera(options, false);
    }
    updater_.SetUsb3Driver(1);
  }
  std::string Error(void (FW_Updater_USB30::*select)(const char*), const char* text) {
    try {
      (updater_.*select)(text);
    } catch (const TextException& e) {
      return e.what();
    }
    return "";
  }

  FW_Updater_USB30 updater_;
};

TEST_F(Selection, ByPathOpensEachCameraUntilOneMatches) {
  testing::internal::CaptureStdout();
  updater_.SelectCameraByPath("cam-B");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "SelectCameraByPath - not-selected:\\\\?\\usb#vid_2a0b&pid_00f0#cam-A#{guid}\n");
  EXPECT_EQ(updater_.GetCameraIndex(), 1);
  EXPECT_EQ(updater_.GetCameraPath(), "cam-B");
}

TEST_F(Selection, ByLocation) {
  testing::internal::CaptureStdout();
  updater_.SelectCameraByLocation("USB(cam-A");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(updater_.GetCameraIndex(), 0);
  EXPECT_EQ(updater_.GetCameraLocation(), "USB(cam-A");
}

TEST_F(Selection, Failures) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(Error(&FW_Updater_USB30::SelectCameraByPath, "cam-C"),
            "SelectCameraByPath - Camera not found");
  EXPECT_EQ(Error(&FW_Updater_USB30::SelectCameraByLocation, "cam-C"),
            "SelectCameraByLocation - Camera not found");
  testing::internal::GetCapturedStdout();
  Set(1, {"location_paths=none", "location_information=none"});
  EXPECT_EQ(Error(&FW_Updater_USB30::SelectCameraByLocation, "x"),
            "SelectCameraByLocation - open device USB3 error");
  updater_.SetUsb3Driver(0);
  EXPECT_EQ(Error(&FW_Updater_USB30::SelectCameraByPath, "cam-A"),
            "SelectCameraByPath - Selected driver is not USB3_DRV_ZELVIX_USB");
  EXPECT_EQ(Error(&FW_Updater_USB30::SelectCameraByLocation, "cam-A"),
            "SelectCameraByLocation - Selected driver is not USB3_DRV_ZELVIX_USB");
}

TEST_F(Selection, SettersReachTheCameraObject) {
  EXPECT_EQ(updater_.GetCameraOnBusCount(), 2);
  updater_.SelectCameraOnBus(1);
  EXPECT_EQ(updater_.GetCameraIndex(), 1);
  EXPECT_EQ(updater_.GetCameraId(), 1);
  updater_.SetBulkRequests(1);
  updater_.SetCcdMode();
  EXPECT_EQ(updater_.GetBulkRequests(), 1);
  EXPECT_TRUE(updater_.IsCcdMode());
  updater_.SetUsb3Driver(2);
  try {
    updater_.GetCameraOnBusCount();
    ADD_FAILURE();
  } catch (const TextException& e) {
    EXPECT_STREQ(e.what(), "CameraFW::GetCameraOnBusCount: Invalid driver selected");
  }
}

}  // namespace
