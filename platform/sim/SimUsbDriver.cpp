// USB driver home of the Linux build: the two camera drivers' interfaces are
// the virtual USB3 cameras of the bench. Device I/O goes to the camera models;
// a posted acknowledge read completes when the camera's acknowledge arrives,
// and waits for it run on the virtual clock. Named mutexes are shared between
// processes and wait in real time.

#include <algorithm>
#include <cctype>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <variant>
#include <vector>

#include "platform/sim/SimNamedMutex.h"
#include "platform/usb_driver.h"
#include "simulator/Bench.h"
#include "simulator/usb3/DeviceTime.h"
#include "simulator/usb3/VirtualUsb3Camera.h"

namespace platform {
namespace {

using CameraPtr = std::shared_ptr<sim::VirtualUsb3Camera>;

// The interface classes the two drivers register: the FX3 generic driver's and
// the camera driver's.
constexpr Guid kInterfaceClasses[2] = {
    {0xAE18AA60, 0x7F6A, 0x11D4, {0x97, 0xDD, 0x00, 0x01, 0x02, 0x29, 0xB9, 0x59}},
    {0x6D3494EF, 0x7256, 0x4641, {0x9C, 0xF3, 0x4E, 0x29, 0xC7, 0x3D, 0xFB, 0x25}},
};

constexpr uint32_t kDescriptorSize = 38;
constexpr uint8_t kCommandEndpoint = 0x02;
constexpr uint8_t kAckEndpoint = 0x82;

bool SamePath(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

class SimUsbDriver : public UsbDriver {
 public:
  InterfaceSet GetPresentInterfaces(const Guid& interface_class) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<CameraPtr> present;
    try {
      int wanted = 0;
      for (int i = 0; i < 2; ++i)
        if (interface_class == kInterfaceClasses[i]) wanted = i + 1;
      const std::filesystem::path bench = sim::BenchFromEnvironment();
      if (wanted != 0 && !bench.empty()) {
        for (int id : sim::ListCameraIds(bench, "usb3")) {
          CameraPtr camera = sim::Usb3CameraAt(sim::CameraDir(bench, "usb3", id));
          if (camera && camera->Present() && camera->InterfaceClass() == wanted)
            present.push_back(camera);
        }
      }
    } catch (const std::exception&) {
      present.clear();
    }
    const InterfaceSet set = next_handle_++;
    sets_[set] = std::move(present);
    return set;
  }

  uint32_t EnumInterface(InterfaceSet set, uint32_t index) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return InterfaceAt(set, index) ? kErrorSuccess : kErrorNoMoreItems;
  }

  uint32_t GetInterfacePath(InterfaceSet set, uint32_t index, std::string& path) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    CameraPtr camera = InterfaceAt(set, index);
    if (!camera) return kErrorNoMoreItems;
    try {
      path = camera->DevicePath();
    } catch (const std::exception&) {
      return kErrorGenFailure;
    }
    return kErrorSuccess;
  }

