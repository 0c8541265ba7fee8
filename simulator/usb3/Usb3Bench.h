#pragma once
// Virtual USB3 cameras on a bench: creating one with its memory as it leaves
// the factory, changing its settings and faults, and describing it. The bench
// tool and the tests use these; errors are thrown as std::runtime_error with a
// message for the operator.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace sim {

struct Usb3CameraOptions {
  int kind = 0;  // USB3 camera kind 0..4: memory map and defaults
  int interface_class = 1;
  std::string controller_version = "04.22";  // MM.mm, hexadecimal
  bool usb2 = false;
  std::string sn;         // 12-character serial number text
  std::string legacy_sn;  // 8 hexadecimal digits of the older form
  int info_format = 2;    // information partition format 1..3
  uint32_t device_flags = 0;
  std::string path;      // device path; a Windows-shaped one by default
  std::string location;  // first location path
};

// Creates the camera and returns its id.
int AddUsb3Camera(const std::filesystem::path& bench, const Usb3CameraOptions& options);

// Applies KEY=VALUE settings to camera `id`, all or none.
void SetUsb3Camera(const std::filesystem::path& bench, int id,
                   const std::vector<std::string>& settings);

// The `list` line of camera `id`: kind, id, serial, model, path.
std::string Usb3ListLine(const std::filesystem::path& bench, int id);

// One line per setting key and fault, for the tool's help.
std::string Usb3SettingsHelp();

// Interface classes of the two camera drivers, as they appear in device paths.
extern const char* const kUsb3InterfaceClassText[2];

}  // namespace sim
