#include "simulator/usb3/DeviceTime.h"

#include <random>

#include "simulator/VirtualClock.h"

namespace sim {
namespace {
uint64_t g_remainder_us = 0;  // below one millisecond
}

uint64_t DeviceNowUs() {
  return VirtualNowMs() * 1000 + g_remainder_us;
}

void AdvanceDeviceTimeTo(uint64_t t_us) {
  const uint64_t now = DeviceNowUs();
  if (t_us <= now) return;
  const uint64_t total = g_remainder_us + (t_us - now);
  AdvanceVirtualMs(total / 1000);
  g_remainder_us = total % 1000;
}

uint64_t ProcessClockId() {
  static const uint64_t id = [] {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32 | device()) | 1;
  }();
  return id;
}

}  // namespace sim
