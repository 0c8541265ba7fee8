#pragma once
// The updater of cameras reached directly over the USB3 camera drivers.

#include <cstdint>

#include "FW_Updater.h"
#include "usb3/CameraFW.h"

class FW_Updater_USB30 : public FW_Updater {
 public:
  FW_Updater_USB30() = default;
  ~FW_Updater_USB30() override = default;

  void SelectCameraOnBus(int32_t camera_index) override;
  void SelectCameraByPath(const char* path) override;
  void SelectCameraBySN(const char* serial) override;
  void SelectCameraByLocation(const char* location) override;

  // Driver selector: 0, or 1 for USB3_DRV_ZELVIX_USB.
  void SetUsb3Driver(int32_t driver) { camera_.SetDriver(driver); }
  void SetBulkRequests(uint8_t bulk) {
    bulk_requests_ = bulk;
    camera_.SetBulkRequests(bulk);
  }
  void SetCcdMode() { camera_.SetCcdMode(1); }

  // Number of cameras on the selected driver. Virtual so that the all-cameras
  // loop can be exercised on a fake.
  virtual int32_t GetCameraOnBusCount();

  int32_t GetUsb3Driver() const { return camera_.GetDriver(); }
  uint8_t GetBulkRequests() const { return bulk_requests_; }
  bool IsCcdMode() const { return camera_.GetCcdMode() != 0; }
  int32_t GetCameraIndex() const { return camera_.GetCameraIndex(); }

 protected:
  CameraFW camera_;

 private:
  // The selection by device path or location: each camera on the bus is
  // opened in turn and its text compared.
  void SelectCameraByText(const char* wanted, bool by_location);

  uint8_t bulk_requests_ = 0;
};