  uint32_t GetDeviceProperty(InterfaceSet set, uint32_t index, DeviceProperty property,
                             uint8_t* buffer, uint32_t size, uint32_t* required_size) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    CameraPtr camera = InterfaceAt(set, index);
    if (!camera) return kErrorNoMoreItems;
    std::optional<std::string> text;
    try {
      text = camera->Location(property == DeviceProperty::kLocationPaths ? "location_paths"
                                                                         : "location_information");
    } catch (const std::exception&) {
      return kErrorGenFailure;
    }
    if (!text) return kErrorInvalidData;
    // A list of strings ends with an empty one.
    std::vector<uint8_t> value(text->begin(), text->end());
    value.push_back(0);
    if (property == DeviceProperty::kLocationPaths) value.push_back(0);
    if (required_size != nullptr) *required_size = static_cast<uint32_t>(value.size());
    if (buffer == nullptr || size < value.size()) return kErrorInsufficientBuffer;
    std::copy(value.begin(), value.end(), buffer);
    return kErrorSuccess;
  }

  void DestroyInterfaceSet(InterfaceSet set) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    sets_.erase(set);
  }

  UsbHandle OpenDevice(const std::string& path, bool overlapped, uint32_t* error) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    try {
      const std::filesystem::path bench = sim::BenchFromEnvironment();
      if (!bench.empty()) {
        for (int id : sim::ListCameraIds(bench, "usb3")) {
          CameraPtr camera = sim::Usb3CameraAt(sim::CameraDir(bench, "usb3", id));
          if (!camera || !camera->Present() || !SamePath(camera->DevicePath(), path)) continue;
          const UsbHandle handle = next_handle_++;
          handles_[handle] = Device{camera, camera->BootCount(), overlapped};
          return handle;
        }
      }
    } catch (const std::exception&) {
    }
    if (error != nullptr) *error = kErrorFileNotFound;
    return kNoHandle;
  }

  uint32_t DeviceIoControl(UsbHandle handle, uint32_t code, const void* in, uint32_t in_size,
                           void* out, uint32_t out_size, uint32_t* returned,
                           Overlapped* overlapped) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    Device* device = DeviceOf(handle);
    if (device == nullptr) return kErrorInvalidHandle;
    try {
      // A command frame meets the camera itself; everything else asks whether
      // the camera this handle was opened on is still there.
      const bool bulk = code == kIoctlBulkTransfer;
      if (bulk ? device->camera->GoneFor(device->boot)
               : !device->camera->Present() || device->camera->BootCount() != device->boot)
        return kErrorDeviceNotConnected;
      const uint8_t* input = static_cast<const uint8_t*>(in);
      switch (code) {
        case kIoctlBulkTransfer: {
          if (in_size < kDescriptorSize || out == nullptr) return kErrorInvalidParameter;
          const uint8_t endpoint = input[13];
          if (endpoint == kCommandEndpoint) {
            if (device->camera->CommandFrame(static_cast<const uint8_t*>(out), out_size,
                                             device->boot) ==
                sim::VirtualUsb3Camera::FrameResult::kGone)
              return kErrorDeviceNotConnected;
            if (returned != nullptr) *returned = out_size;
            return kErrorSuccess;
          }
          if (endpoint != kAckEndpoint) return kErrorInvalidParameter;
          if (overlapped == nullptr) return SyncRead(handle, *device, out, out_size, returned);
          if (!device->overlapped) return kErrorInvalidParameter;
          PostRead(handle, *device, static_cast<uint8_t*>(out), out_size, overlapped);
          Pump();
          return kErrorIoPending;
        }
        case kIoctlDeviceSpeed: {
          if (out == nullptr || out_size < 4) return kErrorInvalidParameter;
          const uint32_t speed = device->camera->Usb2() ? kSpeedHigh : kSpeedSuper;
          std::memcpy(out, &speed, 4);
          if (returned != nullptr) *returned = 4;
          return kErrorSuccess;
        }
        case kIoctlAbortPipe:
        case kIoctlResetPipe: {
          if (in == nullptr || in_size < 1) return kErrorInvalidParameter;
          if (code == kIoctlAbortPipe) {
            if (input[0] == kAckEndpoint) CancelReads(device->camera.get(), kNoHandle, 0);
            device->camera->AbortPipe(input[0]);
          } else {
            device->camera->ResetPipe(input[0]);
          }
          return kErrorSuccess;
        }
        case kIoctlResetParentPort:
          device->camera->ResetPort();
          return kErrorSuccess;
        default:
          return kErrorInvalidFunction;
      }
    } catch (const std::exception&) {
      return kErrorGenFailure;
    }
  }

  uint32_t GetOverlappedResult(UsbHandle, Overlapped* overlapped, uint32_t* transferred,
                               bool wait) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (overlapped == nullptr) return kErrorInvalidParameter;
    const uint64_t id = overlapped->internal;
    Pump();
    while (wait && InFlight(id)) {
      // A read no acknowledge will ever reach cannot be waited for here.
      const uint64_t next = NextEventUs();
      if (next == UINT64_MAX) return kErrorIoIncomplete;
      sim::AdvanceDeviceTimeTo(std::max(next, sim::DeviceNowUs() + 1));
      Pump();
    }
    auto done = done_.find(id);
    if (done == done_.end()) return InFlight(id) ? kErrorIoIncomplete : kErrorInvalidParameter;
    const Completion completion = done->second;
    done_.erase(done);
    if (transferred != nullptr) *transferred = completion.bytes;
    return completion.error;
  }

  uint32_t CancelIo(UsbHandle handle, Overlapped* overlapped) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (DeviceOf(handle) == nullptr) return kErrorInvalidHandle;
    const size_t cancelled = CancelReads(nullptr, handle, overlapped ? overlapped->internal : 0);
    return cancelled > 0 ? kErrorSuccess : kErrorNotFound;
  }

  UsbHandle CreateManualResetEvent() override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const UsbHandle handle = next_handle_++;
    handles_[handle] = Event{};
    return handle;
  }

  void ResetEvent(UsbHandle handle) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (Event* event = EventOf(handle)) event->set = false;
  }

  UsbHandle CreateNamedMutex(const std::string& name) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::shared_ptr<SimNamedMutex> mutex = SimNamedMutex::Open(name);
    if (!mutex) return kNoHandle;
    mutex->AddHandle();
    const UsbHandle handle = next_handle_++;
    handles_[handle] = Mutex{mutex};
    return handle;
  }

  bool ReleaseMutex(UsbHandle handle) override {
    std::shared_ptr<SimNamedMutex> mutex = MutexOf(handle);
    return mutex && mutex->Release();
  }

  WaitResult WaitForObject(UsbHandle handle, uint32_t timeout_ms) override {
    // A mutex wait blocks in real time and must not hold up the driver.
    if (std::shared_ptr<SimNamedMutex> mutex = MutexOf(handle)) return mutex->Wait(timeout_ms);
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (EventOf(handle) == nullptr) return WaitResult::kFailed;
    const uint64_t deadline = sim::DeviceNowUs() + uint64_t{timeout_ms} * 1000;
    for (;;) {
      Pump();
      if (EventOf(handle)->set) return WaitResult::kSignaled;
      const uint64_t next = NextEventUs();
      if (next > deadline) {
        sim::AdvanceDeviceTimeTo(deadline);
        Pump();
        return EventOf(handle)->set ? WaitResult::kSignaled : WaitResult::kTimeout;
      }
      sim::AdvanceDeviceTimeTo(std::max(next, sim::DeviceNowUs() + 1));
    }
  }

  void CloseHandle(UsbHandle handle) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return;
    // Closing a device ends the reads still posted on it.
    if (std::holds_alternative<Device>(it->second)) CancelReads(nullptr, handle, 0);
    if (auto* mutex = std::get_if<Mutex>(&it->second)) mutex->mutex->RemoveHandle();
    handles_.erase(it);
  }

 private:
  struct Device {
    CameraPtr camera;
    uint32_t boot;  // the camera's start at which the handle was opened
    bool overlapped;
  };
  struct Event {
    bool set = false;
  };
  struct Mutex {
    std::shared_ptr<SimNamedMutex> mutex;
  };
  struct Read {
    uint64_t id;
    UsbHandle device;
    CameraPtr camera;
    uint32_t boot;
    uint8_t* out;
    uint32_t size;
    UsbHandle event;
  };
  struct Completion {
    uint32_t error;
    uint32_t bytes;
  };

  CameraPtr InterfaceAt(InterfaceSet set, uint32_t index) {
    auto it = sets_.find(set);
    if (it == sets_.end() || index >= it->second.size()) return nullptr;
    return it->second[index];
  }

  Device* DeviceOf(UsbHandle handle) {
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : std::get_if<Device>(&it->second);
  }
  Event* EventOf(UsbHandle handle) {
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : std::get_if<Event>(&it->second);
  }
  std::shared_ptr<SimNamedMutex> MutexOf(UsbHandle handle) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return nullptr;
    const Mutex* mutex = std::get_if<Mutex>(&it->second);
    return mutex ? mutex->mutex : nullptr;
  }

  bool InFlight(uint64_t id) const {
    return std::any_of(reads_.begin(), reads_.end(), [id](const Read& r) { return r.id == id; });
  }

  void PostRead(UsbHandle handle, const Device& device, uint8_t* out, uint32_t size,
                Overlapped* overlapped) {
    done_.erase(overlapped->internal);
    overlapped->internal = next_read_++;
    reads_.push_back(
        {overlapped->internal, handle, device.camera, device.boot, out, size, overlapped->event});
  }

  void Complete(std::list<Read>::iterator read, uint32_t error, uint32_t bytes) {
    done_[read->id] = {error, bytes};
    if (Event* event = EventOf(read->event)) event->set = true;
    reads_.erase(read);
  }

  // Ends the reads of a camera, of a handle, or the one read `id`.
  size_t CancelReads(sim::VirtualUsb3Camera* camera, UsbHandle handle, uint64_t id) {
    size_t count = 0;
    for (auto it = reads_.begin(); it != reads_.end();) {
      const bool match =
          camera ? it->camera.get() == camera : it->device == handle && (id == 0 || it->id == id);
      auto next = std::next(it);
      if (match) {
        Complete(it, kErrorOperationAborted, 0);
        ++count;
      }
      it = next;
    }
    return count;
  }

  // Completes every read whose acknowledge has arrived by now, in the order
  // the reads were posted on each camera, and fails reads of cameras that
  // left the bus.
  void Pump() {
    const uint64_t now = sim::DeviceNowUs();
    std::set<sim::VirtualUsb3Camera*> waiting;
    for (auto it = reads_.begin(); it != reads_.end();) {
      sim::VirtualUsb3Camera* camera = it->camera.get();
      auto next = std::next(it);
      if (waiting.count(camera) != 0) {
        it = next;
        continue;
      }
      const bool gone = camera->GoneFor(it->boot);
      std::deque<sim::Usb3Ack>& acks = camera->Acks();
      if (gone) {
        Complete(it, kErrorDeviceNotConnected, 0);
      } else if (!acks.empty() && acks.front().arrival_us <= now) {
        const uint32_t bytes =
            std::min<uint32_t>(it->size, static_cast<uint32_t>(acks.front().bytes.size()));
        std::copy(acks.front().bytes.begin(), acks.front().bytes.begin() + bytes, it->out);
        acks.pop_front();
        Complete(it, kErrorSuccess, bytes);
      } else {
        waiting.insert(camera);
      }
      it = next;
    }
  }

  // The device time of the next thing that can complete a read.
  uint64_t NextEventUs() {
    uint64_t next = UINT64_MAX;
    for (const Read& read : reads_) {
      const std::deque<sim::Usb3Ack>& acks = read.camera->Acks();
      if (!acks.empty()) next = std::min(next, acks.front().arrival_us);
      next = std::min(next, read.camera->PendingRestartUs());
    }
    return next;
  }

  uint32_t SyncRead(UsbHandle handle, const Device& device, void* out, uint32_t size,
                    uint32_t* returned) {
    Overlapped overlapped;
    PostRead(handle, device, static_cast<uint8_t*>(out), size, &overlapped);
    uint32_t error = GetOverlappedResult(handle, &overlapped, returned, true);
    if (error == kErrorIoIncomplete) {
      CancelReads(nullptr, handle, overlapped.internal);
      done_.erase(overlapped.internal);
      error = kErrorSemTimeout;
    }
    return error;
  }

  std::recursive_mutex mutex_;
  UsbHandle next_handle_ = 1;
  uint64_t next_read_ = 1;
  std::map<UsbHandle, std::variant<Device, Event, Mutex>> handles_;
  std::map<InterfaceSet, std::vector<CameraPtr>> sets_;
  std::list<Read> reads_;  // posted and not yet completed, oldest first
  std::map<uint64_t, Completion> done_;
};

SimUsbDriver& DefaultDriver() {
  static SimUsbDriver driver;
  return driver;
}

UsbDriver* g_driver = nullptr;

}  // namespace

UsbDriver& GetUsbDriver() {
  return g_driver != nullptr ? *g_driver : DefaultDriver();
}

UsbDriver* SetUsbDriver(UsbDriver* driver) {
  UsbDriver* previous = g_driver;
  g_driver = driver;
  return previous;
}

}  // namespace platform
