#include "simulator/usb3/Usb3CameraStore.h"

#include <cerrno>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "simulator/Bench.h"

namespace sim {
namespace fs = std::filesystem;

Usb3CameraStore::Usb3CameraStore(fs::path dir) : dir_(std::move(dir)) {}

Usb3CameraStore::~Usb3CameraStore() {
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

Usb3CameraStore::Guard::Guard(Usb3CameraStore& store) : store_(store) {
  store_.Lock();
}

Usb3CameraStore::Guard::~Guard() {
  store_.Unlock();
}

void Usb3CameraStore::OpenLockFile() {
  if (lock_fd_ < 0)
    lock_fd_ = ::open((dir_ / "camera.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

void Usb3CameraStore::Lock() {
  if (lock_depth_++ > 0) return;
  OpenLockFile();
  if (lock_fd_ >= 0) {
    while (::flock(lock_fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  // Another process may have changed the camera while the lock was free; while
  // it is held, nobody else can.
  fresh_ = false;
}

void Usb3CameraStore::Unlock() {
  if (--lock_depth_ > 0) return;
  if (lock_fd_ >= 0) ::flock(lock_fd_, LOCK_UN);
}

namespace {

struct FileIdentity {
  uint64_t inode;
  int64_t mtime_ns;
  int64_t size;
};

FileIdentity Identify(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) throw std::runtime_error("cannot read " + file.string());
  return {static_cast<uint64_t>(st.st_ino),
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
          static_cast<int64_t>(st.st_size)};
}

}  // namespace

// File times are coarse and inode numbers are reused, so every save also
// counts up a revision kept in the lock file; a hand edit still shows in the
// file's identity.
uint64_t Usb3CameraStore::ReadRevision() const {
  uint64_t revision = 0;
  if (lock_fd_ >= 0 && ::pread(lock_fd_, &revision, sizeof revision, 0) != sizeof revision)
    revision = 0;
  return revision;
}

void Usb3CameraStore::Refresh() {
  const fs::path file = dir_ / "camera.json";
  const FileIdentity id = Identify(file);
  OpenLockFile();
  const uint64_t revision = ReadRevision();
  if (loaded_ && revision == revision_ && id.inode == inode_ && id.mtime_ns == mtime_ns_ &&
      id.size == size_)
    return;
  json_ = LoadJson(file);
  loaded_ = true;
  revision_ = revision;
  inode_ = id.inode;
  mtime_ns_ = id.mtime_ns;
  size_ = id.size;
}

const nlohmann::json& Usb3CameraStore::Json() {
  if (lock_depth_ == 0 || !fresh_) Refresh();
  fresh_ = lock_depth_ > 0;
  return json_;
}

nlohmann::json& Usb3CameraStore::Edit() {
  Json();
  return json_;
}

void Usb3CameraStore::Save() {
  SaveJson(dir_ / "camera.json", json_);
  revision_ = ReadRevision() + 1;
  if (lock_fd_ >= 0 && ::pwrite(lock_fd_, &revision_, sizeof revision_, 0) != sizeof revision_)
    revision_ = 0;
  const FileIdentity id = Identify(dir_ / "camera.json");
  inode_ = id.inode;
  mtime_ns_ = id.mtime_ns;
  size_ = id.size;
}

bool Usb3CameraStore::Exists() const {
  std::error_code ec;
  return fs::exists(dir_ / "camera.json", ec);
}

}  // namespace sim
