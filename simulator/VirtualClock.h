#pragma once
// The bench's virtual clock: simulated sleeps and device busy times advance it
// instead of passing real time, so a run that waits seconds ends in milliseconds
// while the clock still shows what a real camera would have needed.

#include <cstdint>

namespace sim {

// Milliseconds on the virtual clock of this process.
uint64_t VirtualNowMs();

// Moves the virtual clock forward by ms.
void AdvanceVirtualMs(uint64_t ms);

// Moves the virtual clock forward to at least t (no-op when it is already past t).
void AdvanceVirtualTo(uint64_t t);

}  // namespace sim
