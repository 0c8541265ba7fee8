// Clock home of the Windows build.

#include <windows.h>

#include <ctime>

#include "platform/clock.h"

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

Win32Clock g_default_clock;
Clock* g_clock = nullptr;

}  // namespace

Clock& GetClock() {
  return g_clock != nullptr ? *g_clock : g_default_clock;
}

Clock* SetClock(Clock* clock) {
  Clock* previous = g_clock;
  g_clock = clock;
  return previous;
}

}  // namespace platform
