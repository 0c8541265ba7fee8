// Console home of the Windows build: thin wrappers over the console and process
// services of the system.

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/homes.h"

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
    return ReadStdinLine(line, max_chars);
  }
  void DebugOutput(const char* text) override { OutputDebugStringA(text); }
};

}  // namespace

Console& DefaultConsole() {
  static Win32Console console;
  return console;
}

}  // namespace platform
