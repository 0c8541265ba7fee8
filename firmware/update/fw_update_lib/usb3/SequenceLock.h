#pragma once
// Holds a device's lock for one request sequence, so that no other process can
// put a request between its first and its last. A lock that cannot be taken is
// traced; the sequence then sends nothing.

#include "TracePrint.h"
#include "usb3/Usb3Device.h"

class SequenceLock {
 public:
  explicit SequenceLock(Usb3Device* device) : device_(device) {
    locked_ = LockResourceAccess(device) == 0;
    if (!locked_) TracePrint(3, "hRWMutex failed\r\n");
  }
  ~SequenceLock() { Release(); }
  SequenceLock(const SequenceLock&) = delete;
  SequenceLock& operator=(const SequenceLock&) = delete;

  bool locked() const { return locked_; }
  void Release() {
    if (locked_) UnlockResourceAccess(device_);
    locked_ = false;
  }

 private:
  Usb3Device* device_;
  bool locked_;
};
