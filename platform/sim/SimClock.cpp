// Clock home of the Linux build: sleeps and ticks run on the bench's virtual
// clock, local time is the real local time.

#include <ctime>

#include "platform/homes.h"
#include "simulator/VirtualClock.h"

namespace platform {
namespace {

class SimClock : public Clock {
 public:
  void SleepMs(uint32_t ms) override { sim::AdvanceVirtualMs(ms); }
  uint64_t TickCountMs() override { return sim::VirtualNowMs(); }
  std::tm LocalTime() override {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
  }
};

}  // namespace

Clock& DefaultClock() {
  static SimClock clock;
  return clock;
}

}  // namespace platform
