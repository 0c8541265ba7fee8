#pragma once
// What each platform home provides to the shared accessors of platform/.

#include <cstddef>
#include <string>

#include "platform/clock.h"
#include "platform/console.h"

namespace platform {

// The build's default homes, defined once per platform.
Console& DefaultConsole();
Clock& DefaultClock();

// One line of standard input as ReadLine promises it, for the homes that read
// the C runtime's stdin.
bool ReadStdinLine(std::string& line, size_t max_chars);

}  // namespace platform
