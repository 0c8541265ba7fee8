#pragma once
// The command-line front end: process-wide state of one run, the entry point,
// and the console services the updaters report to.

#include <cstdint>
#include <memory>

#include "CommandLineOptions.h"

class FW_Updater_USB30;
class FW_Updater_FAPI;

// The built-in access key handed to the camera-API updater when --key gives none.
constexpr uint32_t kDefaultAccessKey = 0x6B2E0D47;

// The version named in the banner and in the operation log.
constexpr const char* kUpdaterVersion = "V3.78";

struct FrontEndState {
  int32_t operation = 0;
  int32_t firmware_type = 0;
  bool model_check = false;
  char file_name[300] = {};
  int32_t exit_code = 0;
  int32_t last_progress = 0;
  CommandLineOptions options;
};

// The one instance of the run.
extern FrontEndState g_front_end;

// Creates the updaters of the run; tests install fakes.
struct UpdaterFactory {
  std::unique_ptr<FW_Updater_USB30> (*make_usb30)();
  std::unique_ptr<FW_Updater_FAPI> (*make_fapi)();
};
const UpdaterFactory& GetUpdaterFactory();
// Installs `factory` and returns the one it replaces; nullptr restores the real updaters.
const UpdaterFactory* SetUpdaterFactory(const UpdaterFactory* factory);

// The entry point: returns the exit code, 0 after success, 1 after any error.
int UpdaterMain(int argc, char** argv);

// Progress callback installed on the updaters; prints "%d%%\r" on each change.
void ShowProgress(int32_t percent, void* context);

// Console control handler: reports the event and keeps the process running so a
// running operation is never cut short.
bool ConsoleControlHandler(uint32_t event);

// Prints one line as "Log: %s\n".
void LogPrint(const char* text);

void PrintShortUsage();

// Runs the built-in self-checks; throws TextException naming the first that fails.
void RunInternalTests();
