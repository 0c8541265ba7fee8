#pragma once
// Shared pieces of the end-to-end tests: the programs under test, the texts
// every run prints, and a bench in a fresh temporary directory.

#include <string>
#include <vector>

#include "ProcessRunner.h"

namespace e2e {

inline const std::string kUpdater = QZCAMUPDATER_PATH;
inline const std::string kBenchTool = QZCAMSIM_PATH;

inline const std::string kBanner =
    "-----------------------------------\n"
    "ZELVIX Camera Firmware Updater V3.78\n"
    "-----------------------------------\n";

inline const std::string kUsage =
    "usage: qzcamupdater <prog|verify|info|reset|dump|extract|insert|upgrade|diff|file_diff> "
    "<CPU1|CPU2|CPU3|CPU4|CPU5|FPGA1|FPGA2|MCU1|XMLMAN|MMDESC|FLAG_U3V|FLAG_U2F|REST_INFO> "
    "<filename|flag_value> [--campath <path>] [--camsn <serial>] [--camid <id>] [--allcameras] "
    "[--plain_file] [--qzapi] [--hexfilename] [--snsnefilename] [--key] [--u3v_cam] "
    "[--cpu4_start] [--cpu4_stop] [--file_size] [--ccd][--hexfileformat]\n";

// The closing lines of a failed run, after its error text.
inline std::string Failed(const std::string& error) {
  return "\n******** Error: " + error + "\nDone return 1\n";
}

// A command-line error: usage line, then the message in its "ERROR: %s\n" form.
inline std::string CommandLineError(const std::string& message) {
  return kUsage + Failed("ERROR: " + message + "\n");
}

// A bench directory of its own; the updater and the bench tool see it through
// QZCAM_BENCH.
class Bench {
 public:
  const std::filesystem::path& path() const { return dir_.path(); }

  testsupport::RunResult Updater(const std::vector<std::string>& args,
                                 const std::string& stdin_text = "") const {
    return Run(kUpdater, args, stdin_text);
  }
  testsupport::RunResult Tool(const std::vector<std::string>& args) const {
    return Run(kBenchTool, args, "");
  }

 private:
  testsupport::RunResult Run(const std::string& program, const std::vector<std::string>& args,
                             const std::string& stdin_text) const {
    testsupport::RunOptions options;
    options.env = {{"QZCAM_BENCH", dir_.path().string()}};
    options.stdin_text = stdin_text;
    options.cwd = dir_.path();
    return testsupport::RunProgram(program, args, options);
  }

  testsupport::TempDir dir_;
};

}  // namespace e2e
