#include "FrontEnd.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "FW_Updater.h"
#include "OperationExecutor.h"
#include "api/FW_Updater_FAPI.h"
#include "api/qzAPIplus_Exception.h"
#include "platform/text_exception.h"
#include "usb3/FW_Updater_USB30.h"

FrontEndState g_front_end;

namespace {

std::unique_ptr<FW_Updater_USB30> MakeUsb30() {
  return std::make_unique<FW_Updater_USB30>();
}
std::unique_ptr<FW_Updater_FAPI> MakeFapi() {
  return std::make_unique<FW_Updater_FAPI>();
}

const UpdaterFactory kRealUpdaters{MakeUsb30, MakeFapi};
const UpdaterFactory* g_factory = &kRealUpdaters;

struct OperationWord {
  const char* word;
  int32_t code;
};
constexpr OperationWord kOperationWords[] = {
    {"prog", OPERATION_PROG},
    {"verify", OPERATION_VERIFY},
    {"info", OPERATION_INFO},
    {"reset", OPERATION_RESET},
    {"dump", OPERATION_DUMP},
    {"extract", OPERATION_EXTRACT},
    {"insert", OPERATION_INSERT},
    {"upgrade", OPERATION_UPGRADE},
    {"listdevpaths", OPERATION_LISTDEVPATHS},
    {"diff", OPERATION_DIFF},
    {"file_diff", OPERATION_FILE_DIFF},
};

constexpr size_t kFileNameMax = sizeof(FrontEndState::file_name) - 1;

// Command-line errors follow the short usage line and carry "ERROR: %s\n".
[[noreturn]] void CommandLineError(const char* message, bool with_usage = true) {
  if (with_usage) PrintShortUsage();
  char text[256];
  std::snprintf(text, sizeof text, "ERROR: %s\n", message);
  throw TextException(text);
}

void PrintBanner() {
  std::printf("-----------------------------------\n");
  std::printf("ZELVIX Camera Firmware Updater V3.78\n");
  std::printf("-----------------------------------\n");
}

void PrintOptionList() {
  PrintShortUsage();
  for (const OptionEntry& entry : kOptionTable) std::printf("%s\n", entry.help);
}

bool IsHelpWord(const char* word) {
  return std::strcmp(word, "help") == 0 || std::strcmp(word, "--help") == 0 ||
         std::strcmp(word, "-h") == 0;
}

void RunOnCameraApi() {
  const CommandLineOptions& o = g_front_end.options;
  std::unique_ptr<FW_Updater_FAPI> updater = GetUpdaterFactory().make_fapi();
  updater->SetAccessKey(o.access_key != 0 ? o.access_key : kDefaultAccessKey);
  updater->SetProgressCallback(ShowProgress, nullptr);
  if (!o.forced_model_sne.empty()) updater->SetForcedModelSne(o.forced_model_sne.c_str());
  if (!o.new_fw_ver.empty()) updater->SetNewFirmwareVersion(o.new_fw_ver.c_str());
  if (!o.cur_fw_ver.empty()) updater->SetCurrentFirmwareVersion(o.cur_fw_ver.c_str());
  if (!o.model.empty()) updater->SetCameraModelName(o.model.c_str());
  if (!o.eeprom_ver.empty()) updater->SetEepromVersion(o.eeprom_ver.c_str());
  if (o.skip_eeprom_upgrade) updater->SetSkipEepromUpgrade();
  if (o.eeprom_ver_associate_from_cpu_ver) updater->SetEepromVersionFromCpuVersion();
  if (o.number_of_led_blinks_on_end != 0)
    updater->SetLedBlinkCumberAfterInfo(o.number_of_led_blinks_on_end);

  if (!o.camera_path.empty()) {
    updater->SelectCameraByPath(o.camera_path.c_str());
    DoOperation(*updater);
  } else if (!o.camera_location.empty()) {
    updater->SelectCameraByLocation(o.camera_location.c_str());
    DoOperation(*updater);
  } else if (!o.camera_sn.empty()) {
    updater->SelectCameraBySN(o.camera_sn.c_str());
    DoOperation(*updater);
  } else if (o.all_cameras) {
    DoOperationOnAllCameras();
  } else {
    updater->SelectCameraOnBus(o.camera_id);
    DoOperation(*updater);
  }
}

void RunOnUsb3() {
  const CommandLineOptions& o = g_front_end.options;
  if (!o.forced_model_sne.empty())
    CommandLineError("Legacy (USB3) cameras updating does not support --forced_model_sne", false);
  std::unique_ptr<FW_Updater_USB30> updater = GetUpdaterFactory().make_usb30();
  updater->SetProgressCallback(ShowProgress, nullptr);
  updater->SetUsb3Driver(0);
  updater->SetBulkRequests(1);
  updater->SetUsb3CameraKind(o.usb3_camera_kind);
  if (o.ccd) updater->SetCcdMode();

  if (!o.camera_path.empty()) {
    updater->SetUsb3Driver(1);
    updater->SelectCameraByPath(o.camera_path.c_str());
    DoOperation(*updater);
  } else if (!o.camera_sn.empty()) {
    updater->SetUsb3Driver(1);
    updater->SelectCameraBySN(o.camera_sn.c_str());
    DoOperation(*updater);
  } else if (o.all_cameras) {
    // Driver 1 counts the cameras of both interface classes, so one pass serves
    // them all; a pass for driver 2 could only fail after the work was done.
    DoOperationOnAllUsb3CamerasOnDriver(1);
  } else {
    updater->SelectCameraOnBus(o.camera_id);
    DoOperation(*updater);
  }
}

// Everything after the banner; throws on any failure. Returns true when the run
// ends without the closing lines (the self-tests).
bool RunCommandLine(int argc, char** argv) {
  FrontEndState& s = g_front_end;
  if (argc < 2) CommandLineError("No operation entered");

  const char* word = argv[1];
  if (std::strcmp(word, "internal_tests") == 0) {
    RunInternalTests();
    std::printf("All internal tests OK\n");
    return true;
  }
  for (const OperationWord& w : kOperationWords)
    if (std::strcmp(w.word, word) == 0) s.operation = w.code;
  if (s.operation == OPERATION_NONE) CommandLineError("Unknown operation");

  bool needs_file = s.operation != OPERATION_INFO && s.operation != OPERATION_RESET &&
                    s.operation != OPERATION_UPGRADE && s.operation != OPERATION_LISTDEVPATHS &&
                    s.operation != OPERATION_DIFF;
  int next = 2;
  if (s.operation != OPERATION_RESET && s.operation != OPERATION_LISTDEVPATHS) {
    if (argc < 3) CommandLineError("No type entered");
    const FirmwareTypeEntry& type = FW_Updater::FindFirmwareTypeByName(argv[next++]);
    if (type.id == FW_TYPE_NONE) CommandLineError("Invalid firmware type");
    s.firmware_type = type.id;
    s.model_check = type.model_check;
    needs_file = needs_file && type.takes_file;
  }
  if (needs_file) {
    if (next >= argc) CommandLineError("Filename missing, but required");
    // Refused rather than cut: a cut name would silently name another file.
    if (std::strlen(argv[next]) > kFileNameMax) CommandLineError("Filename too long");
    std::strcpy(s.file_name, argv[next++]);
  }

  ParseCommandLineOptions(argc - next, argv + next, s.options);
  if (s.options.parse_error != 0) CommandLineError("Error in parameters");

  if (s.options.use_camera_api)
    RunOnCameraApi();
  else
    RunOnUsb3();
  return false;
}

}  // namespace

