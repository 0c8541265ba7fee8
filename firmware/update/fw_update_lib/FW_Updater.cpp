#include "FW_Updater.h"

#include <cstring>

#include "platform/text_exception.h"

// Default bodies: a back-end that does not offer an operation refuses it.

void FW_Updater::SelectCameraOnBus(int32_t) {
  throw TextException("Function SelectCameraOnBus is not implemented for this camera.");
}
void FW_Updater::SelectCameraByPath(const char*) {
  throw TextException("Function SelectCameraByPath is not implemented for this camera.");
}
void FW_Updater::SelectCameraBySN(const char*) {
  throw TextException("Function SelectCameraBySN is not implemented for this camera.");
}
void FW_Updater::SelectCameraByLocation(const char*) {
  throw TextException("Function SelectCameraByLocation is not implemented for this camera.");
}
void FW_Updater::ListOfCamerasLocations() {
  throw TextException("Function ListOfCamerasLocations is not implemented. Try --qzapi");
}
void FW_Updater::DiffFirmwareContent() {
  throw TextException("Function DiffFirmwareContent is not implemented. Try --qzapi");
}
void FW_Updater::GetU3VFlag(uint8_t&) {
  throw TextException("Function GetU3VFlag is not implemented for this camera.");
}
void FW_Updater::GetCurrentFirmwareVersion(char*, int32_t) {
  throw TextException("Function GetCurrentFirmwareVersion is not implemented for this camera.");
}
bool FW_Updater::UpdateFirmware() {
  throw TextException("Function UpdateFirmware is not implemented for this camera.");
}
void FW_Updater::VerifyFirmware() {
  throw TextException("Function VerifyFirmware is not implemented for this camera.");
}
void FW_Updater::EmergencyBoot() {
  throw TextException("Function EmergencyBoot is not implemented for this camera.");
}
void FW_Updater::ResetCamera() {
  throw TextException("Function ResetCamera is not implemented for this camera.");
}
void FW_Updater::DumpFlash() {
  throw TextException("Function DumpFlash is not implemented for this camera.");
}
void FW_Updater::ExtractData() {
  throw TextException("Function ExtractData is not implemented for this camera.");
}
void FW_Updater::InsertData() {
  throw TextException("Function InsertData is not implemented for this camera.");
}
bool FW_Updater::IsUpdatePossible() {
  throw TextException("Function IsUpdatePossible is not implemented for this camera.");
}
bool FW_Updater::IsDataUpgradeNeeded() {
  throw TextException("Function IsDataUpgradeNeeded is not implemented for this camera.");
}
void FW_Updater::UpgradeFirmware() {
  throw TextException("Function UpgradeFirmware is not implemented for this camera.");
}
void FW_Updater::SetNewFirmwareVersion(const char*) {
  throw TextException("Function SetNewFirmwareVersion is not implemented for this camera.");
}
void FW_Updater::GetCameraModel(char*, int32_t) {
  throw TextException("Function GetCameraModel is not implemented for this camera.");
}
void FW_Updater::SetLedBlinkCumberAfterInfo(int32_t) {
  throw TextException("Function SetLedBlinkCumberAfterInfo is not implemented for this camera.");
}
void FW_Updater::SetCameraHandle(qzHANDLE) {
  throw TextException("Function SetCameraHandle is not implemented for this camera.");
}
void FW_Updater::GetLatestAvailableEEPROMDataVersion(char*, int32_t) {
  throw TextException(
      "Function GetLatestAvailableEEPROMDataVersion is not implemented for this camera.");
}

void FW_Updater::ReportProgress(int32_t percent) {
  if (progress_callback != nullptr) progress_callback(percent, progress_context);
}

void FW_Updater::StoreCameraSn(const char* text) {
  camera_sn.assign(text, strnlen(text, kSelectionTextMax));
}
void FW_Updater::StoreCameraPath(const char* text) {
  camera_path.assign(text, strnlen(text, kSelectionTextMax));
}
void FW_Updater::StoreCameraLocation(const char* text) {
  camera_location.assign(text, strnlen(text, kSelectionTextMax));
}

namespace {
const FirmwareTypeEntry kNoFirmwareType{};
}

const FirmwareTypeEntry& FW_Updater::FindFirmwareTypeByName(const char* name) {
  for (const FirmwareTypeEntry& entry : kFirmwareTypes)
    if (std::strcmp(entry.name, name) == 0) return entry;
  return kNoFirmwareType;
}

const FirmwareTypeEntry& FW_Updater::FindFirmwareTypeById(int32_t id) {
  for (const FirmwareTypeEntry& entry : kFirmwareTypes)
    if (entry.id == id) return entry;
  return kNoFirmwareType;
}

const char* FW_Updater::GetFirmwareTypeName(int32_t id) {
  return FindFirmwareTypeById(id).name;
}
