#include "usb3/Usb3Device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "TracePrint.h"
#include "platform/clock.h"
#include "platform/little_endian.h"
#include "usb3/VendorRequests.h"

using platform::GetUsbDriver;
using platform::kNoHandle;

namespace {

// The interface classes, in the order cameras are numbered: the Cypress FX3
// generic USB driver's, then the camera driver's.
constexpr platform::Guid kInterfaceClasses[2] = {
    {0xAE18AA60, 0x7F6A, 0x11D4, {0x97, 0xDD, 0x00, 0x01, 0x02, 0x29, 0xB9, 0x59}},
    {0x6D3494EF, 0x7256, 0x4641, {0x9C, 0xF3, 0x4E, 0x29, 0xC7, 0x3D, 0xFB, 0x25}},
};
constexpr int32_t kMaxInterfacesPerClass = 255;
constexpr uint32_t kPropertyBufferSize = 2048;

// Frames on the bulk command channel.
constexpr uint32_t kFramePrefix = 0x55335670;
constexpr uint16_t kCommandId = 0x003F;
constexpr uint16_t kDirectionWrite = 0;
constexpr uint16_t kDirectionRead = 1;
constexpr uint16_t kDirectionBoth = 2;
constexpr uint16_t kStatusPending = 0x88;
constexpr uint16_t kStatusRefused = 0x8A;
constexpr uint32_t kCommandHeader = 22;
constexpr uint32_t kAckHeader = 12;
constexpr uint8_t kCommandEndpoint = 0x02;
constexpr uint8_t kAckEndpoint = 0x82;
constexpr uint32_t kTransferDescriptorSize = 38;
constexpr uint32_t kAckWaitMs = 1000;
constexpr uint32_t kPingAckWaitMs = 200;
constexpr int kMaxAckReads = 9;
constexpr int kMaxBulkBidAckReads = 4;
constexpr uint32_t kLockWaitMs = 5000;

uint16_t g_request_counter = 0;

int32_t CountInterfaces(const platform::Guid& interface_class) {
  platform::UsbDriver& driver = GetUsbDriver();
  const platform::InterfaceSet set = driver.GetPresentInterfaces(interface_class);
  if (set == platform::kNoInterfaceSet) return 0;
  int32_t count = 0;
  while (count < kMaxInterfacesPerClass &&
         driver.EnumInterface(set, static_cast<uint32_t>(count)) == platform::kErrorSuccess)
    ++count;
  driver.DestroyInterfaceSet(set);
  return count;
}

// Releases an interface snapshot on every way out of the open.
struct InterfaceSetHolder {
  platform::InterfaceSet set;
  ~InterfaceSetHolder() { GetUsbDriver().DestroyInterfaceSet(set); }
};

// Reads the first location string into `location`: the location-paths
// property, or the location information when the device has no location paths.
bool ReadLocation(platform::InterfaceSet set, uint32_t position, char* location) {
  platform::UsbDriver& driver = GetUsbDriver();
  platform::DeviceProperty property = platform::DeviceProperty::kLocationPaths;
  uint32_t required = 0;
  uint32_t error = driver.GetDeviceProperty(set, position, property, nullptr, 0, &required);
  if (error == platform::kErrorInvalidData) {
    property = platform::DeviceProperty::kLocationInformation;
    error = driver.GetDeviceProperty(set, position, property, nullptr, 0, &required);
  }
  if (error != platform::kErrorInsufficientBuffer && error != platform::kErrorSuccess) return false;
  if (required > kPropertyBufferSize) return false;
  uint8_t buffer[kPropertyBufferSize] = {};
  if (driver.GetDeviceProperty(set, position, property, buffer, kPropertyBufferSize, &required) !=
      platform::kErrorSuccess)
    return false;
  buffer[kPropertyBufferSize - 1] = 0;
  std::memcpy(location, buffer, kPropertyBufferSize);
  return true;
}

// Writes one command frame on the control handle (endpoint 0x02).
uint32_t XferData30(Usb3Device* device, std::vector<uint8_t>& frame) {
  uint8_t descriptor[kTransferDescriptorSize] = {};
  descriptor[13] = kCommandEndpoint;
  uint32_t returned = 0;
  return GetUsbDriver().DeviceIoControl(device->control, platform::kIoctlBulkTransfer, descriptor,
                                        kTransferDescriptorSize, frame.data(),
                                        static_cast<uint32_t>(frame.size()), &returned, nullptr);
}

std::vector<uint8_t> CommandFrame(uint16_t direction, uint8_t code, uint16_t value, uint16_t index,
                                  const uint8_t* payload, uint32_t payload_length,
                                  uint16_t data_length) {
  std::vector<uint8_t> frame(kCommandHeader + payload_length);
  WriteLe32(&frame[0], kFramePrefix);
  WriteLe16(&frame[4], 0);
  WriteLe16(&frame[6], kCommandId);
  WriteLe16(&frame[8], static_cast<uint16_t>(10 + payload_length));
  WriteLe16(&frame[10], g_request_counter);
  WriteLe16(&frame[12], direction);
  WriteLe16(&frame[14], code);
  WriteLe16(&frame[16], value);
  WriteLe16(&frame[18], index);
  WriteLe16(&frame[20], data_length);
  if (payload_length > 0) std::memcpy(&frame[kCommandHeader], payload, payload_length);
  return frame;
}

// One acknowledge read on the transfer handle (endpoint 0x82). A read that
// has not completed is cancelled and its completion collected before the
// buffer or the event goes away or is posted again.
class AckReader {
 public:
  explicit AckReader(Usb3Device* device)
      : device_(device),
        buffer_(GetPacketSize(device)),
        event_(GetUsbDriver().CreateManualResetEvent()) {}
  ~AckReader() {
    Finish();
    GetUsbDriver().CloseHandle(event_);
  }
  AckReader(const AckReader&) = delete;
  AckReader& operator=(const AckReader&) = delete;

