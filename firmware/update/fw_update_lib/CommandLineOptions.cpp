#include "CommandLineOptions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A value longer than its field is refused rather than cut: a cut path or file
// name would silently name another camera or file.
template <std::string CommandLineOptions::*Field, size_t Width>
bool StoreText(CommandLineOptions& options, const char* value) {
  if (std::strlen(value) > Width - 1) return false;
  options.*Field = value;
  return true;
}

template <bool CommandLineOptions::*Field>
bool SetFlag(CommandLineOptions& options, const char*) {
  options.*Field = true;
  return true;
}

template <int32_t Kind>
bool SetCameraKind(CommandLineOptions& options, const char*) {
  options.usb3_camera_kind = Kind;
  return true;
}

// Hexadecimal as %x converts it; a value that does not convert leaves the field.
template <uint32_t CommandLineOptions::*Field>
bool StoreHex(CommandLineOptions& options, const char* value) {
  unsigned int converted = 0;
  if (std::sscanf(value, "%x", &converted) == 1) options.*Field = converted;
  return true;
}

bool StoreCameraId(CommandLineOptions& options, const char* value) {
  options.camera_id = std::atoi(value);
  return true;
}

bool StoreLedBlinks(CommandLineOptions& options, const char* value) {
  int converted = 0;
  if (std::sscanf(value, "%d", &converted) == 1) options.number_of_led_blinks_on_end = converted;
  return true;
}

using O = CommandLineOptions;

}  // namespace

const OptionEntry kOptionTable[kOptionCount] = {
    {"--campath", 1, "--campath <path> selects camera with given device path", true,
     StoreText<&O::camera_path, 200>},
    {"--camlocation", 2, "--camlocation <location_path> selects camera with given location path",
     true, StoreText<&O::camera_location, 300>},
    {"--camsn", 3, "--camsn <serial> selects camera with given serial number", true,
     StoreText<&O::camera_sn, 200>},
    {"--camid", 4, "--camid <id> selects one camera 0-X", true, StoreCameraId},
    {"--allcameras", 5, "--allcameras Select all cameras", false, SetFlag<&O::all_cameras>},
    {"--plain_file", 6,
     "--plain_file disables decrypting of file and checking checksum. Default is encrypted file "
     "with checksum.",
     false, SetFlag<&O::plain_file>},
    {"--qzapi", 7,
     "--qzapi select qzAPI based update (default no). E.g. for PCIe, TBT based cameras. Default "
     "is using low level USB3 calls (e.g. OpenDeviceUSB30).",
     false, SetFlag<&O::use_camera_api>},
    {"--key", 8,
     "--key <access_key> to enable access to some operations. E.g. updating golden bitstream or "
     "factory data",
     true, StoreHex<&O::access_key>},
    {"--hexfileformat", 9, "--hexfileformat defines that file content is hex format", false,
     SetFlag<&O::hex_file_format>},
    {"--hexfilename", 10,
     "--hexfilename to use filename as hex sequence (LSB) instead of binary file content. e.g. "
     "prog FileSN 12345678 --hexfilename",
     false, SetFlag<&O::file_name_is_hex>},
    {"--snsnefilename", 11,
     "--snsnefilename to use filename as SN/SNE or Sensor SN sequence (LSB) instead of binary "
     "file content. e.g. --snsnefilename aabbccdd",
     false, SetFlag<&O::file_name_is_sn_sne>},
    {"--u3v_cam", 12, "--u3v_cam - same as --ucam_type1", false, SetCameraKind<1>},
    {"--ucam_type1", 13,
     "--ucam_type1 selects 2nd generation of U3V cameras (e.g. qzN). Default is 1st generation "
     "of U3V cameras (e.g. qzR, qzV)",
     false, SetCameraKind<1>},
    {"--ucam_type2", 19,
     "--ucam_type2 selects TR USB3 cameras. Default is 1st generation of U3V cameras (e.g. qzR, "
     "qzV)",
     false, SetCameraKind<2>},
    {"--ucam_type3", 20,
     "--ucam_type3 selects TS290 USB3 cameras. Default is 1st generation of U3V cameras (e.g. "
     "qzR, qzV)",
     false, SetCameraKind<3>},
    {"--ucam_type4", 21, "--ucam_type4 selects TS305 USB3 cameras.", false, SetCameraKind<4>},
    {"--yes", 14, "--yes No interactive questions - assume yes for all", false, SetFlag<&O::yes>},
    {"--cpu4_start", 15, "start address to write CPU4 firmware", true, StoreHex<&O::start_address>},
    {"--cpu4_stop", 16, "stop address to write CPU4 firmware", true, StoreHex<&O::stop_address>},
    {"--fw_start", 17, "start address to write firmware(same as cpu4_start", true,
     StoreHex<&O::start_address>},
    {"--fw_stop", 18, "stop address to write firmware(same as cpu4_stop", true,
     StoreHex<&O::stop_address>},
    {"--ccd", 22, "--ccd to be used with TR CCD models. e.g. prog FileSN 12345678 --ccd", false,
     SetFlag<&O::ccd>},
    {"--new_fw_ver", 23,
     "--new_fw_ver version of new firmware to be used for EEEPROM update for CPU2 on TR and CPU1 "
     "on TV450, e.g. --new_fw_ver 2.00",
     true, StoreText<&O::new_fw_ver, 200>},
    {"--cur_fw_ver", 24,
     "--cur_fw_ver version of current firmware to be used for EEEPROM update for CPU2 on TR and "
     "CPU1 on TV450, e.g. --cur_fw_ver 2.00",
     true, StoreText<&O::cur_fw_ver, 200>},
    {"--model", 25, "--model camera model name used for extraction of EEPROM data", true,
     StoreText<&O::model, 200>},
    {"--eeprom_ver", 26, "--eeprom_ver version EEPROM data to be used for extraction", true,
     StoreText<&O::eeprom_ver, 10>},
    {"--skip_eeprom_upgrade", 27,
     "--skip_eeprom_upgrade skip EEPROM upgrade process during programming of CPU2 on TR and "
     "CPU1 on TV450",
     false, SetFlag<&O::skip_eeprom_upgrade>},
    {"--eeprom_ver_associate_from_cpu_ver", 28,
     "--eeprom_ver_associate_from_cpu_ver version of EEPROM will be assumed from CPU firmware "
     "version",
     false, SetFlag<&O::eeprom_ver_associate_from_cpu_ver>},
    {"--number_of_led_blinks_on_end", 29,
     "--number_of_led_blinks_on_end <number> define how many times LEDs blinks on the end of "
     "operation if succeed",
     true, StoreLedBlinks},
    {"--patch_file", 30,
     "--patch_file define patch file to update EEPROM binary with specific values", true,
     StoreText<&O::patch_file, 200>},
    {"--output_file_name", 31,
     "--output_file_name if operation produces output file, so name of it can be defined, "
     "instead default name will be generated.",
     true, StoreText<&O::output_file_name, 200>},
    {"--forced_model_sne", 32,
     "--forced_model_sne <SNE> forced programming of data for camera model forced by SNE", true,
     StoreText<&O::forced_model_sne, 20>},
};

