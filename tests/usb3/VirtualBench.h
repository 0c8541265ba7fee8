#pragma once
// A bench of virtual USB3 cameras in a fresh temporary directory for one test:
// the simulated platform finds it through QZCAM_BENCH, traces are captured,
// and the cameras' request logs are read back as lists of requests.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "platform/console.h"
#include "simulator/Bench.h"
#include "simulator/usb3/Usb3Bench.h"
#include "usb3/CameraFW.h"

namespace usb3test {

// Catches the debugger output channel.
class TraceConsole : public platform::Console {
 public:
  std::vector<std::string> lines;
  bool AddControlHandler(platform::ConsoleControlHandlerFn) override { return true; }
  bool SetPriorityClass(uint32_t) override { return false; }
  bool ReadLine(std::string&, size_t) override { return false; }
  void DebugOutput(const char* text) override { lines.emplace_back(text); }
  bool Has(const std::string& text) const {
    for (const std::string& line : lines)
      if (line == text) return true;
    return false;
  }
};

// One line of a camera's request log.
struct LoggedRequest {
  std::string code;  // two hex digits; "!" for a driver action
  char direction = '?';
  unsigned value = 0;
  unsigned index = 0;
  unsigned length = 0;
  std::string payload;  // hex, "-" when none
  int id = -1;
  std::string mark;
  std::string text;  // the whole line

  // "E4 W 8" for a request, "! abort 82" for a driver action.
  std::string Brief() const {
    if (code == "!") return text;
    return code + " " + direction + " " + std::to_string(length);
  }
};

class VirtualBench : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QZCAM_BENCH", dir_.path().c_str(), 1);
    previous_console_ = platform::SetConsole(&trace_);
  }
  void TearDown() override {
    platform::SetConsole(previous_console_);
    unsetenv("QZCAM_BENCH");
  }

  const std::filesystem::path& bench() const { return dir_.path(); }

  int AddCamera(const sim::Usb3CameraOptions& options = {}, bool log = true) {
    const int id = sim::AddUsb3Camera(bench(), options);
    if (log) Set(id, {"request_log=true"});
    return id;
  }
  void Set(int id, const std::vector<std::string>& settings) {
    sim::SetUsb3Camera(bench(), id, settings);
  }
  std::filesystem::path CameraFile(int id, const char* name) const {
    return sim::CameraDir(bench(), "usb3", id) / name;
  }
  std::vector<uint8_t> Memory(int id, const char* name) const {
    return sim::ReadBinaryFile(CameraFile(id, name));
  }

  // The requests logged since the last call.
  std::vector<LoggedRequest> Log(int id) {
    std::vector<LoggedRequest> requests;
    const std::filesystem::path file = CameraFile(id, "requests.log");
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
      LoggedRequest r;
      r.text = line;
      std::istringstream words(line);
      words >> r.code;
      if (r.code != "!" && r.code != "??") {
        std::string id_word;
        words >> r.direction >> std::hex >> r.value >> r.index >> std::dec >> r.length >>
            r.payload >> id_word;
        r.id = std::stoi(id_word.substr(1));
        std::getline(words >> std::ws, r.mark);
      }
      requests.push_back(r);
    }
    in.close();
    std::filesystem::remove(file);
    return requests;
  }
  std::vector<std::string> Briefs(int id) {
    std::vector<std::string> briefs;
    for (const LoggedRequest& r : Log(id)) briefs.push_back(r.Brief());
    return briefs;
  }

  testsupport::TempDir dir_;
  TraceConsole trace_;
  platform::Console* previous_console_ = nullptr;
};

// A bench with one camera opened through CameraFW, its setup requests and
// traces cleared.
class CameraBench : public VirtualBench {
 protected:
  void OpenCamera(const sim::Usb3CameraOptions& options) {
    id_ = AddCamera(options);
    camera_.SetBulkRequests(1);
    camera_.SetCameraIndex(static_cast<uint16_t>(id_));
    camera_.OpenCamera();
    Log(id_);
    trace_.lines.clear();
  }
  // Bytes of one of the camera's memory files.
  std::vector<uint8_t> Bytes(const char* file, uint32_t offset, uint32_t length) {
    const std::vector<uint8_t> all = Memory(id_, file);
    return std::vector<uint8_t>(all.begin() + offset, all.begin() + offset + length);
  }

  int id_ = 0;
  CameraFW camera_;
};

}  // namespace usb3test