  // BeginDataXfer30: 0 when the read is on its way, else the system error.
  uint32_t Post() {
    Finish();
    if (event_ == kNoHandle) return platform::kErrorInvalidHandle;
    GetUsbDriver().ResetEvent(event_);
    std::fill(buffer_.begin(), buffer_.end(), 0);
    uint8_t descriptor[kTransferDescriptorSize] = {};
    descriptor[13] = kAckEndpoint;
    overlapped_ = platform::Overlapped{};
    overlapped_.event = event_;
    const uint32_t error = GetUsbDriver().DeviceIoControl(
        device_->transfer, platform::kIoctlBulkTransfer, descriptor, kTransferDescriptorSize,
        buffer_.data(), static_cast<uint32_t>(buffer_.size()), nullptr, &overlapped_);
    if (error != platform::kErrorIoPending && error != platform::kErrorSuccess) return error;
    in_flight_ = true;
    return 0;
  }

  // True when the read completed within timeout_ms.
  bool Wait(uint32_t timeout_ms) {
    if (GetUsbDriver().WaitForObject(event_, timeout_ms) != platform::WaitResult::kSignaled)
      return false;
    uint32_t transferred = 0;
    GetUsbDriver().GetOverlappedResult(device_->transfer, &overlapped_, &transferred, false);
    in_flight_ = false;
    return true;
  }

  void Finish() {
    if (!in_flight_) return;
    uint32_t transferred = 0;
    GetUsbDriver().CancelIo(device_->transfer, &overlapped_);
    GetUsbDriver().GetOverlappedResult(device_->transfer, &overlapped_, &transferred, true);
    in_flight_ = false;
  }

