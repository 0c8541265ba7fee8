#include "usb3/FW_Updater_USB30.h"

#include "platform/text_exception.h"

namespace {
constexpr int32_t USB3_DRV_ZELVIX_USB = 1;
}

void FW_Updater_USB30::SelectCameraOnBus(int32_t camera_index) {
  camera_index_ = camera_index;
  camera_id = camera_index;
}

// The selections by path, location and serial number open each camera on the
// bus in turn; without a USB3 transport no camera can be opened or counted.
void FW_Updater_USB30::SelectCameraByPath(const char*) {
  if (usb3_driver_ != USB3_DRV_ZELVIX_USB)
    throw TextException("SelectCameraByPath - Selected driver is not USB3_DRV_ZELVIX_USB");
  if (GetCameraOnBusCount() > 0) throw TextException("SelectCameraByPath - open device USB3 error");
  throw TextException("SelectCameraByPath - Camera not found");
}

void FW_Updater_USB30::SelectCameraByLocation(const char*) {
  if (usb3_driver_ != USB3_DRV_ZELVIX_USB)
    throw TextException("SelectCameraByLocation - Selected driver is not USB3_DRV_ZELVIX_USB");
  if (GetCameraOnBusCount() > 0)
    throw TextException("SelectCameraByLocation - open device USB3 error");
  throw TextException("SelectCameraByLocation - Camera not found");
}

void FW_Updater_USB30::SelectCameraBySN(const char*) {
  if (usb3_driver_ != USB3_DRV_ZELVIX_USB)
    throw TextException("SelectCameraBySN - Selected driver is not USB3_DRV_ZELVIX_USB");
  throw TextException("SelectCameraBySN - Camera not found");
}

int32_t FW_Updater_USB30::GetCameraOnBusCount() {
  return 0;
}
