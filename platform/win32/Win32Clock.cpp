// Clock home of the Windows build.

#include <windows.h>

#include <ctime>

#include "platform/homes.h"

namespace platform {
namespace {

class Win32Clock : public Clock {
 public:
  void SleepMs(uint32_t ms) override { Sleep(ms); }
  uint64_t TickCountMs() override { return GetTickCount64(); }
  std::tm LocalTime() override {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    return local;
  }
};

}  // namespace

Clock& DefaultClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace platform
