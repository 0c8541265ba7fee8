#pragma once
// The updater of cameras reached directly over the USB3 camera drivers.

#include <cstdint>

#include "FW_Updater.h"

class FW_Updater_USB30 : public FW_Updater {
 public:
  FW_Updater_USB30() = default;
  ~FW_Updater_USB30() override = default;

  void SelectCameraOnBus(int32_t camera_index) override;
  void SelectCameraByPath(const char* path) override;
  void SelectCameraBySN(const char* serial) override;
  void SelectCameraByLocation(const char* location) override;

  // Driver selector: 0, or 1 for USB3_DRV_ZELVIX_USB.
  void SetUsb3Driver(int32_t driver) { usb3_driver_ = driver; }
  void SetBulkRequests(uint8_t bulk) { bulk_requests_ = bulk; }
  void SetCcdMode() { ccd_mode_ = true; }

  // Number of cameras on the selected driver. Virtual so that the all-cameras
  // loop can be exercised on a fake.
  virtual int32_t GetCameraOnBusCount();

  int32_t GetUsb3Driver() const { return usb3_driver_; }
  uint8_t GetBulkRequests() const { return bulk_requests_; }
  bool IsCcdMode() const { return ccd_mode_; }
  int32_t GetCameraIndex() const { return camera_index_; }

 private:
  uint8_t bulk_requests_ = 0;
  int32_t usb3_driver_ = 0;
  bool ccd_mode_ = false;
  int32_t camera_index_ = 0;
};
