#pragma once
// Device time of the virtual USB3 cameras: the process's virtual clock read in
// microseconds, so that exchanges of a fraction of a millisecond add up to the
// time a real camera would have needed.

#include <cstdint>

namespace sim {

// The virtual clock in microseconds: its milliseconds plus the part of a
// millisecond device work has used up beyond them.
uint64_t DeviceNowUs();

// Moves the virtual clock forward to at least t_us.
void AdvanceDeviceTimeTo(uint64_t t_us);

// A random id of this process's virtual clock. Times that a camera stores on
// the bench are only compared with the clock that wrote them: the virtual clock
// of every process starts at 0.
uint64_t ProcessClockId();

}  // namespace sim
