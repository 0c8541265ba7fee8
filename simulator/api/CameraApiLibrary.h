#pragma once
// What tests may ask of the simulated camera API library beyond its C functions.

#include <cstdint>

namespace sim::api {

// Calls of the library's C functions made by this process so far.
uint64_t LibraryCallCount();

// Closes every open handle and forgets forced serial numbers and global
// settings, as if the library had just been loaded by a new process.
void ResetLibraryState();

}  // namespace sim::api
