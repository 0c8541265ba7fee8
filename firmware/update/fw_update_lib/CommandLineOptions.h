#pragma once
// The options of the command line: the one options record, the option table and
// the parser that fills the record from the arguments after the positional ones.

#include <cstddef>
#include <cstdint>
#include <string>

struct CommandLineOptions {
  int32_t pending_value_kind = 0;  // id of the option waiting for its value; 0 = none
  int32_t parse_error = 0;         // 1 after an unknown option, a stray or refused value
  std::string camera_path;         // at most 199 characters
  std::string camera_location;     // at most 299 characters
  std::string camera_sn;           // at most 199 characters
  int32_t camera_id = 0;
  uint32_t start_address = 0;
  uint32_t stop_address = 0;
  bool all_cameras = false;
  bool plain_file = false;
  bool use_camera_api = false;
  uint32_t access_key = 0;
  bool hex_file_format = false;
  bool file_name_is_hex = false;
  bool file_name_is_sn_sne = false;
  int32_t usb3_camera_kind = 0;
  bool yes = false;
  bool ccd = false;
  std::string new_fw_ver;  // at most 199 characters
  std::string cur_fw_ver;  // at most 199 characters
  std::string model;       // at most 199 characters
  std::string eeprom_ver;  // at most 9 characters
  bool skip_eeprom_upgrade = false;
  bool eeprom_ver_associate_from_cpu_ver = false;
  int32_t number_of_led_blinks_on_end = 0;
  std::string patch_file;        // at most 199 characters
  std::string output_file_name;  // at most 199 characters
  std::string forced_model_sne;  // at most 19 characters
};

// One row of the option table. A flag option applies itself at once; a value
// option becomes the pending kind and applies the next argument. apply returns
// false when it refuses the value (too long for its field).
struct OptionEntry {
  const char* name;
  int32_t id;
  const char* help;
  bool takes_value;
  bool (*apply)(CommandLineOptions& options, const char* value);
};

constexpr size_t kOptionCount = 32;
extern const OptionEntry kOptionTable[kOptionCount];

// Feeds each argument, in order, to the parser step; returns argc. The error
// flag of the record tells afterwards whether anything was wrong.
int ParseCommandLineOptions(int argc, char** argv, CommandLineOptions& options);
