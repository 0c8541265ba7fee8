#include "OperationExecutor.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "FW_Updater.h"
#include "FrontEnd.h"
#include "api/FW_Updater_FAPI.h"
#include "platform/console.h"
#include "platform/text_exception.h"
#include "usb3/FW_Updater_USB30.h"

namespace {

// Asked for before programming so that a busy workstation does not starve the
// transfers; the answer does not matter.
constexpr uint32_t kAboveNormalPriorityClass = 0x8000;

constexpr size_t kShortModelNameLength = 5;

void PrepareFileRequest(FW_Updater& updater) {
  updater.SetFileName(g_front_end.file_name);
}

void PrepareProgramOrVerify(FW_Updater& updater) {
  const CommandLineOptions& o = g_front_end.options;
  PrepareFileRequest(updater);
  updater.SetStartAddress(o.start_address);
  updater.SetStopAddress(o.stop_address);
  if (o.hex_file_format) updater.SetHexFileFormat(true);
  if (o.file_name_is_hex) {
    updater.SetFileNameIsHex(true);
    updater.SetPlainFile();
  } else if (o.file_name_is_sn_sne) {
    updater.SetFileNameIsSnSne(true);
    updater.SetPlainFile();
  } else if (o.plain_file) {
    updater.SetPlainFile();
    std::printf("Checksum OK\n");
  } else {
    if (!updater.CheckFileChecksum()) throw TextException("Checksum is not valid");
    std::printf("Checksum OK\n");
  }
  if (o.usb3_camera_kind == 1) updater.SetUsb3CameraKind(1);
}

// A file named after another model is most likely the wrong firmware; ask before
// programming it.
void CheckModelOfFile(FW_Updater& updater) {
  char model[100] = {};
  updater.GetCameraModel(model, sizeof model);
  model[sizeof model - 1] = '\0';
  const std::string short_name(model, strnlen(model, kShortModelNameLength));
  const char* file_name = g_front_end.file_name;
  std::printf("Checking if Filename:%s contains short model name:%s\n", file_name,
              short_name.c_str());
  if (std::strstr(file_name, short_name.c_str()) != nullptr) {
    std::printf("Filename contains part of camera model name [OK]\n");
    return;
  }
  std::printf("Warning: Filename does not contain short model name\n");
  if (g_front_end.options.yes) return;
  std::printf("Are you sure to use this file [y/n]\n");
  std::string answer;
  if (platform::GetConsole().ReadLine(answer, 99) && !answer.empty() && answer[0] == 'y') return;
  throw TextException("ERROR: Operation aborted by user\n");
}

void Program(FW_Updater& updater) {
  if (g_front_end.options.use_camera_api && g_front_end.model_check) CheckModelOfFile(updater);
  std::printf("Programming\n");
  platform::Console& console = platform::GetConsole();
  if (!console.AddControlHandler(ConsoleControlHandler))
    LogPrint("Failed to register console control handler function");
  console.SetPriorityClass(kAboveNormalPriorityClass);
  updater.LogOperationMessage("Firmware Updater %s started", kUpdaterVersion);
  if (updater.UpdateFirmware())
    updater.LogOperationMessage("Firmware Updater %s finished", kUpdaterVersion);
  else
    updater.LogOperationMessage("Firmware Updater %s failed", kUpdaterVersion);
}

void Info(FW_Updater& updater) {
  if (g_front_end.firmware_type == FW_TYPE_FLAG_U3V) {
    uint8_t flag = 0;
    updater.GetU3VFlag(flag);
    std::printf("FLAG_U3V %d\n", flag);
    return;
  }
  std::printf("Getting version info\n");
  char version[100] = {};
  updater.GetCurrentFirmwareVersion(version, sizeof version);
  version[sizeof version - 1] = '\0';
  std::printf("Detected version V%s\n", version);
}

}  // namespace

