#include "api/qzAPIplus_Camera.h"

#include <string>

namespace {

constexpr int32_t kInvalidHandleCode = 1;

void Check(int status, const char* operation) {
  if (status != 0) throw qzAPIplus_Exception(status, operation);
}

// The text parameters name their key as well.
void CheckKey(int status, const char* operation, const char* key) {
  if (status != 0)
    throw qzAPIplus_Exception(status, (std::string(operation) + " - " + key).c_str());
}

// A negative size hands over no buffer at all.
uint32_t BufferSize(int32_t size) {
  return size > 0 ? static_cast<uint32_t>(size) : 0;
}

}  // namespace

qzAPIplus_Camera::~qzAPIplus_Camera() {
  ReleaseHandle();
}

void qzAPIplus_Camera::ReleaseHandle() {
  if (handle_ != nullptr) qzCloseDevice(handle_);
  handle_ = nullptr;
}

void qzAPIplus_Camera::RequireHandle(const char* operation) const {
  if (handle_ == nullptr) throw qzAPIplus_Exception(kInvalidHandleCode, operation);
}

void qzAPIplus_Camera::Open(int status, qzHANDLE handle, const char* operation) {
  Check(status, operation);
  if (handle == nullptr) throw qzAPIplus_Exception(kInvalidHandleCode, operation);
  handle_ = handle;
}

// Opening again releases the handle held so far, which would otherwise stay
// open in the library for the rest of the process.
void qzAPIplus_Camera::OpenByID(uint32_t index) {
  ReleaseHandle();
  qzHANDLE handle = nullptr;
  const int status = qzOpenDevice(index, &handle);
  Open(status, handle, "OpenByID");
}

void qzAPIplus_Camera::OpenByPath(const char* path) {
  ReleaseHandle();
  qzHANDLE handle = nullptr;
  const int status = qzOpenDeviceBy(QZ_OPEN_BY_INST_PATH, path, &handle);
  Open(status, handle, "OpenByPath");
}

void qzAPIplus_Camera::OpenBySN(const char* serial) {
  ReleaseHandle();
  qzHANDLE handle = nullptr;
  const int status = qzOpenDeviceBy(QZ_OPEN_BY_SN, serial, &handle);
  Open(status, handle, "OpenBySN");
}

void qzAPIplus_Camera::OpenByLocation(const char* location) {
  ReleaseHandle();
  qzHANDLE handle = nullptr;
  const int status = qzOpenDeviceBy(QZ_OPEN_BY_LOC_PATH, location, &handle);
  Open(status, handle, "OpenByLocation");
}

void qzAPIplus_Camera::Close() {
  if (handle_ == nullptr) return;
  const int status = qzCloseDevice(handle_);
  handle_ = nullptr;
  Check(status, "Close");
}

bool qzAPIplus_Camera::IsExist() {
  RequireHandle("IsExist");
  int value = 0;
  qzGetParamInt(handle_, "isexist", &value);
  return value != 0;
}

int qzAPIplus_Camera::GetNumberOfConnectedCameras() {
  uint32_t count = 0;
  Check(qzGetNumberDevices(&count), "GetNumberOfConnectedCameras");
  return static_cast<int>(count);
}

void qzAPIplus_Camera::EnableCamEnumGoldenEnabled() {
  Check(qzSetParamInt(nullptr, "cam_enum_golden_enabled", 1), "EnableCamEnumGoldenEnabled");
}

int qzAPIplus_Camera::GetInt(const char* operation, const char* key, bool needs_handle) {
  if (needs_handle) RequireHandle(operation);
  int value = 0;
  Check(qzGetParamInt(handle_, key, &value), operation);
  return value;
}

void qzAPIplus_Camera::SetInt(const char* operation, const char* key, int value,
                              bool needs_handle) {
  if (needs_handle) RequireHandle(operation);
  Check(qzSetParamInt(handle_, key, value), operation);
}

void qzAPIplus_Camera::GetText(const char* operation, const char* key, char* buffer, int32_t size) {
  RequireHandle(operation);
  Check(qzGetParamString(handle_, key, buffer, BufferSize(size)), operation);
  if (size > 0) buffer[size - 1] = '\0';
}

void qzAPIplus_Camera::EnableCameraSensorInitDisabled() {
  SetInt("EnableCameraSensorInitDisabled", "cam_sensor_init_disabled", 1, false);
}
void qzAPIplus_Camera::DisableCameraSensorInitDisabled() {
  SetInt("DisableCameraSensorInitDisabled", "cam_sensor_init_disabled", 0, false);
}
bool qzAPIplus_Camera::IsCameraSensorInitDisabled() {
  int value = 0;
  qzGetParamInt(handle_, "cam_sensor_init_disabled", &value);
  return value != 0;
}
void qzAPIplus_Camera::DisableAutoBandwidthCalculation() {
  SetInt("DisableAutoBandwidthCalculation", "auto_bandwidth_calculation", 0, false);
}

