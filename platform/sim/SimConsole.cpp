// Console home of the Linux build. Signals stand in for console control events:
// a watcher thread calls the registered handlers, as the Windows console calls
// them on a thread of its own, and a handled event does not end the process.
// Debugger output goes to the bench's trace.log.

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "platform/homes.h"
#include "simulator/Bench.h"

namespace platform {
namespace {

int g_event_pipe[2] = {-1, -1};

// Shared with the watcher thread, which may outlive every object of the process.
std::mutex g_handlers_mutex;
std::vector<ConsoleControlHandlerFn> g_handlers;

void OnSignal(int signo) {
  uint8_t event = kCtrlCEvent;
  if (signo == SIGQUIT) event = kCtrlBreakEvent;
  if (signo == SIGHUP) event = kCloseEvent;
  if (signo == SIGTERM) event = kShutdownEvent;
  ssize_t ignored = ::write(g_event_pipe[1], &event, 1);
  (void)ignored;
}

struct Signal {
  int signo;
  uint8_t event;
};
constexpr Signal kSignals[] = {
    {SIGINT, kCtrlCEvent},
    {SIGQUIT, kCtrlBreakEvent},
    {SIGHUP, kCloseEvent},
    {SIGTERM, kShutdownEvent},
};

class SimConsole : public Console {
 public:
  bool AddControlHandler(ConsoleControlHandlerFn handler) override {
    std::lock_guard<std::mutex> lock(g_handlers_mutex);
    if (!watcher_started_) {
      if (::pipe(g_event_pipe) != 0) return false;
      std::thread(Watch).detach();
      for (const Signal& s : kSignals) {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(s.signo, &action, nullptr);
      }
      watcher_started_ = true;
    }
    g_handlers.push_back(handler);
    return true;
  }

  bool SetPriorityClass(uint32_t) override { return false; }

  bool ReadLine(std::string& line, size_t max_chars) override {
    return ReadStdinLine(line, max_chars);
  }

  void DebugOutput(const char* text) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::filesystem::path bench = sim::BenchFromEnvironment();
    if (bench.empty()) return;
    const std::string file = (bench / "trace.log").string();
    if (file != trace_name_) {
      if (trace_ != nullptr) std::fclose(trace_);
      trace_ = std::fopen(file.c_str(), "ab");
      trace_name_ = trace_ != nullptr ? file : std::string();
    }
    if (trace_ == nullptr) return;
    std::fputs(text, trace_);
    std::fflush(trace_);
  }

 private:
  // Calls the handlers, newest first, until one handles the event; an event
  // nobody handles ends the process as the signal would have.
  static void Watch() {
    uint8_t event = 0;
    while (::read(g_event_pipe[0], &event, 1) == 1) {
      std::vector<ConsoleControlHandlerFn> handlers;
      {
        std::lock_guard<std::mutex> lock(g_handlers_mutex);
        handlers = g_handlers;
      }
      bool handled = false;
      for (auto it = handlers.rbegin(); it != handlers.rend() && !handled; ++it)
        handled = (*it)(event);
      if (!handled) {
        for (const Signal& s : kSignals) {
          if (s.event != event) continue;
          std::signal(s.signo, SIG_DFL);
          std::raise(s.signo);
        }
      }
    }
  }

  std::mutex mutex_;  // guards the trace file
  bool watcher_started_ = false;
  std::FILE* trace_ = nullptr;
  std::string trace_name_;
};

}  // namespace

Console& DefaultConsole() {
  static SimConsole console;
  return console;
}

}  // namespace platform
