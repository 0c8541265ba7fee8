// USB3 cameras on the bench.
#include <cstdio>
#include <iostream>
#include <stdexcept>

#include "CameraFamily.h"
#include "simulator/Bench.h"
#include "simulator/usb3/Usb3Bench.h"

namespace qzcamsim {
namespace {

int ParseNumber(const std::string& option, const std::string& text) {
  size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used, 0);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size())
    throw std::runtime_error("bad value for " + option + ": " + text);
  return value;
}

int Add(const std::filesystem::path& bench, const Args& args) {
  sim::Usb3CameraOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--usb2") {
      options.usb2 = true;
      continue;
    }
    if (i + 1 >= args.size()) throw std::runtime_error(option + " needs a value");
    const std::string& value = args[++i];
    if (option == "--kind")
      options.kind = ParseNumber(option, value);
    else if (option == "--interface-class")
      options.interface_class = ParseNumber(option, value);
    else if (option == "--controller-version")
      options.controller_version = value;
    else if (option == "--sn")
      options.sn = value;
    else if (option == "--legacy-sn")
      options.legacy_sn = value;
    else if (option == "--info-format")
      options.info_format = ParseNumber(option, value);
    else if (option == "--device-flags")
      options.device_flags = static_cast<uint32_t>(ParseNumber(option, value));
    else if (option == "--path")
      options.path = value;
    else if (option == "--location")
      options.location = value;
    else
      throw std::runtime_error("unknown option of add-usb3: " + option);
  }
  std::printf("%d\n", sim::AddUsb3Camera(bench, options));
  return 0;
}

void List(const std::filesystem::path& bench) {
  for (int id : sim::ListCameraIds(bench, "usb3")) {
    try {
      std::printf("%s\n", sim::Usb3ListLine(bench, id).c_str());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "qzcamsim: %s\n", e.what());
    }
  }
}

int Show(const std::filesystem::path& bench, int id) {
  std::cout << sim::LoadJson(sim::CameraDir(bench, "usb3", id) / "camera.json").dump(2) << '\n';
  return 0;
}

int Set(const std::filesystem::path& bench, int id, const Args& settings) {
  if (settings.empty()) throw std::runtime_error("set usb3 needs KEY=VALUE settings");
  sim::SetUsb3Camera(bench, id, settings);
  return 0;
}

const char* Help() {
  static const std::string help =
      "  add-usb3 [--kind 0..4] [--interface-class 1|2] [--controller-version MM.mm] [--usb2]\n"
      "           [--sn TEXT12 | --legacy-sn HEX8] [--info-format 1|2|3] [--device-flags N]\n"
      "           [--path TEXT] [--location TEXT]\n"
      "                            creates a USB3 camera, prints its id\n"
      "  set usb3 ID KEY=VALUE...  settings and faults of a USB3 camera:\n" +
      sim::Usb3SettingsHelp() +
      "  (the camera's folder holds camera.json, its memories spi_flash.bin, stm32_flash.bin,\n"
      "   c2_flash.bin, c51_flash.bin, c51_eeprom.bin, and requests.log when request_log=true)";
  return help.c_str();
}

}  // namespace

const CameraFamily& Usb3Family() {
  static const CameraFamily family{"usb3", {"add-usb3", Add}, List, Show, Set, {}, Help()};
  return family;
}

}  // namespace qzcamsim
