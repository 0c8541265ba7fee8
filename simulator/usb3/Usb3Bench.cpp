#include "simulator/usb3/Usb3Bench.h"
#include "simulator/usb3/CameraBytes.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "simulator/Bench.h"
#include "simulator/usb3/Fx3Controller.h"
#include "simulator/usb3/MemoryFile.h"
#include "simulator/usb3/Usb3CameraStore.h"

namespace sim {
namespace fs = std::filesystem;

const char* const kUsb3InterfaceClassText[2] = {"{ae18aa60-7f6a-11d4-97dd-00010229b959}",
                                                "{6d3494ef-7256-4641-9cf3-4e29c73dfb25}"};

namespace {

[[noreturn]] void Fail(const std::string& message) {
  throw std::runtime_error(message);
}

// --- The factory image of the serial flash

constexpr uint32_t kMmdescAddress = 0x40000;
constexpr uint32_t kInfoPartitionAddress = 0x50000;

struct KindInfo {
  const char* model;
  uint32_t flash_size;
  uint32_t fpga1[2], auxiliary[2], xmlman[2], fpga2[2], auxiliary2[2];
  const char* mcu_channel;
};
constexpr KindInfo kKinds[] = {
    {"u3v-gen1",
     0x400000,
     {0x60000, 0xA0000},
     {0x100000, 0x100000},
     {0x200000, 0x40000},
     {0x240000, 0xA0000},
     {0, 0},
     "c2"},
    {"u3v-gen2",
     0x800000,
     {0x60000, 0x300000},
     {0x360000, 0x200000},
     {0x560000, 0x80000},
     {0x60000, 0x300000},
     {0, 0},
     "stm32"},
    {"tr",
     0x400000,
     {0x60000, 0xA0000},
     {0x100000, 0x100000},
     {0x200000, 0x40000},
     {0x240000, 0xA0000},
     {0, 0},
     "stm32"},
    {"ts290",
     0x400000,
     {0x60000, 0xA0000},
     {0x100000, 0x200000},
     {0x300000, 0x40000},
     {0, 0},
     {0, 0},
     "c2"},
    {"ts305",
     0x400000,
     {0, 0},
     {0x60000, 0x1A0000},
     {0x200000, 0x80000},
     {0, 0},
     {0x280000, 0x10000},
     "c2"},
};

std::vector<uint8_t> MemoryMapRecord(const KindInfo& kind) {
  const uint32_t words[20] = {1,
                              96,
                              0,
                              kind.flash_size,
                              0,
                              0x40000,
                              kMmdescAddress,
                              0x10000,
                              kInfoPartitionAddress,
                              0x10000,
                              kind.fpga1[0],
                              kind.fpga1[1],
                              kind.auxiliary[0],
                              kind.auxiliary[1],
                              kind.xmlman[0],
                              kind.xmlman[1],
                              kind.fpga2[0],
                              kind.fpga2[1],
                              kind.auxiliary2[0],
                              kind.auxiliary2[1]};
  std::vector<uint8_t> record(96, 0);
  for (int i = 0; i < 20; ++i) PutLe32(&record[4 * i], words[i]);
  return record;
}

// The packed serial number: five letters of the Base32 alphabet, two two-digit
// numbers and three characters of the base32hex alphabet in two words.
std::vector<uint8_t> PackSerial(const std::string& text) {
  static const char kAlphabetA[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  static const char kAlphabetB[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
  auto index = [&](const char* alphabet, char c) -> uint32_t {
    const char* at = c != '\0' ? std::strchr(alphabet, c) : nullptr;
    if (at == nullptr) Fail("bad serial number " + text + ": '" + c + "' is not allowed there");
    return static_cast<uint32_t>(at - alphabet);
  };
  auto number = [&](size_t at, uint32_t limit) -> uint32_t {
    if (text[at] < '0' || text[at] > '9' || text[at + 1] < '0' || text[at + 1] > '9')
      Fail("bad serial number " + text + ": characters 6 to 9 are digits");
    const uint32_t value = static_cast<uint32_t>((text[at] - '0') * 10 + (text[at + 1] - '0'));
    if (value > limit) Fail("bad serial number " + text + ": number too large");
    return value;
  };
  if (text.size() != 12) Fail("bad serial number " + text + ": it has 12 characters");
  uint32_t word0 = 0;
  for (size_t i = 0; i < 5; ++i) word0 |= index(kAlphabetA, text[i]) << (5 * i);
  word0 |= number(5, 99) << 25;
  uint32_t word1 = number(7, 63);
  for (size_t i = 0; i < 3; ++i) word1 |= index(kAlphabetB, text[9 + i]) << (6 + 5 * i);
  std::vector<uint8_t> packed(8);
  PutLe32(&packed[0], word0);
  PutLe32(&packed[4], word1);
  return packed;
}

uint32_t ParseLegacySerial(const std::string& hex) {
  if (hex.size() != 8 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    Fail("bad legacy serial number " + hex + ": it has 8 hexadecimal digits");
  return static_cast<uint32_t>(std::stoul(hex, nullptr, 16));
}

std::vector<uint8_t> InfoPartition(int format, const std::vector<uint8_t>& packed, uint32_t legacy,
                                   uint32_t flags) {
  static const uint32_t kUsedSize[4] = {0, 292, 304, 432};
  std::vector<uint8_t> partition(kUsedSize[format], 0);
  PutLe32(&partition[0], static_cast<uint32_t>(format));
  PutLe32(&partition[4], kUsedSize[format]);
  PutLe32(&partition[12], legacy);
  PutLe32(&partition[288], flags);
  if (format >= 2) std::copy(packed.begin(), packed.end(), partition.begin() + 292);
  return partition;
}

unsigned ParseVersion(const std::string& text) {
  unsigned major = 0, minor = 0;
  char end = 0;
  if (text.size() != 5 || std::sscanf(text.c_str(), "%2x.%2x%c", &major, &minor, &end) != 2)
    Fail("bad version " + text + ": it is MM.mm in hexadecimal");
  return major << 8 | minor;
}

// The C51 firmware versions live in the MCU's memories.
void WriteC51Version(const fs::path& dir, const char* file, uint32_t address,
                     const std::string& text) {
  const unsigned version = ParseVersion(text);
  MemoryFile memory(dir / file, 0x10000);
  const uint8_t bytes[2] = {static_cast<uint8_t>(version), static_cast<uint8_t>(version >> 8)};
  memory.Write(address, bytes, 2);
}

// --- Settings

enum class Type { kInt, kBool, kText, kVersion, kCode, kHex };

struct SettingKey {
  const char* key;
  Type type;
  const char* help;
};

constexpr SettingKey kSettings[] = {
    {"interface_class", Type::kInt, "1 (FX3 generic driver) or 2 (camera driver)"},
    {"path", Type::kText, "device path"},
    {"location_paths", Type::kText, "first location path; none: the property is missing"},
    {"location_information", Type::kText, "location information; none: missing"},
    {"controller_version", Type::kVersion, "controller firmware MM.mm (hex): 02.06, 04.22..."},
    {"usb2", Type::kBool, "true: the camera runs at USB 2.0 speed"},
    {"powered", Type::kBool, "false: the camera is off the bus"},
    {"restart_ms", Type::kInt, "time the camera is off the bus when it restarts"},
    {"ready_ms", Type::kInt, "time after its return until it reports ready"},
    {"erase_ms", Type::kInt, "serial flash sector erase time"},
    {"mcu_channel", Type::kText, "MCU behind the generic channel: stm32 or c2"},
    {"stm32_version", Type::kHex, "STM32 firmware version, e.g. 0x0103"},
    {"stm32_uid", Type::kText, "STM32 unique id: 24 hex digits"},
    {"stm32_reply", Type::kText, "fault: ok, bad_prefix, bad_status or bad_request_id"},
    {"fpga_chip_id", Type::kText, "FPGA chip id: 12 hex digits (registers 31, 30, 29)"},
    {"fpga.R", Type::kHex, "FPGA register R (0..127), e.g. fpga.1=0x0107"},
    {"c51_probe", Type::kBool, "false: the C51 bootloader is too old for the probe"},
    {"c51_ccd", Type::kBool, "true: C51 bootloader of a CCD model"},
    {"c51_flash_version", Type::kVersion, "C51 flash firmware MM.mm (hex)"},
    {"c51_eeprom_version", Type::kVersion, "C51 EEPROM firmware MM.mm (hex)"},
    {"request_log", Type::kBool, "true: every request is appended to requests.log"},
    {"pending", Type::kInt, "fault: K pending acknowledges before each answer"},
    {"pending_ms", Type::kInt, "fault: the wait each pending acknowledge asks for"},
    {"pending_code", Type::kCode, "fault: only requests of this code are pending (any)"},
    {"refuse_code", Type::kCode, "fault: requests of this code are refused (none)"},
    {"stale_ack", Type::kInt, "fault: N requests get an earlier request's acknowledge first"},
    {"corrupt_ack", Type::kInt, "fault: N requests get a corrupt acknowledge first"},
    {"no_ack", Type::kInt, "fault: the next N requests get no acknowledge"},
    {"power_cut_after", Type::kInt, "fault: the power goes after N more requests (-1: never)"},
};

int64_t ParseInt(const std::string& key, const std::string& value) {
  size_t used = 0;
  int64_t number = 0;
  try {
    number = std::stoll(value, &used, 0);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != value.size()) Fail("bad value for " + key + ": " + value);
  return number;
}

bool IsHexText(const std::string& text, size_t digits) {
  return text.size() == digits &&
         text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// A C51 version to write into the MCU's memory once every setting was accepted.
struct VersionWrite {
  const char* file;
  uint32_t address;
  std::string version;
};

void ApplySetting(nlohmann::json& json, std::vector<VersionWrite>& writes,
                  const std::string& setting) {
  const size_t equals = setting.find('=');
  if (equals == std::string::npos) Fail("setting without '=': " + setting);
  const std::string key = setting.substr(0, equals);
  const std::string value = setting.substr(equals + 1);
  if (key.rfind("fpga.", 0) == 0) {
    const int64_t r = ParseInt(key, key.substr(5));
    const int64_t v = ParseInt(key, value);
    if (r < 0 || r > 127 || v < 0 || v > 0xFFFFFFFFLL) Fail("bad value for " + key + ": " + value);
    json["fpga_registers"][std::to_string(r)] = v;
    return;
  }
  const SettingKey* entry = nullptr;
  for (const SettingKey& s : kSettings)
    if (key == s.key) entry = &s;
  if (entry == nullptr) Fail("unknown setting: " + key + " (see qzcamsim help)");
  switch (entry->type) {
    case Type::kInt:
      json[key] = ParseInt(key, value);
      break;
    case Type::kHex:
      json[key] = ParseInt(key, value.rfind("0x", 0) == 0 ? value : "0x" + value);
      break;
    case Type::kBool:
      if (value != "true" && value != "false") Fail("bad value for " + key + ": true or false");
      json[key] = value == "true";
      break;
    case Type::kCode: {
      const bool none = value == "any" || value == "none";
      const int64_t code = none ? -1 : ParseInt(key, value);
      if (code < -1 || code > 255) Fail("bad value for " + key + ": " + value);
      json[key] = code;
      break;
    }
    case Type::kVersion:
      ParseVersion(value);
      if (key == "c51_flash_version")
        writes.push_back({"c51_flash.bin", 5, value});
      else if (key == "c51_eeprom_version")
        writes.push_back({"c51_eeprom.bin", 0xFC0E, value});
      else
        json[key] = value;
      break;
    case Type::kText:
      if ((key == "stm32_uid" && !IsHexText(value, 24)) ||
          (key == "fpga_chip_id" && !IsHexText(value, 12)) ||
          (key == "mcu_channel" && value != "stm32" && value != "c2") ||
          (key == "stm32_reply" && value != "ok" && value != "bad_prefix" &&
           value != "bad_status" && value != "bad_request_id"))
        Fail("bad value for " + key + ": " + value);
      if ((key == "location_paths" || key == "location_information") && value == "none")
        json[key] = nullptr;
      else
        json[key] = value;
      break;
  }
}

}  // namespace

int AddUsb3Camera(const fs::path& bench, const Usb3CameraOptions& o) {
  if (o.kind < 0 || o.kind > 4) Fail("bad camera kind " + std::to_string(o.kind) + ": 0 to 4");
  if (o.interface_class != 1 && o.interface_class != 2) Fail("bad interface class: 1 or 2");
  if (o.info_format < 1 || o.info_format > 3) Fail("bad information format: 1 to 3");
  if (!o.sn.empty() && !o.legacy_sn.empty()) Fail("give --sn or --legacy-sn, not both");
  ParseVersion(o.controller_version);
  const KindInfo& kind = kKinds[o.kind];
  const int id = CreateCameraDir(bench, "usb3");
  const fs::path dir = CameraDir(bench, "usb3", id);
  try {
    static const char kBase32Hex[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
    std::string sn = o.sn;
    if (sn.empty() && o.legacy_sn.empty())
      sn = std::string("QZCAM2401") + kBase32Hex[(id >> 10) & 31] + kBase32Hex[(id >> 5) & 31] +
           kBase32Hex[id & 31];
    const std::vector<uint8_t> packed = sn.empty() ? std::vector<uint8_t>(8, 0xFF) : PackSerial(sn);
    const uint32_t legacy = o.legacy_sn.empty() ? 0xFFFFFFFF : ParseLegacySerial(o.legacy_sn);
    std::string serial = sn;
    if (sn.empty()) {
      char text[16];
      std::snprintf(text, sizeof text, "%08X", legacy);
      serial = text;
    }
    char number[16];
    std::snprintf(number, sizeof number, "%04x", id & 0xFFFF);
    const std::string path = !o.path.empty() ? o.path
                                             : std::string("\\\\?\\usb#vid_2a0b&pid_00f") +
                                                   char('0' + o.kind) + "#qzcam" + number + "#" +
                                                   kUsb3InterfaceClassText[o.interface_class - 1];
    const std::string port = std::to_string(id + 1);
    nlohmann::json json = {
        {"kind", o.kind},
        {"model", kind.model},
        {"serial", serial},
        {"interface_class", o.interface_class},
        {"path", path},
        {"location_paths",
         !o.location.empty() ? o.location : "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(" + port + ")"},
        {"location_information",
         "Port_#" + std::string(4 - std::min<size_t>(4, port.size()), '0') + port + ".Hub_#0001"},
        {"controller_version", o.controller_version},
        {"usb2", o.usb2},
        {"flash_size", kind.flash_size},
        {"powered", true},
        {"restart_ms", 2000},
        {"ready_ms", 300},
        {"erase_ms", 150},
        {"mcu_channel", kind.mcu_channel},
        {"stm32_version", 0x0103},
        {"stm32_uid", std::string("0032001e3136510c3338") + number},
        {"stm32_reply", "ok"},
        {"fpga_chip_id", std::string("5a01") + "0000" + number},
        {"fpga_registers", {{"1", 0x0107}}},
        {"c51_probe", true},
        {"c51_ccd", false},
        {"request_log", false},
        {"pending", 0},
        {"pending_ms", 1000},
        {"pending_code", -1},
        {"refuse_code", -1},
        {"stale_ack", 0},
        {"corrupt_ack", 0},
        {"no_ack", 0},
        {"power_cut_after", -1},
        {"state", {{"boot_count", 0}, {"away_until_ms", 0}, {"clock_id", 0}}},
    };
    if (o.kind == 1) json["fpga_registers"]["11"] = 0x0205;
    {
      MemoryFile flash(dir / "spi_flash.bin", kind.flash_size);
      const std::vector<uint8_t> map = MemoryMapRecord(kind);
      flash.Write(kMmdescAddress, map.data(), static_cast<uint32_t>(map.size()));
      const std::vector<uint8_t> info =
          InfoPartition(o.info_format, packed, legacy, o.device_flags);
      flash.Write(kInfoPartitionAddress, info.data(), static_cast<uint32_t>(info.size()));
      MemoryFile stm32(dir / "stm32_flash.bin", Stm32Mcu::kFlashSize);
      MemoryFile c2(dir / "c2_flash.bin", C2Mcu::kFlashSize);
    }
    WriteC51Version(dir, "c51_flash.bin", 5, "01.05");
    WriteC51Version(dir, "c51_eeprom.bin", 0xFC0E, "01.02");
    SaveJson(dir / "camera.json", json);
  } catch (...) {
    std::error_code ec;
    fs::remove_all(dir, ec);
    throw;
  }
  return id;
}

void SetUsb3Camera(const fs::path& bench, int id, const std::vector<std::string>& settings) {
  const fs::path dir = CameraDir(bench, "usb3", id);
  if (!fs::exists(dir / "camera.json")) Fail("no USB3 camera " + std::to_string(id));
  Usb3CameraStore store(dir);
  Usb3CameraStore::Guard guard(store);
  nlohmann::json json = store.Json();
  std::vector<VersionWrite> writes;
  for (const std::string& setting : settings) ApplySetting(json, writes, setting);
  for (const VersionWrite& write : writes)
    WriteC51Version(dir, write.file, write.address, write.version);
  store.Edit() = json;
  store.Save();
}

std::string Usb3ListLine(const fs::path& bench, int id) {
  const nlohmann::json json = LoadJson(CameraDir(bench, "usb3", id) / "camera.json");
  return "usb3 " + std::to_string(id) + " " + Setting<std::string>(json, "serial", "-") + " " +
         Setting<std::string>(json, "model", "-") + " " + Setting<std::string>(json, "path", "-");
}

std::string Usb3SettingsHelp() {
  std::string help;
  for (const SettingKey& s : kSettings) {
    char line[160];
    std::snprintf(line, sizeof line, "    %-22s %s\n", s.key, s.help);
    help += line;
  }
  return help;
}

}  // namespace sim