  uint32_t Prefix() const { return ReadLe32(&buffer_[0]); }
  uint16_t Status() const { return ReadLe16(&buffer_[4]); }
  uint16_t CommandId() const { return ReadLe16(&buffer_[6]); }
  uint16_t Length() const { return ReadLe16(&buffer_[8]); }
  uint16_t RequestId() const { return ReadLe16(&buffer_[10]); }
  const uint8_t* Data() const { return &buffer_[kAckHeader]; }
  uint32_t DataCapacity() const { return static_cast<uint32_t>(buffer_.size()) - kAckHeader; }

  // The frame belongs to the request `request_id`; traces the mismatch if not.
  bool Matches(uint16_t request_id) const {
    if (Prefix() == kFramePrefix && RequestId() == request_id && CommandId() == kCommandId)
      return true;
    TracePrint(3, "ZVX u3VrReq bad ack %d!=%d %d!=%d %d!=%d\n", static_cast<int>(Prefix()),
               static_cast<int>(kFramePrefix), RequestId(), request_id, CommandId(), kCommandId);
    return false;
  }

 private:
  Usb3Device* device_;
  std::vector<uint8_t> buffer_;
  platform::UsbHandle event_;
  platform::Overlapped overlapped_;
  bool in_flight_ = false;
};

// Clears the endpoints after an acknowledge that cannot be matched: abort and
// reset each endpoint, then reset the port. The abort also ends the
// acknowledge read still outstanding.
void RecoverEndpoints(Usb3Device* device) {
  TracePrint(3, "u3VrReq error: unknown ack. Reset endpoints.\n");
  platform::UsbDriver& driver = GetUsbDriver();
  for (uint8_t endpoint : {uint8_t{0x81}, kCommandEndpoint, kAckEndpoint}) {
    driver.DeviceIoControl(device->control, platform::kIoctlAbortPipe, &endpoint, 1, nullptr, 0,
                           nullptr, nullptr);
    driver.DeviceIoControl(device->control, platform::kIoctlResetPipe, &endpoint, 1, nullptr, 0,
                           nullptr, nullptr);
  }
  driver.DeviceIoControl(device->control, platform::kIoctlResetParentPort, nullptr, 0, nullptr, 0,
                         nullptr, nullptr);
}

// Writes the frame; traces a failed write.
bool WriteCommand(Usb3Device* device, std::vector<uint8_t>& frame) {
  const uint32_t error = XferData30(device, frame);
  if (error == platform::kErrorSuccess) return true;
  TracePrint(4, "XferData30 error %d\r\n", static_cast<int>(error));
  TracePrint(3, "u3VrReq couldn't write command\n");
  return false;
}

// Takes the lock for one exchange when asked to.
bool TakeLock(Usb3Device* device, bool take_lock) {
  if (!take_lock || LockResourceAccess(device) == 0) return true;
  TracePrint(3, "hRWMutex failed\r\n");
  return false;
}

}  // namespace

Usb3Device::~Usb3Device() {
  platform::UsbDriver& driver = GetUsbDriver();
  driver.CloseHandle(control);
  driver.CloseHandle(transfer);
  driver.CloseHandle(lock);
}

int32_t GetNumberOfDevicesUSB30() {
  return CountInterfaces(kInterfaceClasses[0]) + CountInterfaces(kInterfaceClasses[1]);
}