void DoOperation(FW_Updater& updater) {
  const FrontEndState& s = g_front_end;
  std::printf("Performing operation %d on firmware type %d\n", s.operation, s.firmware_type);
  updater.SetFirmwareType(s.firmware_type);

  switch (s.operation) {
    case OPERATION_INFO:
      if (s.options.usb3_camera_kind == 1) updater.SetUsb3CameraKind(1);
      break;
    case OPERATION_DUMP:
    case OPERATION_EXTRACT:
    case OPERATION_INSERT:
    case OPERATION_FILE_DIFF:
      PrepareFileRequest(updater);
      break;
    case OPERATION_PROG:
    case OPERATION_VERIFY:
      PrepareProgramOrVerify(updater);
      break;
    default:
      break;
  }

  switch (s.operation) {
    case OPERATION_PROG:
      Program(updater);
      break;
    case OPERATION_VERIFY:
      std::printf("Verify\n");
      updater.VerifyFirmware();
      std::printf("Verify done OK\n");
      break;
    case OPERATION_INFO:
      Info(updater);
      break;
    case OPERATION_RESET:
      std::printf("Reseting\n");
      updater.ResetCamera();
      std::printf("Reset done OK\n");
      break;
    case OPERATION_DUMP:
      updater.DumpFlash();
      std::printf("Dump done OK  \n");
      break;
    case OPERATION_EXTRACT:
      updater.ExtractData();
      break;
    case OPERATION_INSERT:
      updater.SetPatchFileName(s.options.patch_file.c_str());
      updater.SetOutputFileName(s.options.output_file_name.c_str());
      updater.InsertData();
      break;
    case OPERATION_UPGRADE:
      updater.UpgradeFirmware();
      break;
    case OPERATION_LISTDEVPATHS:
      updater.ListOfCamerasLocations();
      break;
    case OPERATION_DIFF:
    case OPERATION_FILE_DIFF:
      updater.DiffFirmwareContent();
      break;
    default:
      break;
  }
}

void DoOperationOnAllUsb3CamerasOnDriver(int32_t driver) {
  const UpdaterFactory& factory = GetUpdaterFactory();
  int32_t count = 0;
  try {
    std::unique_ptr<FW_Updater_USB30> counter = factory.make_usb30();
    counter->SetBulkRequests(1);
    counter->SetUsb3Driver(driver);
    count = counter->GetCameraOnBusCount();
  } catch (const std::bad_alloc&) {
    std::printf("DoOperationOnAllUsb3CamerasOnDriver FW_Updater_USB30 allocation failed\n");
    return;
  }
  for (int32_t index = count - 1; index >= 0; --index) {
    std::printf("----------------------------------\n");
    std::printf("Selected camera id:%d (total %d) - driver %d\n", index, count, driver);
    std::unique_ptr<FW_Updater_USB30> updater;
    try {
      updater = factory.make_usb30();
    } catch (const std::bad_alloc&) {
      std::printf("DoOperationOnAllUsb3CamerasOnDriver FW_Updater_USB30 allocation failed\n");
      return;
    }
    updater->SetBulkRequests(1);
    updater->SetUsb3Driver(driver);
    updater->SelectCameraOnBus(index);
    DoOperation(*updater);
  }
}

void DoOperationOnAllCameras() {
  const UpdaterFactory& factory = GetUpdaterFactory();
  const CommandLineOptions& o = g_front_end.options;
  std::unique_ptr<FW_Updater_FAPI> counter = factory.make_fapi();
  const int32_t count = counter->GetNumberOfCameras();
  if (count == 0) throw TextException("No camera connected");
  for (int32_t index = 0; index < count; ++index) {
    std::printf("----------------------------------\n");
    std::printf("Selected camera id:%d (total:%d)\n", index, count);
    std::unique_ptr<FW_Updater_FAPI> updater = factory.make_fapi();
    updater->SetAccessKey(o.access_key != 0 ? o.access_key : kDefaultAccessKey);
    updater->SelectCameraOnBus(index);
    DoOperation(*updater);
  }
}
