#include "simulator/VirtualClock.h"

#include <atomic>

namespace sim {
namespace {
std::atomic<uint64_t> g_now_ms{0};
}

uint64_t VirtualNowMs() {
  return g_now_ms.load();
}

void AdvanceVirtualMs(uint64_t ms) {
  g_now_ms.fetch_add(ms);
}

void AdvanceVirtualTo(uint64_t t) {
  uint64_t now = g_now_ms.load();
  while (now < t && !g_now_ms.compare_exchange_weak(now, t)) {
  }
}

}  // namespace sim
