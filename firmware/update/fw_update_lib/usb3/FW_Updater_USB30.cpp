#include "usb3/FW_Updater_USB30.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/text_exception.h"

void FW_Updater_USB30::SelectCameraOnBus(int32_t camera_index) {
  camera_.SetCameraIndex(static_cast<uint16_t>(camera_index));
  camera_id = camera_index;
}

void FW_Updater_USB30::SelectCameraByText(const char* wanted, bool by_location) {
  const std::string name = by_location ? "SelectCameraByLocation" : "SelectCameraByPath";
  if (camera_.GetDriver() != USB3_DRV_ZELVIX_USB)
    throw TextException(name + " - Selected driver is not USB3_DRV_ZELVIX_USB");
  const int32_t count = GetCameraOnBusCount();
  for (int32_t i = 0; i < count; ++i) {
    std::unique_ptr<Usb3Device> device = OpenDeviceUSB30(i);
    if (!device) throw TextException(name + " - open device USB3 error");
    char text[261];
    const int copied = by_location ? GetDeviceLocationUSB30(device.get(), text, sizeof text)
                                   : GetDevicePathUSB30(device.get(), text, sizeof text);
    CloseDeviceUSB30(device);
    if (copied != 0) throw TextException(name + " - error on getting USB3 path");
    if (wanted != nullptr && std::strstr(text, wanted) != nullptr) {
      camera_.SetCameraIndex(static_cast<uint16_t>(i));
      if (by_location)
        StoreCameraLocation(wanted);
      else
        StoreCameraPath(wanted);
      return;
    }
    std::printf("%s - not-selected:%s\n", name.c_str(), text);
  }
  throw TextException(name + " - Camera not found");
}

void FW_Updater_USB30::SelectCameraByPath(const char* path) {
  SelectCameraByText(path, false);
}

void FW_Updater_USB30::SelectCameraByLocation(const char* location) {
  SelectCameraByText(location, true);
}

void FW_Updater_USB30::SelectCameraBySN(const char*) {
  if (camera_.GetDriver() != USB3_DRV_ZELVIX_USB)
    throw TextException("SelectCameraBySN - Selected driver is not USB3_DRV_ZELVIX_USB");
  throw TextException("SelectCameraBySN - Camera not found");
}

int32_t FW_Updater_USB30::GetCameraOnBusCount() {
  return camera_.GetCameraOnBusCount();
}