std::unique_ptr<Usb3Device> OpenDeviceUSB30(int32_t index) {
  if (index < 0) return nullptr;
  auto device = std::make_unique<Usb3Device>();
  const int32_t first = CountInterfaces(kInterfaceClasses[0]);
  int which = 0;
  int32_t position = index;
  if (index >= first) {
    if (CountInterfaces(kInterfaceClasses[1]) == 0) return nullptr;
    which = 1;
    position = index - first;
  }
  platform::UsbDriver& driver = GetUsbDriver();
  const InterfaceSetHolder holder{driver.GetPresentInterfaces(kInterfaceClasses[which])};
  if (holder.set == platform::kNoInterfaceSet) return nullptr;
  const uint32_t at = static_cast<uint32_t>(position);
  std::string path;
  if (driver.EnumInterface(holder.set, at) != platform::kErrorSuccess ||
      driver.GetInterfacePath(holder.set, at, path) != platform::kErrorSuccess)
    return nullptr;
  uint32_t error = 0;
  device->control = driver.OpenDevice(path, false, &error);
  if (device->control == kNoHandle) return nullptr;
  device->transfer = driver.OpenDevice(path, true, &error);
  if (device->transfer == kNoHandle) return nullptr;
  if (!ReadLocation(holder.set, at, device->location)) return nullptr;
  std::snprintf(device->device_path, sizeof device->device_path, "%s", path.c_str());

  // Mutex names cannot hold a backslash.
  std::string lock_name = device->device_path;
  std::replace(lock_name.begin(), lock_name.end(), '\\', '|');
  device->lock = driver.CreateNamedMutex(lock_name);
  if (device->lock == kNoHandle) return nullptr;

  device->bulk_requests = 1;
  platform::SleepMs(200);
  uint32_t speed = 0;
  uint32_t returned = 0;
  if (driver.DeviceIoControl(device->control, platform::kIoctlDeviceSpeed, &speed, 4, &speed, 4,
                             &returned, nullptr) == platform::kErrorSuccess &&
      speed == platform::kSpeedHigh)
    device->usb2 = 1;
  // A controller that does not answer stays at version 0.0.
  u3VrReq(device.get(), VR_GET_FW_VERSION, 0, 0, device->fw_version, 2, false, true);
  return device;
}

void CloseDeviceUSB30(std::unique_ptr<Usb3Device>& device) {
  device.reset();
}

int GetDevicePathUSB30(const Usb3Device* device, char* text, uint32_t capacity) {
  if (device == nullptr || text == nullptr || capacity == 0) return 1;
  std::snprintf(text, capacity, "%s", device->device_path);
  return 0;
}

int GetDeviceLocationUSB30(const Usb3Device* device, char* text, uint32_t capacity) {
  if (device == nullptr || text == nullptr || capacity == 0) return 1;
  std::snprintf(text, capacity, "%s", device->location);
  return 0;
}

uint32_t GetPacketSize(const Usb3Device* device) {
  return device != nullptr && device->usb2 != 0 ? 512 : 1024;
}

uint32_t GetMaxTransferChunk(const Usb3Device* device) {
  return (GetPacketSize(device) - kCommandHeader) / 64 * 64;
}

uint16_t GetRequestCounterUSB30() {
  return g_request_counter;
}

int LockResourceAccess(Usb3Device* device) {
  if (device == nullptr || device->lock == kNoHandle) return 1;
  const platform::WaitResult result = GetUsbDriver().WaitForObject(device->lock, kLockWaitMs);
  if (result == platform::WaitResult::kSignaled) return 0;
  if (result == platform::WaitResult::kTimeout)
    TracePrint(4, "LockResourceAccess Error: timeout\n");
  // An abandoned wait hands over the ownership all the same; give it back so
  // that the failed sequence does not keep every other process out.
  if (result == platform::WaitResult::kAbandoned) GetUsbDriver().ReleaseMutex(device->lock);
  return 1;
}

void UnlockResourceAccess(Usb3Device* device) {
  if (device != nullptr && device->lock != kNoHandle) GetUsbDriver().ReleaseMutex(device->lock);
}

