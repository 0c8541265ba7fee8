#include "TracePrint.h"

#include <cstdarg>
#include <cstdio>

#include "platform/console.h"

void TracePrint(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  platform::DebugOutput(buffer);
}