const UpdaterFactory& GetUpdaterFactory() {
  return *g_factory;
}

const UpdaterFactory* SetUpdaterFactory(const UpdaterFactory* factory) {
  const UpdaterFactory* previous = g_factory == &kRealUpdaters ? nullptr : g_factory;
  g_factory = factory != nullptr ? factory : &kRealUpdaters;
  return previous;
}

int UpdaterMain(int argc, char** argv) {
  PrintBanner();
  if (argc >= 2 && IsHelpWord(argv[1])) {
    PrintOptionList();
    return 0;
  }
  FrontEndState& s = g_front_end;
  try {
    if (RunCommandLine(argc, argv)) return 0;
  } catch (const TextException& e) {
    std::printf("\n******** Error: %s\n", e.what());
    s.exit_code = 1;
  } catch (const qzAPIplus_Exception& e) {
    char description[200];
    std::snprintf(description, sizeof description, "%s", e.GetDescription());
    std::printf("\n******** Error qzAPI: %s\n", description);
    s.exit_code = 1;
  } catch (const std::exception& e) {
    // Not one of the system's own errors (for example an exhausted heap): still
    // one error line and a failed run instead of an aborted process.
    std::printf("\n******** Error: %s\n", e.what());
    s.exit_code = 1;
  }
  std::printf("Done return %d\n", s.exit_code);
  if (s.exit_code == 0) std::printf("All OK\n");
  std::fflush(stdout);
  return s.exit_code;
}

void ShowProgress(int32_t percent, void*) {
  if (percent == g_front_end.last_progress) return;
  std::printf("%d%%\r", percent);
  g_front_end.last_progress = percent;
  std::fflush(stdout);
}

void LogPrint(const char* text) {
  std::printf("Log: %s\n", text);
}

bool ConsoleControlHandler(uint32_t event) {
  switch (event) {
    case 0:
      LogPrint("\nCtrl-C event");
      break;
    case 1:
      LogPrint("\nCtrl-Break event");
      break;
    case 2:
      LogPrint("\nCtrl-Close event");
      break;
    case 5:
      LogPrint("\nLogoff event");
      break;
    case 6:
      LogPrint("\nShutdown event");
      break;
    default:
      LogPrint("\nUnknown event");
      break;
  }
  LogPrint(
      "The firmware update will continue in order to finish current operation. Please wait...");
  std::fflush(stdout);
  return true;
}

void PrintShortUsage() {
  std::printf(
      "usage: qzcamupdater "
      "<prog|verify|info|reset|dump|extract|insert|upgrade|diff|file_diff> "
      "<CPU1|CPU2|CPU3|CPU4|CPU5|FPGA1|FPGA2|MCU1|XMLMAN|MMDESC|FLAG_U3V|FLAG_U2F|REST_INFO> "
      "<filename|flag_value> [--campath <path>] [--camsn <serial>] [--camid <id>] "
      "[--allcameras] [--plain_file] [--qzapi] [--hexfilename] [--snsnefilename] [--key] "
      "[--u3v_cam] [--cpu4_start] [--cpu4_stop] [--file_size] [--ccd][--hexfileformat]\n");
}
