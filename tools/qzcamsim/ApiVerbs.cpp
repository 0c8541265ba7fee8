// Camera-API cameras on the bench.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "CameraFamily.h"
#include "simulator/Bench.h"
#include "simulator/api/ApiCamera.h"

namespace qzcamsim {
namespace {
namespace fs = std::filesystem;
using sim::api::ApiCamera;

const char* const kHelp =
    "  add-api --model NAME [--sn TEXT] [--device-id TEXT] [--model-id N] [--path TEXT]\n"
    "          [--location TEXT] [--ffs NAME=FILE]...\n"
    "                            creates an API camera, prints its id\n"
    "  ffs-get ID NAME OUT       copies flash file NAME of API camera ID to OUT\n"
    "  ffs-put ID NAME IN        stores IN as flash file NAME of API camera ID\n"
    "  Settings of `set api ID` (KEY= with nothing after it removes a map entry):\n"
    "    model=TEXT serial=TEXT device_id=TEXT model_id=N path=TEXT location=TEXT\n"
    "    golden=true|false        runs its golden firmware: counted only while the\n"
    "                             updater enables golden cameras\n"
    "    versions.mcu1|mcu2|mcu3|fpga1|xmlman=TEXT   answers of version_<unit>\n"
    "    version_units.N=TEXT     answer of version for version_selector N\n"
    "    units.U.R=N              register R of device unit U (unknown registers read 0)\n"
    "    leds.min=N leds.max=N    LED selectors from min up to but excluding max\n"
    "    sne_models.PREFIX=MODEL  model named by a forced SNE starting with PREFIX\n"
    "  Faults of `set api ID`:\n"
    "    faults.fail_opens=N      the next N opens of the camera fail (status 49)\n"
    "    faults.key_status.KEY=S  every call with KEY answers status S (0 or empty: off)\n"
    "    faults.cut_write=K       the K-th write_file_ffs from now stores only the first\n"
    "                             half of its data and fails (status 8): a power cut\n"
    "    faults.absent_after_reset_ms=T  after a device reset the camera is absent (not\n"
    "                             counted, opens fail, open handles are lost) for T ms:\n"
    "                             the virtual time a run waits while it watches the\n"
    "                             camera, and the real time between runs\n";

enum class Kind { kText, kInt, kBool };

// The keys `set` takes; "*" stands for one segment of the caller's choice.
struct SettingKey {
  const char* pattern;
  Kind kind;
};
constexpr SettingKey kSettingKeys[] = {
    {"model", Kind::kText},
    {"serial", Kind::kText},
    {"device_id", Kind::kText},
    {"model_id", Kind::kInt},
    {"path", Kind::kText},
    {"location", Kind::kText},
    {"golden", Kind::kBool},
    {"versions.*", Kind::kText},
    {"version_units.*", Kind::kText},
    {"units.*.*", Kind::kInt},
    {"leds.min", Kind::kInt},
    {"leds.max", Kind::kInt},
    {"sne_models.*", Kind::kText},
    {"faults.fail_opens", Kind::kInt},
    {"faults.key_status.*", Kind::kInt},
    {"faults.cut_write", Kind::kInt},
    {"faults.absent_after_reset_ms", Kind::kInt},
};

std::vector<std::string> Split(const std::string& key) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t dot; (dot = key.find('.', start)) != std::string::npos; start = dot + 1)
    parts.push_back(key.substr(start, dot - start));
  parts.push_back(key.substr(start));
  return parts;
}

const SettingKey* FindSetting(const std::vector<std::string>& parts) {
  for (const SettingKey& row : kSettingKeys) {
    const std::vector<std::string> pattern = Split(row.pattern);
    if (pattern.size() != parts.size()) continue;
    bool match = true;
    for (size_t i = 0; i < parts.size() && match; ++i)
      match = !parts[i].empty() && (pattern[i] == "*" || pattern[i] == parts[i]);
    if (match) return &row;
  }
  return nullptr;
}

int64_t ParseInt(const std::string& text, const std::string& key) {
  size_t used = 0;
  int64_t value = 0;
  try {
    value = std::stoll(text, &used, 0);  // decimal, or hex with 0x
  } catch (const std::exception&) {
    used = 0;
  }
  if (text.empty() || used != text.size())
    throw std::runtime_error("bad number for " + key + ": " + text);
  return value;
}

nlohmann::json ParseValue(Kind kind, const std::string& text, const std::string& key) {
  switch (kind) {
    case Kind::kText:
      return text;
    case Kind::kInt:
      return ParseInt(text, key);
    case Kind::kBool:
      if (text == "true" || text == "1") return true;
      if (text == "false" || text == "0") return false;
      throw std::runtime_error("bad value for " + key + ": " + text + " (true or false)");
  }
  return nullptr;
}

ApiCamera LoadCamera(const fs::path& bench, int id) {
  std::optional<ApiCamera> camera = ApiCamera::Load(bench, id);
  if (!camera) throw std::runtime_error("no API camera " + std::to_string(id) + " on the bench");
  return std::move(*camera);
}

int ParseCameraId(const std::string& text) {
  const int64_t id = ParseInt(text, "camera id");
  if (id < 0 || id > 999999) throw std::runtime_error("bad camera id: " + text);
  return static_cast<int>(id);
}

std::string CheckedFfsName(const std::string& name) {
  if (!sim::api::IsValidFfsName(name)) throw std::runtime_error("bad flash file name: " + name);
  return name;
}