void qzAPIplus_Camera::GetCameraName(char* buffer, int32_t size) {
  GetText("GetCameraName", "device_name", buffer, size);
}
void qzAPIplus_Camera::GetSerialNumber(char* buffer, int32_t size) {
  GetText("GetSerialNumber", "device_sn", buffer, size);
}
void qzAPIplus_Camera::GetDeviceId(char* buffer, int32_t size) {
  GetText("GetDeviceId", "device_id", buffer, size);
}
int qzAPIplus_Camera::GetModelId() {
  return GetInt("GetModelId", "device_model_id", true);
}

void qzAPIplus_Camera::SetDeviceReset(int value) {
  SetInt("SetDeviceReset", "device_reset", value, true);
}

void qzAPIplus_Camera::SetVersionSelector(int value) {
  SetInt("SetVersionSelector", "version_selector", value, true);
}
void qzAPIplus_Camera::GetVersion(char* buffer, int32_t size) {
  GetText("GetVersion", "version", buffer, size);
}
void qzAPIplus_Camera::GetVersionMCU1(char* buffer, int32_t size) {
  GetText("GetVersionMCU1", "version_mcu1", buffer, size);
}
void qzAPIplus_Camera::GetVersionMCU2(char* buffer, int32_t size) {
  GetText("GetVersionMCU2", "version_mcu2", buffer, size);
}
void qzAPIplus_Camera::GetVersionMCU3(char* buffer, int32_t size) {
  GetText("GetVersionMCU3", "version_mcu3", buffer, size);
}
void qzAPIplus_Camera::GetVersionFPGA1(char* buffer, int32_t size) {
  GetText("GetVersionFPGA1", "version_fpga1", buffer, size);
}
void qzAPIplus_Camera::GetVersionXMLMAN(char* buffer, int32_t size) {
  GetText("GetVersionXMLMAN", "version_xmlman", buffer, size);
}

int qzAPIplus_Camera::GetLEDSelector_Minimum() {
  return GetInt("GetLEDSelector_Minimum", "led_selector:min", true);
}
int qzAPIplus_Camera::GetLEDSelector_Maximum() {
  return GetInt("GetLEDSelector_Maximum", "led_selector:max", true);
}
void qzAPIplus_Camera::SetLEDSelector(int value) {
  SetInt("SetLEDSelector", "led_selector", value, true);
}
void qzAPIplus_Camera::SetLEDMode(int value) {
  SetInt("SetLEDMode", "led_mode", value, true);
}

void qzAPIplus_Camera::SetDeviceUnitSelector(int value) {
  SetInt("SetDeviceUnitSelector", "device_unit_selector", value, true);
}
void qzAPIplus_Camera::SetDeviceUnitRegisterSelector(int value) {
  SetInt("SetDeviceUnitRegisterSelector", "device_unit_register_selector", value, true);
}
int qzAPIplus_Camera::GetDeviceUnitRegister() {
  return GetInt("GetDeviceUnitRegister", "device_unit_register_value", true);
}

void qzAPIplus_Camera::SetFFSAccessKey(uint32_t key) {
  // The key travels as the library's int, bit for bit.
  SetInt("SetFFSAccessKey", "ffs_access_key", static_cast<int>(key), true);
}
void qzAPIplus_Camera::SetFFSFileName(const char* name) {
  const std::string text = name != nullptr ? name : "";
  Check(
      qzSetParamString(handle_, "ffs_file_name", text.c_str(), static_cast<uint32_t>(text.size())),
      "SetFFSFileName");
}
void qzAPIplus_Camera::SetFFSFileOffset(uint32_t offset) {
  SetInt("SetFFSFileOffset", "ffs_file_offset", static_cast<int>(offset), false);
}
int qzAPIplus_Camera::GetFFSFileSize() {
  return GetInt("GetFFSFileSize", "ffs_file_size", false);
}
void qzAPIplus_Camera::GetReadFileFFS(void* buffer, uint32_t size) {
  Check(qzGetParamString(handle_, "read_file_ffs", buffer, size), "GetReadFileFFS");
}

void qzAPIplus_Camera::GetQZAPIParamStr(const char* key, void* buffer, uint32_t size) {
  if (handle_ == nullptr) CheckKey(kInvalidHandleCode, "GetQZAPIParamStr", key);
  CheckKey(qzGetParamString(handle_, key, buffer, size), "GetQZAPIParamStr", key);
}

void qzAPIplus_Camera::SetQZAPIParamStr(const char* key, const void* data, uint32_t size) {
  if (handle_ == nullptr) CheckKey(kInvalidHandleCode, "SetQZAPIParamStr", key);
  CheckKey(qzSetParamString(handle_, key, data, size), "SetQZAPIParamStr", key);
}
