// Console home of the Windows build: thin wrappers over the console and process
// services of the system.

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/console.h"

namespace platform {
namespace {

std::mutex g_handlers_mutex;
std::vector<ConsoleControlHandlerFn> g_handlers;

BOOL WINAPI Dispatch(DWORD event) {
  std::vector<ConsoleControlHandlerFn> handlers;
  {
    std::lock_guard<std::mutex> lock(g_handlers_mutex);
    handlers = g_handlers;
  }
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it)
    if ((*it)(event)) return TRUE;
  return FALSE;
}

class Win32Console : public Console {
 public:
  bool AddControlHandler(ConsoleControlHandlerFn handler) override {
    std::lock_guard<std::mutex> lock(g_handlers_mutex);
    if (g_handlers.empty() && !SetConsoleCtrlHandler(Dispatch, TRUE)) return false;
    g_handlers.push_back(handler);
    return true;
  }
  bool SetPriorityClass(uint32_t value) override {
    return ::SetPriorityClass(GetCurrentProcess(), value) != 0;
  }
  bool ReadLine(std::string& line, size_t max_chars) override {
    line.clear();
    std::fflush(stdout);
    while (line.size() < max_chars) {
      int c = std::getchar();
      if (c == EOF) return !line.empty();
      if (c == '\n') return true;
      if (c != '\r') line.push_back(static_cast<char>(c));
    }
    return true;
  }
  void DebugOutput(const char* text) override { OutputDebugStringA(text); }
};

Win32Console g_default_console;
Console* g_console = nullptr;

}  // namespace

Console& GetConsole() {
  return g_console != nullptr ? *g_console : g_default_console;
}

Console* SetConsole(Console* console) {
  Console* previous = g_console;
  g_console = console;
  return previous;
}

}  // namespace platform
