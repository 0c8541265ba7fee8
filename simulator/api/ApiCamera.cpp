#include "simulator/api/ApiCamera.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <system_error>

#include "simulator/Bench.h"
#include "simulator/VirtualClock.h"
#include "simulator/api/ApiStatus.h"

namespace sim::api {
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kChunk = 4096;
// Device time per 4 KiB chunk: sector erase and program, or a read.
constexpr uint64_t kWriteChunkMs = 5;
constexpr uint64_t kReadChunkMs = 1;
// Largest extent of one file in the camera's flash.
constexpr uint64_t kFfsFileCapacity = 64ull << 20;
constexpr size_t kFfsNameMax = 63;
// Where the firmware keeps its "confirmed to run" mark.
constexpr uint32_t kFirmwareOkMarkOffset = 0x22;
constexpr uint8_t kFirmwareOkMark = 0xA5;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File Open(const fs::path& path, const char* mode) {
  return File(std::fopen(path.c_str(), mode), std::fclose);
}

int64_t RealNowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// What this process last saw of a camera's absence: which absence, and when on
// its virtual clock. Time between runs is counted in real time, time inside a
// run on the virtual clock (where the run's waits pass).
struct AbsenceMark {
  int64_t absence_id = -1;
  uint64_t virtual_ms = 0;
};
std::map<std::string, AbsenceMark> g_absence_marks;

// Reports rising percentages, each once.
class Progress {
 public:
  Progress(ProgressFn fn, uint32_t total) : fn_(fn), total_(total) {}
  void Done(uint32_t done) {
    if (fn_ == nullptr || total_ == 0) return;
    const int percent = static_cast<int>(uint64_t{done} * 100 / total_);
    if (percent == last_) return;
    last_ = percent;
    fn_(percent);
  }

 private:
  ProgressFn fn_;
  uint32_t total_;
  int last_ = -1;
};

const char kSerialTail[] = "0123456789ABCDEFGHIJKLMNOPQRSTUV";

}  // namespace

nlohmann::json DefaultApiCameraSettings(int id, const std::string& model) {
  // A serial of the camera's own format: five letters, four digits, three
  // base32hex characters that count the cameras of the bench.
  std::string serial = "QZSIM1234";
  for (int shift = 10; shift >= 0; shift -= 5) serial += kSerialTail[(id >> shift) & 31];
  const std::string n = std::to_string(id);
  return {
      {"model", model},
      {"serial", serial},
      {"device_id", "QZA-" + n},
      {"model_id", 0},
      {"path", "SIM#QZAPI#" + n},
      {"location", "PCIROOT(0)#PCI(" + std::to_string(id + 1) + "00)"},
      {"golden", false},
      {"versions",
       {{"mcu1", "01.00"},
        {"mcu2", "01.00"},
        {"mcu3", "01.00"},
        {"fpga1", "01.00"},
        {"xmlman", "01.00"}}},
      {"version_units", {{"2", "01.00"}, {"3", "01.00"}}},
      {"units", {{"6", nlohmann::json::object()}, {"7", nlohmann::json::object()}}},
      {"leds", {{"min", 0}, {"max", 4}}},
      {"sne_models", nlohmann::json::object()},
      {"state",
       {{"led_modes", nlohmann::json::object()},
        {"resets", 0},
        {"handle_epoch", 0},
        {"absence_id", 0},
        {"absent_left_ms", 0},
        {"absent_saved_at_ms", 0}}},
      {"faults",
       {{"fail_opens", 0},
        {"key_status", nlohmann::json::object()},
        {"cut_write", 0},
        {"absent_after_reset_ms", 0}}},
  };
}

void ForgetAbsenceMarks() {
  g_absence_marks.clear();
}

bool IsValidFfsName(const std::string& name) {
  if (name.empty() || name.size() > kFfsNameMax || name == "." || name == "..") return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
  });
}

std::optional<ApiCamera> ApiCamera::Load(const fs::path& bench, int id) {
  const fs::path dir = CameraDir(bench, "api", id);
  std::error_code ec;
  if (!fs::is_regular_file(dir / "camera.json", ec)) return std::nullopt;
  return ApiCamera(dir, id, LoadJson(dir / "camera.json"));
}

void ApiCamera::Save() const {
  SaveJson(dir_ / "camera.json", settings_);
}

std::string ApiCamera::Text(const char* key) const {
  return settings_.value(key, std::string());
}

int ApiCamera::Int(const char* key) const {
  return settings_.value(key, 0);
}

bool ApiCamera::IsPresent() {
  nlohmann::json& state = settings_["state"];
  int64_t left = state.value("absent_left_ms", int64_t{0});
  if (left <= 0) return true;
  const int64_t absence = state.value("absence_id", int64_t{0});
  AbsenceMark& mark = g_absence_marks[dir_.string()];
  const uint64_t now = VirtualNowMs();
  const int64_t elapsed =
      mark.absence_id == absence
          ? static_cast<int64_t>(now - mark.virtual_ms)
          : std::max<int64_t>(0, RealNowMs() - state.value("absent_saved_at_ms", int64_t{0}));
  mark = {absence, now};
  left = std::max<int64_t>(0, left - elapsed);
  state["absent_left_ms"] = left;
  state["absent_saved_at_ms"] = RealNowMs();
  Save();
  return left == 0;
}

bool ApiCamera::IsEnumerated(bool golden_enabled) {
  if (settings_.value("golden", false) && !golden_enabled) return false;
  return IsPresent();
}

int ApiCamera::HandleEpoch() const {
  return settings_.value("state", nlohmann::json::object()).value("handle_epoch", 0);
}

