#pragma once
// One virtual API camera of a bench, from the camera's side: its settings and
// state in api/<id>/camera.json, its flash file system as files in api/<id>/ffs/.
// Every object is loaded fresh from the bench and every change is written
// through, so another process (or a run killed half-way) sees what was done.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sim::api {

// Writes to "File_EEPROM1" are taken only under this key.
constexpr uint32_t kEepromWriteKey = 0x3C5A96E1;

// Called with the percentage done during flash file system transfers.
using ProgressFn = void (*)(int percent);

// The settings of a new camera with the given id and model name.
nlohmann::json DefaultApiCameraSettings(int id, const std::string& model);

// Forgets what this process saw of the cameras' absences, as a new process would.
void ForgetAbsenceMarks();

// True when name is a usable flash file system file name.
bool IsValidFfsName(const std::string& name);

class ApiCamera {
 public:
  // Loads camera `id` of the bench; nothing when it has no settings file.
  static std::optional<ApiCamera> Load(const std::filesystem::path& bench, int id);

  int id() const { return id_; }
  const std::filesystem::path& dir() const { return dir_; }
  nlohmann::json& settings() { return settings_; }
  const nlohmann::json& settings() const { return settings_; }
  void Save() const;

  std::string Text(const char* key) const;
  int Int(const char* key) const;

  // False while the camera restarts after a reset (it neither enumerates nor opens).
  bool IsPresent();
  // Counted by the enumeration: present, and not in golden mode unless golden
  // cameras are enumerated.
  bool IsEnumerated(bool golden_enabled);
  // Handles opened before a reset that took the camera off the bus stay dead.
  int HandleEpoch() const;

  // Injected faults. ConsumeOpenFault is true when this open is to fail.
  bool ConsumeOpenFault();
  // The status a key is made to answer, if any.
  std::optional<int> KeyFault(const std::string& key) const;

  // The flash file system. Each returns a status.
  int FfsSize(const std::string& name, uint32_t& size) const;
  int ReadFfs(const std::string& name, uint32_t offset, uint8_t* buffer, uint32_t size,
              ProgressFn progress) const;
  int WriteFfs(const std::string& name, uint32_t offset, const uint8_t* data, uint32_t size,
               uint32_t key, ProgressFn progress);

  // Restarts the CPU: the running firmware confirms itself (firmware-ok mark),
  // and with an absence fault the camera leaves the bus for a while.
  void Reset();

 private:
  ApiCamera(std::filesystem::path dir, int id, nlohmann::json settings)
      : dir_(std::move(dir)), id_(id), settings_(std::move(settings)) {}
  std::filesystem::path FfsPath(const std::string& name) const;
  std::string CpuFileName() const;

  std::filesystem::path dir_;
  int id_;
  nlohmann::json settings_;
};

}  // namespace sim::api
