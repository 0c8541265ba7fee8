#pragma once
// One camera of the camera API: holds its open handle and offers one operation
// per camera parameter the updater uses. Every non-zero API status is thrown as
// a qzAPIplus_Exception naming the operation. Operations that need an open
// camera refuse with code 1 while it is closed, without calling the library;
// the others pass a null handle, which addresses the library's global settings.

#include <cstdint>

#include "api/qzAPIplus_Exception.h"
#include "api/qzapi.h"

class qzAPIplus_Camera {
 public:
  qzAPIplus_Camera() = default;
  // Closes a held handle.
  ~qzAPIplus_Camera();
  qzAPIplus_Camera(const qzAPIplus_Camera&) = delete;
  qzAPIplus_Camera& operator=(const qzAPIplus_Camera&) = delete;

  // Opening: by enumeration index, instance path, serial number or location path.
  void OpenByID(uint32_t index);
  void OpenByPath(const char* path);
  void OpenBySN(const char* serial);
  void OpenByLocation(const char* location);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  qzHANDLE GetHandle() const { return handle_; }

  // True while the open camera is present; a failing status answers false.
  bool IsExist();

  // Library-wide: need no camera object.
  static int GetNumberOfConnectedCameras();
  static void EnableCamEnumGoldenEnabled();

  void EnableCameraSensorInitDisabled();
  void DisableCameraSensorInitDisabled();
  // A failing status answers false.
  bool IsCameraSensorInitDisabled();
  void DisableAutoBandwidthCalculation();

  // Identity.
  void GetCameraName(char* buffer, int32_t size);
  void GetSerialNumber(char* buffer, int32_t size);
  void GetDeviceId(char* buffer, int32_t size);
  int GetModelId();

  void SetDeviceReset(int value);

  // Versions.
  void SetVersionSelector(int value);
  void GetVersion(char* buffer, int32_t size);
  void GetVersionMCU1(char* buffer, int32_t size);
  void GetVersionMCU2(char* buffer, int32_t size);
  void GetVersionMCU3(char* buffer, int32_t size);
  void GetVersionFPGA1(char* buffer, int32_t size);
  void GetVersionXMLMAN(char* buffer, int32_t size);

  // LEDs.
  int GetLEDSelector_Minimum();
  int GetLEDSelector_Maximum();
  void SetLEDSelector(int value);
  void SetLEDMode(int value);

  // Device-unit registers.
  void SetDeviceUnitSelector(int value);
  void SetDeviceUnitRegisterSelector(int value);
  int GetDeviceUnitRegister();

  // The flash file system: select a file, then read or write it.
  void SetFFSAccessKey(uint32_t key);
  void SetFFSFileName(const char* name);
  void SetFFSFileOffset(uint32_t offset);
  int GetFFSFileSize();
  void GetReadFileFFS(void* buffer, uint32_t size);

  // Any text or data parameter.
  void GetQZAPIParamStr(const char* key, void* buffer, uint32_t size);
  void SetQZAPIParamStr(const char* key, const void* data, uint32_t size);

 private:
  void RequireHandle(const char* operation) const;
  // Releases a held handle without looking at the status.
  void ReleaseHandle();
  void Open(int status, qzHANDLE handle, const char* operation);
  int GetInt(const char* operation, const char* key, bool needs_handle);
  void SetInt(const char* operation, const char* key, int value, bool needs_handle);
  void GetText(const char* operation, const char* key, char* buffer, int32_t size);

  qzHANDLE handle_ = nullptr;
};
