#pragma once
// The settings and lasting state of one virtual USB3 camera: its camera.json.
// Every process that talks to the camera (updaters, the bench tool) changes it
// under the camera's own lock, and a process re-reads it whenever another one
// has rewritten it, so faults set from outside and registers written by another
// process take effect at the next request.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>

namespace sim {

class Usb3CameraStore {
 public:
  explicit Usb3CameraStore(std::filesystem::path dir);
  ~Usb3CameraStore();
  Usb3CameraStore(const Usb3CameraStore&) = delete;
  Usb3CameraStore& operator=(const Usb3CameraStore&) = delete;

  const std::filesystem::path& dir() const { return dir_; }

  // Holds the camera's lock across processes for one request or one change.
  class Guard {
   public:
    explicit Guard(Usb3CameraStore& store);
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

   private:
    Usb3CameraStore& store_;
  };

  // The settings as last read; call under a Guard for a fresh view. Throws
  // std::runtime_error when camera.json is missing or malformed.
  const nlohmann::json& Json();
  // Changes the settings and writes camera.json; call under a Guard.
  nlohmann::json& Edit();
  void Save();

  // Whether the folder still holds a camera.
  bool Exists() const;

 private:
  void Lock();
  void Unlock();
  void Refresh();
  void OpenLockFile();
  uint64_t ReadRevision() const;

  std::filesystem::path dir_;
  int lock_fd_ = -1;
  int lock_depth_ = 0;
  nlohmann::json json_;
  bool loaded_ = false;
  bool fresh_ = false;  // read since the lock was taken
  uint64_t revision_ = 0;
  // Identity of the file last read: a rewrite renames a new file into place.
  uint64_t inode_ = 0;
  int64_t mtime_ns_ = 0;
  int64_t size_ = -1;
};

// Reads a setting with a default when it is absent or null.
template <typename T>
T Setting(const nlohmann::json& json, const char* key, T fallback) {
  auto it = json.find(key);
  if (it == json.end() || it->is_null()) return fallback;
  return it->get<T>();
}

}  // namespace sim
