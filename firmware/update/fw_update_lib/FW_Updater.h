#pragma once
// The abstract updater both back-ends derive from. It carries one requested
// operation (type, file and how to read it, address range, access key, camera
// selection, progress sink) and declares the operations the front end calls;
// each default body refuses with a message naming the operation.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FirmwareType.h"
#include "api/qzapi.h"
#include "platform/compiler.h"

class qzAPIplus_Camera;

using ProgressCallback = void (*)(int32_t percent, void* context);

class FW_Updater {
 public:
  FW_Updater() = default;
  FW_Updater(const FW_Updater&) = delete;
  FW_Updater& operator=(const FW_Updater&) = delete;

  // Virtual operations, in slot order.
  virtual void SelectCameraOnBus(int32_t camera_index);                          // 0
  virtual void SelectCameraByPath(const char* path);                             // 1
  virtual void SelectCameraBySN(const char* serial);                             // 2
  virtual void SelectCameraByLocation(const char* location);                     // 3
  virtual void ListOfCamerasLocations();                                         // 4
  virtual void DiffFirmwareContent();                                            // 5
  virtual void GetU3VFlag(uint8_t& flag);                                        // 6
  virtual void GetCurrentFirmwareVersion(char* buffer, int32_t size);            // 7
  virtual bool UpdateFirmware();                                                 // 8
  virtual void VerifyFirmware();                                                 // 9
  virtual void EmergencyBoot();                                                  // 10
  virtual void ResetCamera();                                                    // 11
  virtual void DumpFlash();                                                      // 12
  virtual void ExtractData();                                                    // 13
  virtual void InsertData();                                                     // 14
  virtual bool IsUpdatePossible();                                               // 15
  virtual bool IsDataUpgradeNeeded();                                            // 16
  virtual void UpgradeFirmware();                                                // 17
  virtual void SetNewFirmwareVersion(const char* version);                       // 18
  virtual void GetCameraModel(char* buffer, int32_t size);                       // 19
  virtual void SetLedBlinkCumberAfterInfo(int32_t count);                        // 20
  virtual void SetCameraHandle(qzHANDLE handle);                                 // 21
  virtual void GetLatestAvailableEEPROMDataVersion(char* buffer, int32_t size);  // 22
  virtual ~FW_Updater() = default;                                               // 23

  // Setters of the front end; each stores one field. Texts are not copied: the
  // caller keeps them alive for the updater's lifetime.
  void SetFirmwareType(int32_t type) { firmware_type = type; }
  void SetFileName(const char* name) { file_name = name; }
  void SetPatchFileName(const char* name) { patch_file_name = name; }
  void SetOutputFileName(const char* name) { output_file_name = name; }
  void SetStartAddress(uint32_t address) { start_address = address; }
  void SetStopAddress(uint32_t address) { stop_address = address; }
  void SetHexFileFormat(bool value) { hex_file_format = value; }
  void SetPlainFile() { encrypted_file = false; }
  void SetFileNameIsHex(bool value) { file_name_is_hex = value; }
  void SetFileNameIsSnSne(bool value) { file_name_is_sn_sne = value; }
  void SetUsb3CameraKind(int32_t kind) { usb3_camera_kind = kind; }
  void SetAccessKey(uint32_t key) { access_key = key; }
  void SetProgressCallback(ProgressCallback callback, void* context) {
    progress_callback = callback;
    progress_context = context;
  }

  // Read access for the front end and tests.
  int32_t GetFirmwareType() const { return firmware_type; }
  const char* GetFileName() const { return file_name; }
  const char* GetPatchFileName() const { return patch_file_name; }
  const char* GetOutputFileName() const { return output_file_name; }
  bool IsEncryptedFile() const { return encrypted_file; }
  bool IsHexFileFormat() const { return hex_file_format; }
  bool IsFileNameHex() const { return file_name_is_hex; }
  bool IsFileNameSnSne() const { return file_name_is_sn_sne; }
  int32_t GetUsb3CameraKind() const { return usb3_camera_kind; }
  int32_t GetCameraId() const { return camera_id; }
  const std::string& GetCameraSn() const { return camera_sn; }
  const std::string& GetCameraPath() const { return camera_path; }
  const std::string& GetCameraLocation() const { return camera_location; }
  uint32_t GetAccessKey() const { return access_key; }
  uint32_t GetStartAddress() const { return start_address; }
  uint32_t GetStopAddress() const { return stop_address; }

  // Calls the progress callback with percent, when one is set.
  void ReportProgress(int32_t percent);

  // The firmware file pre-check of prog and verify.
  bool CheckFileChecksum();

  // The camera's operation log: one time-stamped line per event, kept in the
  // camera as the single text entry of a ZIP archive in its flash file system.
  // Logging never stops an operation: failures are printed and the run goes on.
  static constexpr const char* kOperationLogFile = "FwOperationLog.zip";
  static constexpr const char* kOperationLogEntry = "FwOperationLog.txt";

  // Logs "FW prog of <type> [<digest>] <status>"; the digest is the start of
  // the MD5 of the firmware payload, for the types programmed from a file.
  void LogFirmwareOperation(int32_t firmware_type_id, const char* status);
  void LogOperationMessage(const char* format, ...) QZ_PRINTF_FORMAT(2, 3);
  // Appends one line to the log of the selected camera.
  void AppendToOperationLog(const char* message);
  // Opens the selected camera through the camera API; false when it cannot.
  bool OpenCameraForLogging(qzAPIplus_Camera& camera);
  // Reads the camera's archive, appends the line and writes the archive back.
  void UpdateOperationLogArchive(qzAPIplus_Camera& camera, const char* message);
  // The archive holding `text` and a terminating zero byte; empty on failure.
  static std::vector<uint8_t> PackFwLog(const std::string& text);
  // The log entry of an archive, whole; false (with a message) when there is none.
  static bool UnpackFwLog(const uint8_t* archive, size_t size, std::vector<uint8_t>& content);
  // Local time as "%Y-%m-%d %H%M%S".
  static std::string MakeTimeStamp();

  // The firmware type table.
  static const FirmwareTypeEntry& FindFirmwareTypeByName(const char* name);
  static const FirmwareTypeEntry& FindFirmwareTypeById(int32_t id);
  static const char* GetFirmwareTypeName(int32_t id);

 protected:
  // Selection texts hold at most 511 characters; longer values are cut.
  static constexpr size_t kSelectionTextMax = 511;
  void StoreCameraSn(const char* text);
  void StoreCameraPath(const char* text);
  void StoreCameraLocation(const char* text);

  const char* file_name = nullptr;
  const char* patch_file_name = nullptr;
  const char* output_file_name = nullptr;
  int32_t firmware_type = 0;
  bool encrypted_file = true;
  bool hex_file_format = false;
  bool file_name_is_hex = false;
  bool file_name_is_sn_sne = false;
  int32_t usb3_camera_kind = 0;
  int32_t camera_id = -1;
  std::string camera_sn;
  std::string camera_path;
  std::string camera_location;
  ProgressCallback progress_callback = nullptr;
  void* progress_context = nullptr;
  uint32_t access_key = 0;
  uint32_t start_address = 0;
  uint32_t stop_address = 0;
};
