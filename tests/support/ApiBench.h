#pragma once
// A bench of virtual API cameras for tests that call the camera API in their
// own process: a fresh temporary directory named by QZCAM_BENCH, and the
// library's process state reset around each test. Link `simulator`.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "simulator/Bench.h"
#include "simulator/api/ApiCamera.h"
#include "simulator/api/CameraApiLibrary.h"

namespace testsupport {

class ApiBench {
 public:
  ApiBench() {
    const char* previous = std::getenv("QZCAM_BENCH");
    if (previous != nullptr) previous_ = previous;
    had_previous_ = previous != nullptr;
    setenv("QZCAM_BENCH", dir_.path().c_str(), 1);
    sim::api::ResetLibraryState();
  }
  ~ApiBench() {
    sim::api::ResetLibraryState();
    if (had_previous_)
      setenv("QZCAM_BENCH", previous_.c_str(), 1);
    else
      unsetenv("QZCAM_BENCH");
  }
  ApiBench(const ApiBench&) = delete;
  ApiBench& operator=(const ApiBench&) = delete;

  const std::filesystem::path& path() const { return dir_.path(); }

  // Adds a camera of `model` and returns its id.
  int AddCamera(const std::string& model = "TV450KT-LN-W") {
    const int id = sim::CreateCameraDir(path(), "api");
    sim::SaveJson(Dir(id) / "camera.json", sim::api::DefaultApiCameraSettings(id, model));
    return id;
  }

  std::filesystem::path Dir(int id) const { return sim::CameraDir(path(), "api", id); }
  std::filesystem::path Ffs(int id, const std::string& name) const {
    return Dir(id) / "ffs" / name;
  }

  nlohmann::json Settings(int id) const { return sim::LoadJson(Dir(id) / "camera.json"); }
  // Changes one setting, as `qzcamsim set` would; `pointer` is a JSON pointer
  // such as "/faults/fail_opens".
  void Set(int id, const std::string& pointer, const nlohmann::json& value) const {
    nlohmann::json settings = Settings(id);
    settings[nlohmann::json::json_pointer(pointer)] = value;
    sim::SaveJson(Dir(id) / "camera.json", settings);
  }

  std::vector<uint8_t> ReadFfs(int id, const std::string& name) const {
    return sim::ReadBinaryFile(Ffs(id, name));
  }
  void WriteFfs(int id, const std::string& name, const std::vector<uint8_t>& content) const {
    std::filesystem::create_directories(Dir(id) / "ffs");
    sim::WriteBinaryFile(Ffs(id, name), content);
  }

 private:
  TempDir dir_;
  std::string previous_;
  bool had_previous_ = false;
};

}  // namespace testsupport
