#include "api/FW_Updater_FAPI.h"

#include <cstring>

#include "api/qzAPIplus_Camera.h"
#include "platform/text_exception.h"

namespace {
constexpr size_t kSelectorTextMax = 259;
constexpr size_t kVersionTextMax = 199;
constexpr size_t kEepromVersionMax = 9;
constexpr size_t kForcedSneMax = 19;

void AssignCut(std::string& field, const char* text, size_t max) {
  field.assign(text, strnlen(text, max));
}
}  // namespace

void FW_Updater_FAPI::SelectCameraOnBus(int32_t camera_index) {
  selector_.kind = ById;
  selector_.device_id = static_cast<uint32_t>(camera_index);
  camera_id = camera_index;
}

void FW_Updater_FAPI::SelectCameraByPath(const char* path) {
  selector_.kind = ByPath;
  AssignCut(selector_.path, path, kSelectorTextMax);
  StoreCameraPath(path);
}

void FW_Updater_FAPI::SelectCameraBySN(const char* serial) {
  selector_.kind = BySerial;
  AssignCut(selector_.serial, serial, kSelectorTextMax);
  StoreCameraSn(serial);
}

void FW_Updater_FAPI::SelectCameraByLocation(const char* location) {
  selector_.kind = ByLocation;
  AssignCut(selector_.location, location, kSelectorTextMax);
  StoreCameraLocation(location);
}

void FW_Updater_FAPI::SetNewFirmwareVersion(const char* version) {
  if (version != nullptr) AssignCut(new_firmware_version_, version, kVersionTextMax);
}

void FW_Updater_FAPI::SetCurrentFirmwareVersion(const char* version) {
  if (version != nullptr) AssignCut(current_firmware_version_, version, kVersionTextMax);
}

void FW_Updater_FAPI::SetCameraModelName(const char* name) {
  if (name != nullptr) AssignCut(model_name_, name, kVersionTextMax);
}

void FW_Updater_FAPI::SetEepromVersion(const char* version) {
  if (version != nullptr) AssignCut(eeprom_version_, version, kEepromVersionMax);
}

void FW_Updater_FAPI::SetForcedModelSne(const char* sne) {
  selector_.forced_sne = true;
  AssignCut(selector_.forced_sne_text, sne, kForcedSneMax);
}

void FW_Updater_FAPI::SetLedBlinkCumberAfterInfo(int32_t count) {
  led_blinks_ = count;
}

void FW_Updater_FAPI::SetCameraHandle(qzHANDLE handle) {
  camera_handle_ = handle;
  external_handle_ = true;
}

int32_t FW_Updater_FAPI::GetNumberOfCameras() {
  try {
    // Cameras running their golden (recovery) firmware count too.
    qzAPIplus_Camera::EnableCamEnumGoldenEnabled();
    return qzAPIplus_Camera::GetNumberOfConnectedCameras();
  } catch (const qzAPIplus_Exception& e) {
    throw TextException(e.GetDescription());
  }
}