namespace {

const OptionEntry* FindOptionByName(const char* name) {
  for (const OptionEntry& entry : kOptionTable)
    if (std::strcmp(entry.name, name) == 0) return &entry;
  return nullptr;
}

const OptionEntry* FindOptionById(int32_t id) {
  for (const OptionEntry& entry : kOptionTable)
    if (entry.id == id) return &entry;
  return nullptr;
}

void ParseOneArgument(CommandLineOptions& options, const char* argument) {
  if (std::strncmp(argument, "--", 2) == 0) {
    const OptionEntry* entry = FindOptionByName(argument);
    if (entry == nullptr) {
      std::printf("Unknown parameter %s\n", argument);
      options.parse_error = 1;
    } else if (entry->takes_value) {
      options.pending_value_kind = entry->id;
    } else {
      entry->apply(options, nullptr);
      options.pending_value_kind = 0;
    }
    return;
  }
  const OptionEntry* pending = FindOptionById(options.pending_value_kind);
  if (pending == nullptr) {
    std::printf("Invalid wait_param setr %d / %s\n", 0, argument);
    options.parse_error = 1;
    return;
  }
  if (!pending->apply(options, argument)) {
    std::printf("Parameter value too long for %s\n", pending->name);
    options.parse_error = 1;
  }
  options.pending_value_kind = 0;
}

}  // namespace

int ParseCommandLineOptions(int argc, char** argv, CommandLineOptions& options) {
  for (int i = 0; i < argc; ++i) ParseOneArgument(options, argv[i]);
  return argc;
}
