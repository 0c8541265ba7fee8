#pragma once
// Named mutexes of the Linux build, shared by every process of the machine: a
// robust, process-shared, recursive pthread mutex in a small file, one file per
// name. As with the named mutexes of Windows, the owner may take it again, a
// wait is bounded, and a waiter learns that the owner ended while holding it.
// When no process that opened the name is alive any more, the next opener
// starts from a fresh mutex, as Windows drops a mutex with its last handle.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/usb_driver.h"

namespace platform {

class SimNamedMutex {
 public:
  // The mutex of `name` for this process; nullptr when the name is invalid (it
  // holds a backslash) or the mutex cannot be created.
  static std::shared_ptr<SimNamedMutex> Open(const std::string& name);
  ~SimNamedMutex();
  SimNamedMutex(const SimNamedMutex&) = delete;
  SimNamedMutex& operator=(const SimNamedMutex&) = delete;

  // Waits in real time for ownership.
  WaitResult Wait(uint32_t timeout_ms);
  bool Release();

  // Handles of this process on the mutex; the last close takes the process off
  // the list of the name's openers.
  void AddHandle();
  void RemoveHandle();

  struct Shared;

 private:
  SimNamedMutex(int fd, Shared* shared) : fd_(fd), shared_(shared) {}

  int fd_;
  Shared* shared_;  // mapped for the life of the process
  int handles_ = 0;
};

}  // namespace platform
