#pragma once
// A virtual USB3 camera on the bench, as its USB controller meets the bus: it
// takes command frames from endpoint 0x02, answers acknowledge frames on
// endpoint 0x82 at the device time they would arrive, injects the faults set in
// its camera.json, keeps the request log, and leaves the bus when it restarts
// or loses power.
//
// Frames, from the camera's side (little-endian):
//   command:     70 56 33 55 | flags | 3F 00 | length = 10 + n | request id |
//                direction | code | value | index | data length | n payload bytes
//   acknowledge: 70 56 33 55 | status | 3F 00 | length | request id | data
// Status 0 answers, 0x88 asks the host to wait `length` ms for the next
// acknowledge, 0x8A refuses.
//
// The camera's memory and settings are its folder's files and outlast every
// process; what it holds in its registers between requests (chip selects,
// latches, loaded RAM) belongs to the process that talks to it.

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulator/usb3/Fx3Controller.h"
#include "simulator/usb3/Usb3CameraStore.h"

namespace sim {

struct Usb3Ack {
  std::vector<uint8_t> bytes;
  uint64_t arrival_us;  // device time at which it reaches the host
};

class VirtualUsb3Camera {
 public:
  explicit VirtualUsb3Camera(std::filesystem::path dir);

  const std::filesystem::path& dir() const { return store_.dir(); }

  // Settings the driver reports.
  int InterfaceClass();
  std::string DevicePath();
  // A location property; nullopt when the camera has none.
  std::optional<std::string> Location(const char* key);
  bool Usb2();

  // On the bus: powered and not away restarting.
  bool Present();
  // Counts the camera's starts; a handle opened before the last start is stale.
  uint32_t BootCount();
  // Whether a handle opened at start `boot` lost the camera through what this
  // process saw it do (a restart, a power cut); cheap enough for every poll.
  bool GoneFor(uint32_t boot);

  enum class FrameResult { kTaken, kGone };
  // A command frame written by a handle opened at start `boot`.
  FrameResult CommandFrame(const uint8_t* frame, uint32_t size, uint32_t boot);

  // Acknowledges on their way to the host, earliest first.
  std::deque<Usb3Ack>& Acks() { return acks_; }
  // Device time of a pending restart, or UINT64_MAX.
  uint64_t PendingRestartUs() const { return restart_at_us_; }
  // Applies a restart whose time has come.
  void Tick();

  void AbortPipe(uint8_t endpoint);
  void ResetPipe(uint8_t endpoint);
  void ResetPort();

 private:
  void SyncBoot();
  void Restart();
  bool Away();
  bool Ready();
  void Log(const std::string& line);

  Usb3CameraStore store_;
  std::unique_ptr<Fx3Controller> controller_;
  std::deque<Usb3Ack> acks_;
  uint64_t controller_free_us_ = 0;
  uint64_t restart_at_us_ = UINT64_MAX;
  uint32_t boot_seen_ = 0;
  bool power_cut_ = false;
};

// The process's model of the camera in `dir` (one per camera, shared by all its
// handles); nullptr when the folder holds no readable camera.
std::shared_ptr<VirtualUsb3Camera> Usb3CameraAt(const std::filesystem::path& dir);

}  // namespace sim
