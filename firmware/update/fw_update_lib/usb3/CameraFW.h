#pragma once
// The USB3 updater's camera access object: which camera to open, the open
// device, and the camera's operations built from vendor-request sequences:
// restart, controller version, serial flash and FPGA registers (CameraFW.cpp),
// and the programming channels of the camera's microcontrollers
// (CameraFW_Mcu.cpp). Each operation throws TextException with its message
// when its sequence fails; the sequences below return codes.

#include <cstdint>
#include <memory>

#include "usb3/Usb3Device.h"

constexpr int32_t USB3_DRV_ZELVIX_USB = 1;

class CameraFW {
 public:
  // Targets of ReadDeviceInfo and WriteSPI.
  static constexpr int kTargetFlash = 0;
  static constexpr int kTargetFpga = 1;
  // Reply buffer of SendCommandToStmMcu.
  static constexpr uint32_t kStmReplySize = 260;

  CameraFW() = default;
  ~CameraFW();
  CameraFW(const CameraFW&) = delete;
  CameraFW& operator=(const CameraFW&) = delete;

  void SetCameraIndex(uint16_t index) { camera_index_ = index; }
  void SetDriver(int32_t driver) { driver_ = driver; }
  void SetBulkRequests(uint8_t bulk) { bulk_requests_ = bulk; }
  void SetCcdMode(uint8_t ccd) { ccd_mode_ = ccd; }
  uint16_t GetCameraIndex() const { return camera_index_; }
  int32_t GetDriver() const { return driver_; }
  uint8_t GetBulkRequests() const { return bulk_requests_; }
  uint8_t GetCcdMode() const { return ccd_mode_; }
  Usb3Device* GetDevice() const { return device_.get(); }

  // --- Connection
  int32_t GetCameraOnBusCount();
  void OpenCamera();
  void CloseCamera();
  bool IsCameraOpen() const { return device_ != nullptr; }
  bool WaitOpenReady();
  void ResetDevice();

  // --- Controller, serial flash and FPGA registers
  uint16_t GetCpuVersion();
  void ReadDeviceInfo(uint32_t address, uint8_t* buffer, uint32_t length, int target);
  void WriteSPI(uint32_t address, const uint8_t* data, uint32_t length, int target);
  void SectorErase(uint32_t sector);
  // Loads an FX3 boot image into the controller's RAM and starts it.
  void LoadFW_From_Buffer(const uint8_t* image, uint32_t length);

  // --- C2-interface MCU
  void c2iPageErase(uint32_t page);
  void c2iRead(uint32_t address, uint8_t* buffer, uint32_t length, bool first_call);
  void c2iWrite(uint32_t address, const uint8_t* data, uint32_t length, bool first_call);

  // --- STM32F4xx MCU
  void cpu2PageErase(uint32_t sector, bool first_call);
  void cpu2Read(uint32_t address, uint8_t* buffer, uint32_t length, bool first_call);
  void cpu2Write(uint32_t address, const uint8_t* data, uint32_t length, bool first_call);
  void cpu2SetToReset();
  void SendCommandToStmMcu(uint16_t command, uint8_t* reply);
  uint16_t GetStm32FirmwareVersion();
  void GetSID_From_STM32F4XX(uint8_t* buffer, uint32_t capacity);

  // --- C51 MCU of the TR cameras
  void c51Erase(uint32_t count);
  void c51WriteFlash(uint32_t address, const uint8_t* data, uint32_t length);
  void c51ReadFlash(uint32_t address, uint8_t* buffer, uint32_t length);
  void WriteEepromC51_TR(uint32_t address, const uint8_t* data, uint32_t length);
  void ReadEepromC51_TR(uint32_t address, uint8_t* buffer, uint32_t length);
  uint32_t GetC51FlashVersion();
  uint32_t GetC51EepromVersion();

  // One TR transfer of at most two pieces: kind 0 sends `send`, kind 1
  // fetches into `receive`. 0 on success.
  int USB_TR_SendCommand(uint16_t kind, const uint8_t* send, uint32_t send_length, uint8_t* receive,
                         uint32_t receive_capacity, uint32_t* received);
  // Sends a packet to the C51 MCU and fetches its whole reply, trying each
  // piece up to tries + 1 times. A null reply sends only. 0 on success.
  int TrMcuTransaction(const uint8_t* packet, uint32_t packet_length, uint8_t* reply,
                       uint32_t reply_capacity, uint32_t tries, uint32_t* reply_length = nullptr);

 private:
  enum class Generation { kA, kB, kC };
  Generation ControllerGeneration() const;

  int ReadFlashSequence(uint32_t address, uint8_t* buffer, uint32_t length);
  int ReadFpgaSequence(uint32_t address, uint8_t* buffer, uint32_t length);
  int WriteFlashSequence(uint32_t address, const uint8_t* data, uint32_t length);
  int WriteFpgaSequence(uint32_t address, const uint8_t* data, uint32_t length);
  int SectorEraseSequence(uint32_t sector);
  // Generation A helpers, inside a held lock.
  int Request(uint8_t code, uint8_t* buffer = nullptr, uint32_t length = 0, bool write = true);
  int FlashCommand(const uint8_t* bytes, uint32_t length);
  int ReadFlashStatus(uint8_t* status);
  int SetTransferParams(const uint8_t command[4], uint32_t bits);

  int McuChannelSequence(uint8_t init_code, bool init_read, bool init_takes_lock, bool first_call,
                         uint32_t address, uint8_t transfer_code, uint8_t* buffer, uint32_t length,
                         uint32_t block, bool write);
  int TrPiece(uint16_t kind, uint16_t phase, uint16_t length, const uint8_t* data, uint8_t* receive,
              uint32_t* received);
  int BootloaderProbe();
  int TrReadSequence(uint8_t command, uint32_t address, uint8_t* buffer, uint32_t length,
                     uint32_t tries);

  uint16_t camera_index_ = 0;
  int32_t driver_ = USB3_DRV_ZELVIX_USB;
  std::unique_ptr<Usb3Device> device_;
  uint8_t bulk_requests_ = 0;
  uint8_t ccd_mode_ = 0;
};
