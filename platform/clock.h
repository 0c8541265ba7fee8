#pragma once
// Time services of the platform: sleeping, the millisecond tick count and local
// time. The simulated home runs sleeps and ticks on the bench's virtual clock.

#include <cstdint>
#include <ctime>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;

  // Waits ms milliseconds.
  virtual void SleepMs(uint32_t ms) = 0;

  // Milliseconds since an arbitrary origin; never goes backwards.
  virtual uint64_t TickCountMs() = 0;

  // The local wall-clock time now (log time stamps, backup file names).
  virtual std::tm LocalTime() = 0;
};

// The clock home in use: the build's default unless a test installed another.
Clock& GetClock();

// Installs `clock` for the code under test and returns the one it replaces;
// nullptr restores the build's default.
Clock* SetClock(Clock* clock);

inline void SleepMs(uint32_t ms) {
  GetClock().SleepMs(ms);
}
inline uint64_t GetTickCountMs() {
  return GetClock().TickCountMs();
}
inline std::tm GetLocalTime() {
  return GetClock().LocalTime();
}

}  // namespace platform
