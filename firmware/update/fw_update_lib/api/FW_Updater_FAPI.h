#pragma once
// The updater of cameras reached through the maker's camera API, which keep
// their firmware as files of an on-camera flash file system.

#include <cstdint>
#include <string>

#include "FW_Updater.h"

// The fixed key under which the camera takes writes of its EEPROM file
// ("File_EEPROM1"); every other file is written under the updater's access key.
constexpr uint32_t kEepromAccessKey = 0x3C5A96E1;

enum CameraSelectionKind : int32_t {
  FirstCamera = 0,
  ById = 1,
  ByPath = 2,
  BySerial = 3,
  ByLocation = 4,
};

class FW_Updater_FAPI : public FW_Updater {
 public:
  FW_Updater_FAPI() = default;
  ~FW_Updater_FAPI() override = default;

  void SelectCameraOnBus(int32_t camera_index) override;        // 0
  void SelectCameraByPath(const char* path) override;           // 1
  void SelectCameraBySN(const char* serial) override;           // 2
  void SelectCameraByLocation(const char* location) override;   // 3
  void SetNewFirmwareVersion(const char* version) override;     // 18
  void SetLedBlinkCumberAfterInfo(int32_t count) override;      // 20
  void SetCameraHandle(qzHANDLE handle) override;               // 21
  virtual int32_t GetNumberOfCameras();                         // 24
  virtual void SetCurrentFirmwareVersion(const char* version);  // 25

  void SetCameraModelName(const char* name);
  void SetEepromVersion(const char* version);
  void SetSkipEepromUpgrade() { skip_eeprom_upgrade_ = true; }
  void SetEepromVersionFromCpuVersion() { eeprom_version_from_cpu_version_ = true; }
  void SetForcedModelSne(const char* sne);

  // Read access for tests.
  CameraSelectionKind GetSelectionKind() const { return selector_.kind; }
  uint32_t GetSelectedDeviceId() const { return selector_.device_id; }
  const std::string& GetSelectedPath() const { return selector_.path; }
  const std::string& GetSelectedSerial() const { return selector_.serial; }
  const std::string& GetSelectedLocation() const { return selector_.location; }
  bool IsModelSneForced() const { return selector_.forced_sne; }
  const std::string& GetForcedModelSne() const { return selector_.forced_sne_text; }
  const std::string& GetNewFirmwareVersion() const { return new_firmware_version_; }
  const std::string& GetCurrentFirmwareVersionText() const { return current_firmware_version_; }
  const std::string& GetCameraModelName() const { return model_name_; }
  const std::string& GetEepromVersion() const { return eeprom_version_; }
  bool IsSkipEepromUpgrade() const { return skip_eeprom_upgrade_; }
  bool IsEepromVersionFromCpuVersion() const { return eeprom_version_from_cpu_version_; }
  int32_t GetLedBlinks() const { return led_blinks_; }
  qzHANDLE GetCameraHandle() const { return camera_handle_; }
  bool IsExternalHandle() const { return external_handle_; }

 private:
  struct CameraSelector {
    CameraSelectionKind kind = FirstCamera;
    uint32_t device_id = 0;
    std::string path;      // at most 259 characters
    std::string serial;    // at most 259 characters
    std::string location;  // at most 259 characters
    bool forced_sne = false;
    std::string forced_sne_text;  // at most 19 characters
  };

  CameraSelector selector_;
  std::string new_firmware_version_;      // at most 199 characters
  std::string current_firmware_version_;  // at most 199 characters
  std::string model_name_;                // at most 199 characters
  std::string eeprom_version_;            // at most 9 characters
  bool skip_eeprom_upgrade_ = false;
  bool eeprom_version_from_cpu_version_ = false;
  int32_t led_blinks_ = 0;
  qzHANDLE camera_handle_ = nullptr;
  bool external_handle_ = false;
};
