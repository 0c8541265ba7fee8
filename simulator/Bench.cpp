#include "simulator/Bench.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

namespace sim {
namespace fs = std::filesystem;

fs::path BenchFromEnvironment() {
  const char* dir = std::getenv("QZCAM_BENCH");
  if (dir == nullptr || *dir == '\0') return {};
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return {};
  return fs::path(dir);
}

std::vector<int> ListCameraIds(const fs::path& bench, const std::string& kind) {
  std::vector<int> ids;
  std::error_code ec;
  fs::directory_iterator it(bench / kind, ec);
  if (ec) return ids;
  for (const auto& entry : it) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.size() > 6 ||
        !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    if (entry.is_directory(ec)) ids.push_back(std::stoi(name));
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

fs::path CameraDir(const fs::path& bench, const std::string& kind, int id) {
  return bench / kind / std::to_string(id);
}

int CreateCameraDir(const fs::path& bench, const std::string& kind) {
  fs::create_directories(bench / kind);
  // create_directory reports whether it made the folder, so two tools adding
  // cameras at the same time never share an id.
  for (int id = 0;; ++id) {
    if (fs::create_directory(CameraDir(bench, kind, id))) return id;
  }
}

nlohmann::json LoadJson(const fs::path& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  try {
    return nlohmann::json::parse(in);
  } catch (const nlohmann::json::exception& e) {
    throw std::runtime_error("malformed " + file.string() + ": " + e.what());
  }
}

void SaveJson(const fs::path& file, const nlohmann::json& value) {
  const fs::path tmp = file.string() + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(tmp, std::ios::trunc);
    out << value.dump(2) << '\n';
    if (!out) throw std::runtime_error("cannot write " + tmp.string());
  }
  fs::rename(tmp, file);
}

std::vector<uint8_t> ReadBinaryFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBinaryFile(const fs::path& file, const std::vector<uint8_t>& data) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace sim