int Add(const fs::path& bench, const Args& args) {
  std::string model;
  std::vector<std::pair<const char*, std::string>> texts;
  std::optional<int64_t> model_id;
  std::vector<std::pair<std::string, fs::path>> files;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) throw std::runtime_error(option + " needs a value");
    const std::string& value = args[++i];
    if (option == "--model") {
      model = value;
    } else if (option == "--sn") {
      texts.emplace_back("serial", value);
    } else if (option == "--device-id") {
      texts.emplace_back("device_id", value);
    } else if (option == "--path") {
      texts.emplace_back("path", value);
    } else if (option == "--location") {
      texts.emplace_back("location", value);
    } else if (option == "--model-id") {
      model_id = ParseInt(value, option);
    } else if (option == "--ffs") {
      const size_t eq = value.find('=');
      if (eq == std::string::npos) throw std::runtime_error("--ffs needs NAME=FILE");
      files.emplace_back(CheckedFfsName(value.substr(0, eq)), value.substr(eq + 1));
    } else {
      throw std::runtime_error("unknown option of add-api: " + option);
    }
  }
  if (model.empty()) throw std::runtime_error("add-api needs --model NAME");
  // Read every file before the camera exists, so a bad name leaves no half camera.
  std::vector<std::vector<uint8_t>> contents;
  for (const auto& file : files) contents.push_back(sim::ReadBinaryFile(file.second));

  const int id = sim::CreateCameraDir(bench, "api");
  const fs::path dir = sim::CameraDir(bench, "api", id);
  nlohmann::json settings = sim::api::DefaultApiCameraSettings(id, model);
  for (const auto& text : texts) settings[text.first] = text.second;
  if (model_id) settings["model_id"] = *model_id;
  fs::create_directories(dir / "ffs");
  for (size_t i = 0; i < files.size(); ++i)
    sim::WriteBinaryFile(dir / "ffs" / files[i].first, contents[i]);
  sim::SaveJson(dir / "camera.json", settings);
  std::printf("%d\n", id);
  return 0;
}

void List(const fs::path& bench) {
  for (int id : sim::ListCameraIds(bench, "api")) {
    std::optional<ApiCamera> camera = ApiCamera::Load(bench, id);
    if (!camera) continue;
    std::printf("api %d %s %s %s\n", id, camera->Text("serial").c_str(),
                camera->Text("model").c_str(), camera->Text("path").c_str());
  }
}

int Show(const fs::path& bench, int id) {
  const ApiCamera camera = LoadCamera(bench, id);
  nlohmann::json shown = camera.settings();
  nlohmann::json files = nlohmann::json::object();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(camera.dir() / "ffs", ec))
    if (entry.is_regular_file(ec)) files[entry.path().filename().string()] = entry.file_size(ec);
  shown["ffs_files"] = files;
  std::printf("%s\n", shown.dump(2).c_str());
  return 0;
}

int Set(const fs::path& bench, int id, const Args& settings) {
  if (settings.empty()) throw std::runtime_error("set api needs KEY=VALUE");
  ApiCamera camera = LoadCamera(bench, id);
  for (const std::string& setting : settings) {
    const size_t eq = setting.find('=');
    if (eq == std::string::npos) throw std::runtime_error("not KEY=VALUE: " + setting);
    const std::string key = setting.substr(0, eq);
    const std::string value = setting.substr(eq + 1);
    const std::vector<std::string> parts = Split(key);
    const SettingKey* row = FindSetting(parts);
    if (row == nullptr)
      throw std::runtime_error("unknown setting: " + key + " (see qzcamsim help)");
    nlohmann::json* node = &camera.settings();
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      nlohmann::json& next = (*node)[parts[i]];
      if (!next.is_object()) next = nlohmann::json::object();
      node = &next;
    }
    const bool is_map_entry = std::string(row->pattern).find('*') != std::string::npos;
    if (value.empty() && is_map_entry)
      node->erase(parts.back());
    else
      (*node)[parts.back()] = ParseValue(row->kind, value, key);
  }
  camera.Save();
  return 0;
}

int FfsGet(const fs::path& bench, const Args& args) {
  if (args.size() != 3) throw std::runtime_error("ffs-get needs ID NAME OUT");
  const ApiCamera camera = LoadCamera(bench, ParseCameraId(args[0]));
  const fs::path file = camera.dir() / "ffs" / CheckedFfsName(args[1]);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec))
    throw std::runtime_error("API camera " + args[0] + " has no flash file " + args[1]);
  sim::WriteBinaryFile(args[2], sim::ReadBinaryFile(file));
  return 0;
}

int FfsPut(const fs::path& bench, const Args& args) {
  if (args.size() != 3) throw std::runtime_error("ffs-put needs ID NAME IN");
  const ApiCamera camera = LoadCamera(bench, ParseCameraId(args[0]));
  const std::string name = CheckedFfsName(args[1]);
  const std::vector<uint8_t> content = sim::ReadBinaryFile(args[2]);
  fs::create_directories(camera.dir() / "ffs");
  sim::WriteBinaryFile(camera.dir() / "ffs" / name, content);
  return 0;
}

}  // namespace

const CameraFamily& ApiFamily() {
  static const CameraFamily family{
      "api", {"add-api", Add}, List, Show, Set, {{"ffs-get", FfsGet}, {"ffs-put", FfsPut}}, kHelp};
  return family;
}

}  // namespace qzcamsim