int u3VrReq(Usb3Device* device, uint8_t code, uint16_t value, uint16_t index, uint8_t* buffer,
            uint32_t length, bool write, bool take_lock) {
  if (device == nullptr) return 1;
  const uint32_t packet = GetPacketSize(device);
  if (length > packet - kCommandHeader || (length > 0 && buffer == nullptr)) return 1;
  if (!TakeLock(device, take_lock)) return 1;

  std::vector<uint8_t> frame =
      CommandFrame(write ? kDirectionWrite : kDirectionRead, code, value, index,
                   write ? buffer : nullptr, write ? length : 0, static_cast<uint16_t>(length));
  const uint16_t request_id = g_request_counter;
  int result = 1;
  bool recover = false;
  if (WriteCommand(device, frame)) {
    if (code == VR_RESET) {
      // The camera restarts at once and never acknowledges.
      TracePrint(3, "u3VrReq Sent reset Not wait ack\n");
      if (take_lock) UnlockResourceAccess(device);
      return 0;
    }
    AckReader reader(device);
    uint32_t wait_ms = code == VR_PING ? kPingAckWaitMs : kAckWaitMs;
    for (int read = 0; read < kMaxAckReads; ++read) {
      const uint32_t error = reader.Post();
      if (error != 0) {
        TracePrint(4, "BeginDataXfer30 error %d\r\n", static_cast<int>(error));
        TracePrint(3, "u3VrReq coudn't read ack\n");
        break;
      }
      if (!reader.Wait(wait_ms)) {
        TracePrint(3, "u3VrReqBulk u3VrReq timeout\n");
        recover = true;
        break;
      }
      if (!reader.Matches(request_id)) {
        recover = true;
        break;
      }
      if (reader.Status() == kStatusRefused) break;
      if (reader.Status() == kStatusPending) {
        wait_ms = reader.Length();
        continue;
      }
      if (!write && buffer != nullptr) {
        const uint32_t bytes =
            std::min({static_cast<uint32_t>(reader.Length()), length, reader.DataCapacity()});
        std::memcpy(buffer, reader.Data(), bytes);
      }
      result = 0;
      break;
    }
    if (recover) RecoverEndpoints(device);
  } else if (code == VR_RESET) {
    if (take_lock) UnlockResourceAccess(device);
    return 1;
  }
  ++g_request_counter;
  if (take_lock) UnlockResourceAccess(device);
  return result;
}

int u3VrReqBulkBid(Usb3Device* device, uint8_t code, uint16_t value, uint16_t index,
                   const uint8_t* send, uint32_t send_length, uint8_t* receive,
                   uint32_t receive_capacity, uint32_t* received, bool take_lock) {
  if (device == nullptr) return 1;
  if (send_length > GetPacketSize(device) - 10 || (send_length > 0 && send == nullptr)) return 1;
  if (!TakeLock(device, take_lock)) return 1;

  std::vector<uint8_t> frame = CommandFrame(kDirectionBoth, code, value, index, send, send_length,
                                            static_cast<uint16_t>(send_length));
  const uint16_t request_id = g_request_counter;
  int result = 1;
  if (WriteCommand(device, frame)) {
    AckReader reader(device);
    uint32_t wait_ms = kAckWaitMs;
    for (int read = 0; read < kMaxBulkBidAckReads; ++read) {
      if (reader.Post() != 0) {
        TracePrint(3, "u3VrReq coudn't read ack\n");
        break;
      }
      if (!reader.Wait(wait_ms)) {
        TracePrint(3, "u3VrReqBulkBid u3VrReq timeout\n");
        wait_ms = kAckWaitMs;
        continue;
      }
      // An acknowledge of an earlier exchange is skipped.
      if (!reader.Matches(request_id)) {
        wait_ms = kAckWaitMs;
        continue;
      }
      if (reader.Status() == kStatusRefused) break;
      if (reader.Status() == kStatusPending) {
        TracePrint(3, "u3VrReq received pending %dms\n", reader.Length());
        wait_ms = reader.Length();
        continue;
      }
      const uint32_t length = reader.Length();
      if (length != 0 && receive != nullptr && length <= receive_capacity &&
          length <= reader.DataCapacity()) {
        std::memcpy(receive, reader.Data(), length);
        if (received != nullptr) *received = length;
      }
      result = 0;
      break;
    }
  }
  ++g_request_counter;
  if (take_lock) UnlockResourceAccess(device);
  return result;
}
