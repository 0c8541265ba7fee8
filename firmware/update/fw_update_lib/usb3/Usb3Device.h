#pragma once
// The USB3 transport: counting and opening the cameras of the two USB3 camera
// drivers, and the two vendor-request exchanges with a camera's FX3 controller
// over its bulk command channel. Nothing here prints or throws: every
// operation returns 0 for success and nonzero for failure and traces why.

#include <cstdint>
#include <memory>

#include "platform/usb_driver.h"

// One open camera. The no-device value is a null pointer.
struct Usb3Device {
  Usb3Device() = default;
  ~Usb3Device();
  Usb3Device(const Usb3Device&) = delete;
  Usb3Device& operator=(const Usb3Device&) = delete;

  platform::UsbHandle control = platform::kNoHandle;   // synchronous I/O
  platform::UsbHandle transfer = platform::kNoHandle;  // overlapped I/O
  uint32_t bulk_requests = 0;
  uint32_t usb2 = 0;                               // the driver reported USB 2.0 high speed
  platform::UsbHandle lock = platform::kNoHandle;  // hRWMutex, named after the device path
  uint8_t fw_version[2] = {0, 0};                  // controller firmware: minor, major
  char device_path[2048] = {};
  char location[2048] = {};
  uint16_t mcu_request_counter = 0;  // numbers the STM32 MCU commands
};

// Cameras of both interface classes, at most 255 of each.
int32_t GetNumberOfDevicesUSB30();

// Opens the camera of a global index: the interfaces of the FX3 generic
// driver's class first, then those of the camera driver's class. Null on
// failure.
std::unique_ptr<Usb3Device> OpenDeviceUSB30(int32_t index);

// Closes both handles and the lock; a null device is ignored.
void CloseDeviceUSB30(std::unique_ptr<Usb3Device>& device);

// Copy the stored device path or location, cut to capacity − 1 characters.
int GetDevicePathUSB30(const Usb3Device* device, char* text, uint32_t capacity);
int GetDeviceLocationUSB30(const Usb3Device* device, char* text, uint32_t capacity);

// Packet size P of the device's bulk endpoints: 1024, or 512 at USB 2.0.
uint32_t GetPacketSize(const Usb3Device* device);

// Largest data block of one request in block transfers: P − 22 rounded down
// to a multiple of 64 (960, or 448 at USB 2.0).
uint32_t GetMaxTransferChunk(const Usb3Device* device);

// One vendor request: with `write`, length bytes of buffer are sent; without,
// length bytes are asked for and stored in buffer. A zero length with no
// buffer is a bare request. length may be at most P − 22.
int u3VrReq(Usb3Device* device, uint8_t code, uint16_t value, uint16_t index, uint8_t* buffer,
            uint32_t length, bool write, bool take_lock);

// One vendor request that sends a block (at most P − 10 bytes) and receives a
// reply block; *received (optional) is set when reply data was copied.
int u3VrReqBulkBid(Usb3Device* device, uint8_t code, uint16_t value, uint16_t index,
                   const uint8_t* send, uint32_t send_length, uint8_t* receive,
                   uint32_t receive_capacity, uint32_t* received, bool take_lock);

// The device lock across processes: recursive for its owner, waits up to 5 s.
int LockResourceAccess(Usb3Device* device);
void UnlockResourceAccess(Usb3Device* device);

// The process-wide request counter that numbers the command frames.
uint16_t GetRequestCounterUSB30();
