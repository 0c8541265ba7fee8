#pragma once
// Console and process services of the platform: control events, priority,
// standard input for prompts, and the debugger output channel for traces.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Console control events, numbered as the console reports them.
enum ConsoleEvent : uint32_t {
  kCtrlCEvent = 0,
  kCtrlBreakEvent = 1,
  kCloseEvent = 2,
  kLogoffEvent = 5,
  kShutdownEvent = 6,
};

// A console control handler: called with the event code on a thread the platform
// creates for the event; returns true when it handled the event, so the process
// is not ended.
using ConsoleControlHandlerFn = bool (*)(uint32_t event);

class Console {
 public:
  virtual ~Console() = default;

  // Adds handler to the process's control handlers. Returns false when it could
  // not be registered. Handlers stay registered until the process ends.
  virtual bool AddControlHandler(ConsoleControlHandlerFn handler) = 0;

  // Asks for the process priority class `value`. Returns true when granted; a
  // home may grant nothing and return false.
  virtual bool SetPriorityClass(uint32_t value) = 0;

  // Reads one line of standard input into `line`, without its line end. At most
  // max_chars characters are taken; the rest of a longer line stays unread, as
  // with fgets. Returns false at the end of input or on a read error.
  virtual bool ReadLine(std::string& line, size_t max_chars) = 0;

  // Hands one text to the debugger output channel. Never reaches the console.
  virtual void DebugOutput(const char* text) = 0;
};

// The console home in use: the build's default unless a test installed another.
Console& GetConsole();

// Installs `console` for the code under test and returns the one it replaces;
// nullptr restores the build's default.
Console* SetConsole(Console* console);

inline void DebugOutput(const char* text) {
  GetConsole().DebugOutput(text);
}

}  // namespace platform
