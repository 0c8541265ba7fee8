#pragma once
// USB3 camera driver services of the platform: what the USB3 transport relies on
// and nothing more. The shapes follow the Windows device-setup, file, device I/O
// control, event and mutex services, so the Windows home is a thin wrapper over
// SetupDi*, CreateFile, DeviceIoControl, CancelIoEx, CreateEvent and CreateMutex.
//
// Every call returns a system error code numbered as Windows numbers them
// (kErrorSuccess = 0) unless it says otherwise. Nothing here throws.

#include <cstdint>
#include <string>

namespace platform {

// An open device, an event or a named mutex; kNoHandle is none.
using UsbHandle = uint64_t;
constexpr UsbHandle kNoHandle = 0;

// A snapshot of the present interfaces of one device-interface class.
using InterfaceSet = uint64_t;
constexpr InterfaceSet kNoInterfaceSet = 0;

struct Guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
  friend bool operator==(const Guid&, const Guid&) = default;
};

// System error codes the transport tells apart.
constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorInvalidData = 13;
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorSemTimeout = 121;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorNoMoreItems = 259;
constexpr uint32_t kErrorOperationAborted = 995;
constexpr uint32_t kErrorIoIncomplete = 996;
constexpr uint32_t kErrorIoPending = 997;
constexpr uint32_t kErrorDeviceNotConnected = 1167;
constexpr uint32_t kErrorNotFound = 1168;

// Registry properties of a device.
enum class DeviceProperty : uint32_t {
  kLocationInformation = 0x0D,  // one string
  kLocationPaths = 0x23,        // a list of strings, each NUL-terminated, ending in an empty one
};

// Device I/O control codes both camera drivers answer.
constexpr uint32_t kIoctlBulkTransfer = 0x22004B;     // in: 38-byte descriptor; out: the frame
constexpr uint32_t kIoctlDeviceSpeed = 0x22004C;      // in and out: 4 bytes; 2 = USB 2.0
constexpr uint32_t kIoctlAbortPipe = 0x220044;        // in: 1 byte, the endpoint address
constexpr uint32_t kIoctlResetPipe = 0x22002C;        // in: 1 byte, the endpoint address
constexpr uint32_t kIoctlResetParentPort = 0x220030;  // no data

// Device speed answers of kIoctlDeviceSpeed.
constexpr uint32_t kSpeedHigh = 2;   // USB 2.0
constexpr uint32_t kSpeedSuper = 3;  // USB 3

// One overlapped operation. The caller owns it and keeps it, the output buffer
// and the event alive until the operation has completed (or was cancelled and
// its completion collected with GetOverlappedResult).
struct Overlapped {
  UsbHandle event = kNoHandle;  // manual-reset event the driver sets on completion
  uint64_t internal = 0;        // the driver's own
};

enum class WaitResult {
  kSignaled,   // the event is set, or the mutex is now owned by the caller
  kAbandoned,  // the mutex is now owned by the caller; its last owner ended holding it
  kTimeout,
  kFailed,
};

class UsbDriver {
 public:
  virtual ~UsbDriver() = default;

  // --- Device interfaces

  // Takes a snapshot of the present interfaces of `interface_class`, in the
  // driver's enumeration order. Returns kNoInterfaceSet when none can be had.
  virtual InterfaceSet GetPresentInterfaces(const Guid& interface_class) = 0;

  // Whether the set holds an interface at `index`: kErrorSuccess, or
  // kErrorNoMoreItems past the last one.
  virtual uint32_t EnumInterface(InterfaceSet set, uint32_t index) = 0;

  // The device path of the interface at `index` (interface detail).
  virtual uint32_t GetInterfacePath(InterfaceSet set, uint32_t index, std::string& path) = 0;

  // Reads a registry property of the device of the interface at `index` into
  // buffer (size bytes) and sets *required_size to the bytes the whole value
  // needs. A buffer too small (size 0 for a size query) answers
  // kErrorInsufficientBuffer; a device that has no such value answers
  // kErrorInvalidData.
  virtual uint32_t GetDeviceProperty(InterfaceSet set, uint32_t index, DeviceProperty property,
                                     uint8_t* buffer, uint32_t size, uint32_t* required_size) = 0;

  // Releases a snapshot; kNoInterfaceSet is ignored.
  virtual void DestroyInterfaceSet(InterfaceSet set) = 0;

  // --- Devices

  // Opens a device path for read and write, shared, open-existing: for
  // synchronous I/O, or for overlapped I/O when `overlapped` is set. Returns
  // kNoHandle and sets *error on failure. A path may be opened several times.
  virtual UsbHandle OpenDevice(const std::string& path, bool overlapped, uint32_t* error) = 0;

  // One device I/O control. Without `overlapped` it completes before it
  // returns. With `overlapped` (overlapped handles only) it may answer
  // kErrorIoPending: it then completes later, stores the output into `out`,
  // and sets overlapped->event. *returned (optional) receives the output bytes
  // of a call that completed at once.
  virtual uint32_t DeviceIoControl(UsbHandle device, uint32_t code, const void* in,
                                   uint32_t in_size, void* out, uint32_t out_size,
                                   uint32_t* returned, Overlapped* overlapped) = 0;

  // The outcome of an overlapped operation: its error code and output bytes.
  // With `wait` it waits for the completion; without, an operation still in
  // flight answers kErrorIoIncomplete.
  virtual uint32_t GetOverlappedResult(UsbHandle device, Overlapped* overlapped,
                                       uint32_t* transferred, bool wait) = 0;

  // Cancels an overlapped operation still in flight on `device`; it then
  // completes with kErrorOperationAborted. kErrorNotFound when nothing was in
  // flight.
  virtual uint32_t CancelIo(UsbHandle device, Overlapped* overlapped) = 0;

  // --- Events and named mutexes

  // A manual-reset event, initially clear; kNoHandle on failure.
  virtual UsbHandle CreateManualResetEvent() = 0;
  virtual void ResetEvent(UsbHandle event) = 0;

  // Creates the named mutex, or opens it when another process created it,
  // without taking ownership. The mutex is shared by every process of the
  // machine that uses the same name and is recursive for its owning thread.
  // kNoHandle on failure.
  virtual UsbHandle CreateNamedMutex(const std::string& name) = 0;

  // Releases one level of ownership; false when the caller does not own it.
  virtual bool ReleaseMutex(UsbHandle mutex) = 0;

  // Waits up to timeout_ms for an event to be set or for ownership of a mutex.
  // Waits for mutexes pass in real time; the simulated platform runs waits for
  // device events on its virtual clock.
  virtual WaitResult WaitForObject(UsbHandle object, uint32_t timeout_ms) = 0;

  // Closes a device, event or mutex handle; kNoHandle is ignored. Closing a
  // mutex does not release an ownership its owner still holds.
  virtual void CloseHandle(UsbHandle handle) = 0;
};

// The USB driver home in use: the build's default unless a test installed another.
UsbDriver& GetUsbDriver();

// Installs `driver` for the code under test and returns the one it replaces;
// nullptr restores the build's default.
UsbDriver* SetUsbDriver(UsbDriver* driver);

}  // namespace platform
