#include "platform/sim/SimNamedMutex.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include "simulator/Bench.h"

namespace platform {
namespace fs = std::filesystem;

constexpr uint32_t kMagic = 0x514D5458;  // "QMTX"
constexpr int kMaxOpeners = 64;

struct SimNamedMutex::Shared {
  uint32_t magic;
  int32_t openers[kMaxOpeners];  // processes that hold a handle; 0 = free slot
  pthread_mutex_t mutex;
};

namespace {

// The folder of the machine's named mutexes: beside the cameras of the bench,
// or in the temporary directory when there is none.
fs::path MutexFolder() {
  const fs::path bench = sim::BenchFromEnvironment();
  return bench.empty() ? fs::temp_directory_path() / "qzcam-mutexes" : bench / "mutexes";
}

// A file name for any mutex name: '/' and '%' escaped, long names shortened
// with a hash of the whole.
std::string FileName(const std::string& name) {
  std::string file;
  for (char c : name) {
    if (c == '/')
      file += "%2F";
    else if (c == '%')
      file += "%25";
    else
      file += c;
  }
  if (file.size() <= 200) return file;
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
  char suffix[20];
  std::snprintf(suffix, sizeof suffix, "~%016llx", static_cast<unsigned long long>(hash));
  return file.substr(0, 150) + suffix;
}

bool Alive(int32_t pid) {
  return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
}

bool InitMutex(pthread_mutex_t* mutex) {
  pthread_mutexattr_t attr;
  if (pthread_mutexattr_init(&attr) != 0) return false;
  bool ok = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED) == 0 &&
            pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST) == 0 &&
            pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE) == 0 &&
            pthread_mutex_init(mutex, &attr) == 0;
  pthread_mutexattr_destroy(&attr);
  return ok;
}

// Puts this process on the name's openers; call with the file locked.
void ListProcess(SimNamedMutex::Shared* shared);

std::mutex g_table_mutex;
std::map<std::string, std::weak_ptr<SimNamedMutex>> g_table;

}  // namespace

std::shared_ptr<SimNamedMutex> SimNamedMutex::Open(const std::string& name) {
  if (name.empty() || name.find('\\') != std::string::npos) return nullptr;
  std::lock_guard<std::mutex> lock(g_table_mutex);
  const fs::path folder = MutexFolder();
  const fs::path file = folder / FileName(name);
  auto known = g_table.find(file.string());
  if (known != g_table.end())
    if (auto mutex = known->second.lock()) return mutex;

  std::error_code ec;
  fs::create_directories(folder, ec);
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  Shared* shared = nullptr;
  bool ok = ::ftruncate(fd, sizeof(Shared)) == 0;
  if (ok) {
    void* map = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ok = map != MAP_FAILED;
    if (ok) shared = static_cast<Shared*>(map);
  }
  if (ok) {
    bool anyone = false;
    for (int32_t& pid : shared->openers) {
      if (!Alive(pid)) pid = 0;
      anyone = anyone || pid != 0;
    }
    if (shared->magic != kMagic || !anyone) {
      std::memset(shared, 0, sizeof(Shared));
      ok = InitMutex(&shared->mutex);
      if (ok) shared->magic = kMagic;
    }
    // Listed before the file is unlocked, so that the next opener never takes
    // the mutex for an orphan and starts it afresh under this process.
    if (ok) ListProcess(shared);
  }
  ::flock(fd, LOCK_UN);
  if (!ok) {
    // A mapping is never taken back: a robust mutex stays on its owner's list.
    ::close(fd);
    return nullptr;
  }
  std::shared_ptr<SimNamedMutex> mutex(new SimNamedMutex(fd, shared));
  g_table[file.string()] = mutex;
  return mutex;
}

SimNamedMutex::~SimNamedMutex() {
  ::close(fd_);
}

namespace {

void ListProcess(SimNamedMutex::Shared* shared) {
  const int32_t me = static_cast<int32_t>(::getpid());
  bool listed = false;
  for (int32_t pid : shared->openers) listed = listed || pid == me;
  for (int32_t& pid : shared->openers) {
    if (listed) break;
    if (pid == 0 || !Alive(pid)) {
      pid = me;
      listed = true;
    }
  }
}

}  // namespace

void SimNamedMutex::AddHandle() {
  if (handles_++ > 0) return;
  while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
  ListProcess(shared_);
  ::flock(fd_, LOCK_UN);
}

void SimNamedMutex::RemoveHandle() {
  if (--handles_ > 0) return;
  while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
  const int32_t me = static_cast<int32_t>(::getpid());
  for (int32_t& pid : shared_->openers)
    if (pid == me) pid = 0;
  ::flock(fd_, LOCK_UN);
}

WaitResult SimNamedMutex::Wait(uint32_t timeout_ms) {
  timespec deadline{};
  ::clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += timeout_ms / 1000;
  deadline.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000;
  if (deadline.tv_nsec >= 1000000000) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000;
  }
  const int result = pthread_mutex_timedlock(&shared_->mutex, &deadline);
  if (result == 0) return WaitResult::kSignaled;
  if (result == EOWNERDEAD) {
    pthread_mutex_consistent(&shared_->mutex);
    return WaitResult::kAbandoned;
  }
  if (result == ETIMEDOUT) return WaitResult::kTimeout;
  return WaitResult::kFailed;
}

bool SimNamedMutex::Release() {
  return pthread_mutex_unlock(&shared_->mutex) == 0;
}

}  // namespace platform