bool ApiCamera::ConsumeOpenFault() {
  nlohmann::json& faults = settings_["faults"];
  const int left = faults.value("fail_opens", 0);
  if (left <= 0) return false;
  faults["fail_opens"] = left - 1;
  Save();
  return true;
}

std::optional<int> ApiCamera::KeyFault(const std::string& key) const {
  const nlohmann::json& faults = settings_.value("faults", nlohmann::json::object());
  const nlohmann::json& keys = faults.value("key_status", nlohmann::json::object());
  const auto it = keys.find(key);
  if (it == keys.end() || !it->is_number_integer() || it->get<int>() == 0) return std::nullopt;
  return it->get<int>();
}

fs::path ApiCamera::FfsPath(const std::string& name) const {
  return dir_ / "ffs" / name;
}

std::string ApiCamera::CpuFileName() const {
  // The TR family boots from its second CPU.
  return Text("model").rfind("TR", 0) == 0 ? "File_FW_CPU2" : "File_FW_CPU1";
}

int ApiCamera::FfsSize(const std::string& name, uint32_t& size) const {
  if (!IsValidFfsName(name)) return kFfsSelectorInvalid;
  std::error_code ec;
  const uintmax_t bytes = fs::file_size(FfsPath(name), ec);
  if (ec) return kFfsFileNotFound;
  size = static_cast<uint32_t>(bytes);
  return kOk;
}

int ApiCamera::ReadFfs(const std::string& name, uint32_t offset, uint8_t* buffer, uint32_t size,
                       ProgressFn progress) const {
  uint32_t stored = 0;
  if (const int status = FfsSize(name, stored); status != kOk) return status;
  if (buffer == nullptr && size > 0) return kInvalidArguments;
  if (uint64_t{offset} + size > kFfsFileCapacity) return kWrongParameterSize;
  File file = Open(FfsPath(name), "rb");
  if (!file) return kFfsFileNotFound;
  // Beyond the stored bytes the flash reads as erased.
  std::fill(buffer, buffer + size, 0xFF);
  if (offset < stored) {
    std::fseek(file.get(), static_cast<long>(offset), SEEK_SET);
    const size_t wanted = std::min<uint64_t>(size, stored - offset);
    if (std::fread(buffer, 1, wanted, file.get()) != wanted) return kCameraContextError;
  }
  Progress report(progress, size);
  for (uint32_t done = 0; done < size;) {
    done += std::min(kChunk, size - done);
    AdvanceVirtualMs(kReadChunkMs);
    report.Done(done);
  }
  return kOk;
}

int ApiCamera::WriteFfs(const std::string& name, uint32_t offset, const uint8_t* data,
                        uint32_t size, uint32_t key, ProgressFn progress) {
  if (!IsValidFfsName(name)) return kFfsSelectorInvalid;
  if (data == nullptr && size > 0) return kInvalidArguments;
  if (uint64_t{offset} + size > kFfsFileCapacity) return kWrongParameterSize;
  // The calibration data is the camera's most precious file.
  if (name == "File_EEPROM1" && key != kEepromWriteKey) return kNotEnoughPrivileges;

  // A power cut: the chosen write stores only the first half of its data.
  bool cut = false;
  nlohmann::json& faults = settings_["faults"];
  if (const int left = faults.value("cut_write", 0); left > 0) {
    faults["cut_write"] = left - 1;
    cut = left == 1;
    Save();
  }

  std::error_code ec;
  fs::create_directories(dir_ / "ffs", ec);
  const fs::path path = FfsPath(name);
  uint32_t stored = 0;
  const bool exists = FfsSize(name, stored) == kOk;
  // At offset 0 the file is replaced; further on, the range is overwritten.
  File file = Open(path, offset == 0 || !exists ? "wb" : "r+b");
  if (!file) return kWriteBlockError;
  if (offset > 0) {
    if (!exists) stored = 0;
    std::fseek(file.get(), static_cast<long>(std::min(offset, stored)), SEEK_SET);
    for (uint32_t pad = stored; pad < offset; ++pad) std::fputc(0xFF, file.get());
  }
  const uint32_t to_store = cut ? size / 2 : size;
  Progress report(progress, size);
  for (uint32_t done = 0; done < to_store;) {
    const uint32_t n = std::min(kChunk, to_store - done);
    if (std::fwrite(data + done, 1, n, file.get()) != n || std::fflush(file.get()) != 0)
      return kWriteBlockError;
    done += n;
    AdvanceVirtualMs(kWriteChunkMs);
    report.Done(done);
  }
  return cut ? kWriteBlockError : kOk;
}

void ApiCamera::Reset() {
  nlohmann::json& state = settings_["state"];
  state["resets"] = state.value("resets", 0) + 1;

  // The firmware that starts confirms itself, so a verify afterwards finds the mark.
  if (File file = Open(FfsPath(CpuFileName()), "r+b")) {
    std::fseek(file.get(), kFirmwareOkMarkOffset, SEEK_SET);
    if (std::fgetc(file.get()) == 0xFF) {
      std::fseek(file.get(), kFirmwareOkMarkOffset, SEEK_SET);
      std::fputc(kFirmwareOkMark, file.get());
    }
  }

  const int64_t absent_ms = settings_["faults"].value("absent_after_reset_ms", int64_t{0});
  if (absent_ms > 0) {
    const int64_t absence = state.value("absence_id", int64_t{0}) + 1;
    state["absence_id"] = absence;
    state["absent_left_ms"] = absent_ms;
    state["absent_saved_at_ms"] = RealNowMs();
    state["handle_epoch"] = HandleEpoch() + 1;
    g_absence_marks[dir_.string()] = {absence, VirtualNowMs()};
  }
  Save();
}

}  // namespace sim::api
