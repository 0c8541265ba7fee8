// The accessors of the platform services, shared by every home: the build's
// default unless a test installed a replacement.

#include <cstdio>

#include "platform/homes.h"

namespace platform {
namespace {
Console* g_console = nullptr;
Clock* g_clock = nullptr;
}  // namespace

Console& GetConsole() {
  return g_console != nullptr ? *g_console : DefaultConsole();
}

Console* SetConsole(Console* console) {
  Console* previous = g_console;
  g_console = console;
  return previous;
}

Clock& GetClock() {
  return g_clock != nullptr ? *g_clock : DefaultClock();
}

Clock* SetClock(Clock* clock) {
  Clock* previous = g_clock;
  g_clock = clock;
  return previous;
}

bool ReadStdinLine(std::string& line, size_t max_chars) {
  line.clear();
  std::fflush(stdout);  // the prompt must be visible before we wait for the answer
  while (line.size() < max_chars) {
    const int c = std::getchar();
    if (c == EOF) return !line.empty();
    if (c == '\n') return true;
    if (c != '\r') line.push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace platform
