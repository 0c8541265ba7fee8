#include "TracePrint.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "platform/console.h"

namespace {

std::atomic<int> g_trace_level{0};

void TraceV(const char* format, va_list args) {
  char buffer[1024];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  platform::DebugOutput(buffer);
}

}  // namespace

void TracePrint(const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceV(format, args);
  va_end(args);
}

void TracePrint(int level, const char* format, ...) {
  if (g_trace_level.load() > level) return;
  va_list args;
  va_start(args, format);
  TraceV(format, args);
  va_end(args);
}

void SetTraceLevel(int level) {
  g_trace_level.store(level);
}

int GetTraceLevel() {
  return g_trace_level.load();
}
