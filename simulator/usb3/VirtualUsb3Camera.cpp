#include "simulator/usb3/VirtualUsb3Camera.h"
#include "simulator/usb3/CameraBytes.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "simulator/VirtualClock.h"
#include "simulator/usb3/DeviceTime.h"

namespace sim {
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kPrefix = 0x55335670;
constexpr uint16_t kCommandId = 0x003F;
constexpr uint16_t kStatusAnswer = 0x0000;
constexpr uint16_t kStatusPending = 0x0088;
constexpr uint16_t kStatusRefused = 0x008A;

// Bus timing: each transfer costs a fixed part and a part per byte; the
// controller needs a while to turn a command into its answer. A request the
// controller needs longer than this for is first answered with a pending
// acknowledge, so that the host keeps waiting.
constexpr uint64_t kTransferUsUsb3 = 25;
constexpr uint64_t kTransferUsUsb2 = 125;
constexpr uint64_t kTurnaroundUs = 50;
constexpr uint64_t kPendingAfterUs = 900000;

uint64_t TransferUs(uint64_t bytes, bool usb2) {
  // 2.5 ns a byte at USB 3, 25 ns at USB 2.0.
  return usb2 ? kTransferUsUsb2 + bytes / 40 : kTransferUsUsb3 + bytes / 400;
}

std::vector<uint8_t> MakeAck(uint32_t prefix, uint16_t status, uint16_t length, uint16_t request_id,
                             const std::vector<uint8_t>& data = {}) {
  std::vector<uint8_t> ack(12 + data.size());
  PutLe16(&ack[0], static_cast<uint16_t>(prefix));
  PutLe16(&ack[2], static_cast<uint16_t>(prefix >> 16));
  PutLe16(&ack[4], status);
  PutLe16(&ack[6], kCommandId);
  PutLe16(&ack[8], length);
  PutLe16(&ack[10], request_id);
  std::copy(data.begin(), data.end(), ack.begin() + 12);
  return ack;
}

// A fault counter of camera.json: counts down once per use.
bool TakeCount(nlohmann::json& json, const char* key) {
  const int64_t count = Setting<int64_t>(json, key, 0);
  if (count <= 0) return false;
  json[key] = count - 1;
  return true;
}

std::string RequestLine(const VendorRequest& r, uint16_t request_id, const char* mark) {
  static const char kDirections[] = "WRB";
  char head[64];
  std::snprintf(head, sizeof head, "%02X %c %04X %04X %u ", r.code,
                r.direction < 3 ? kDirections[r.direction] : '?', r.value, r.index, r.length);
  std::string line = head;
  const uint32_t shown = r.direction == 1 ? 0 : std::min<uint32_t>(r.length, 64);
  if (shown == 0) line += "-";
  for (uint32_t i = 0; i < shown; ++i) {
    char byte[3];
    std::snprintf(byte, sizeof byte, "%02X", r.payload[i]);
    line += byte;
  }
  if (shown < (r.direction == 1 ? 0u : r.length)) line += "...";
  line += " #" + std::to_string(request_id);
  if (*mark != '\0') line += std::string(" ") + mark;
  return line;
}

}  // namespace

VirtualUsb3Camera::VirtualUsb3Camera(fs::path dir) : store_(std::move(dir)) {
  Usb3CameraStore::Guard guard(store_);
  const nlohmann::json& json = store_.Json();
  controller_ = std::make_unique<Fx3Controller>(store_, store_.dir(),
                                                Setting<uint32_t>(json, "flash_size", 0x400000));
  boot_seen_ = BootCount();
}

int VirtualUsb3Camera::InterfaceClass() {
  return Setting<int>(store_.Json(), "interface_class", 1);
}

std::string VirtualUsb3Camera::DevicePath() {
  return Setting<std::string>(store_.Json(), "path", "");
}

std::optional<std::string> VirtualUsb3Camera::Location(const char* key) {
  const nlohmann::json& json = store_.Json();
  auto it = json.find(key);
  if (it == json.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

bool VirtualUsb3Camera::Usb2() {
  return Setting<bool>(store_.Json(), "usb2", false);
}

uint32_t VirtualUsb3Camera::BootCount() {
  const nlohmann::json& json = store_.Json();
  auto state = json.find("state");
  return state == json.end() ? 0 : Setting<uint32_t>(*state, "boot_count", 0);
}

// Times that another process stored were taken on another virtual clock; its
// restart has long ended by the time this process runs.
bool VirtualUsb3Camera::Away() {
  const nlohmann::json& json = store_.Json();
  auto state = json.find("state");
  if (state == json.end()) return false;
  if (Setting<uint64_t>(*state, "clock_id", 0) != ProcessClockId()) return false;
  return VirtualNowMs() < Setting<uint64_t>(*state, "away_until_ms", 0);
}

bool VirtualUsb3Camera::Ready() {
  const nlohmann::json& json = store_.Json();
  auto state = json.find("state");
  if (state == json.end()) return true;
  if (Setting<uint64_t>(*state, "clock_id", 0) != ProcessClockId()) return true;
  return VirtualNowMs() >=
         Setting<uint64_t>(*state, "away_until_ms", 0) + Setting<uint64_t>(json, "ready_ms", 300);
}

void VirtualUsb3Camera::SyncBoot() {
  const uint32_t boot = BootCount();
  if (boot == boot_seen_) return;
  controller_->PowerUp();
  acks_.clear();
  controller_free_us_ = 0;
  boot_seen_ = boot;
}

bool VirtualUsb3Camera::Present() {
  Usb3CameraStore::Guard guard(store_);
  Tick();
  SyncBoot();
  const bool powered = Setting<bool>(store_.Json(), "powered", true);
  power_cut_ = !powered;
  return powered && !Away();
}

bool VirtualUsb3Camera::GoneFor(uint32_t boot) {
  Tick();
  return power_cut_ || boot != boot_seen_;
}

void VirtualUsb3Camera::Tick() {
  if (restart_at_us_ == UINT64_MAX || DeviceNowUs() < restart_at_us_) return;
  Restart();
}

void VirtualUsb3Camera::Restart() {
  Usb3CameraStore::Guard guard(store_);
  const uint64_t at_ms = std::min(restart_at_us_, DeviceNowUs()) / 1000;
  restart_at_us_ = UINT64_MAX;
  nlohmann::json& json = store_.Edit();
  nlohmann::json& state = json["state"];
  state["boot_count"] = Setting<uint32_t>(state, "boot_count", 0) + 1;
  state["away_until_ms"] = at_ms + Setting<uint64_t>(json, "restart_ms", 2000);
  state["clock_id"] = ProcessClockId();
  store_.Save();
  SyncBoot();
}

void VirtualUsb3Camera::Log(const std::string& line) {
  if (!Setting<bool>(store_.Json(), "request_log", false)) return;
  std::ofstream log(dir() / "requests.log", std::ios::app);
  log << line << '\n';
}

VirtualUsb3Camera::FrameResult VirtualUsb3Camera::CommandFrame(const uint8_t* frame, uint32_t size,
                                                               uint32_t boot) {
  Usb3CameraStore::Guard guard(store_);
  Tick();
  SyncBoot();
  if (!Setting<bool>(store_.Json(), "powered", true) || Away() || boot != boot_seen_)
    return FrameResult::kGone;
  const bool usb2 = Usb2();
  const uint64_t written = DeviceNowUs() + TransferUs(size, usb2);
  AdvanceDeviceTimeTo(written);

  // A frame the controller cannot make sense of is dropped without an answer.
  const bool framed = size >= 22 && Le32(frame) == kPrefix && Le16(frame + 6) == kCommandId &&
                      Le16(frame + 8) == size - 12 && Le16(frame + 12) <= kDirBoth &&
                      Le16(frame + 14) <= 0xFF;
  const uint16_t direction = framed ? Le16(frame + 12) : 0;
  const uint16_t data_length = framed ? Le16(frame + 20) : 0;
  if (!framed || (direction == kDirRead ? size != 22 : data_length != size - 22)) {
    Log("?? malformed frame of " + std::to_string(size) + " bytes");
    return FrameResult::kTaken;
  }
  const VendorRequest request{direction,        static_cast<uint8_t>(Le16(frame + 14)),
                              Le16(frame + 16), Le16(frame + 18),
                              data_length,      frame + 22};
  const uint16_t request_id = Le16(frame + 10);

  nlohmann::json& json = store_.Edit();
  bool changed = false;
  const int64_t power_cut = Setting<int64_t>(json, "power_cut_after", -1);
  if (power_cut == 0) {
    json["powered"] = false;
    json["power_cut_after"] = -1;
    store_.Save();
    acks_.clear();
    power_cut_ = true;
    Log(RequestLine(request, request_id, "[power cut]"));
    return FrameResult::kGone;
  }
  if (power_cut > 0) {
    json["power_cut_after"] = power_cut - 1;
    changed = true;
  }
  const bool lost = TakeCount(json, "no_ack");
  const bool stale = !lost && TakeCount(json, "stale_ack");
  const bool corrupt = !lost && TakeCount(json, "corrupt_ack");
  changed = changed || lost || stale || corrupt;
  const bool refused = Setting<int>(json, "refuse_code", -1) == request.code;
  const int pending_code = Setting<int>(json, "pending_code", -1);
  const int pendings =
      (pending_code < 0 || pending_code == request.code) ? Setting<int>(json, "pending", 0) : 0;
  const uint64_t pending_ms = Setting<uint64_t>(json, "pending_ms", 1000);
  if (changed) store_.Save();
  Log(RequestLine(request, request_id, lost ? "[no ack]" : refused ? "[refused]" : ""));
  if (lost) return FrameResult::kTaken;

  const uint64_t start = std::max(written, controller_free_us_);
  uint64_t at = start + kTurnaroundUs + TransferUs(12, usb2);
  if (stale) acks_.push_back({MakeAck(kPrefix, kStatusAnswer, 0, request_id - 1), at});
  if (corrupt) acks_.push_back({MakeAck(kPrefix ^ 1, kStatusAnswer, 0, request_id), at});
  VendorAnswer answer;
  if (!refused) answer = controller_->Handle(request, start + kTurnaroundUs, Ready());
  if (answer.no_answer) {
    if (answer.restart) restart_at_us_ = written;
    Tick();
    return FrameResult::kTaken;
  }
  for (int i = 0; i < pendings; ++i) {
    acks_.push_back(
        {MakeAck(kPrefix, kStatusPending, static_cast<uint16_t>(pending_ms), request_id), at});
    at += pending_ms * 1000;
  }
  uint64_t done =
      start + kTurnaroundUs + answer.busy_us + TransferUs(12 + answer.data.size(), usb2);
  done = std::max(done, at);
  if (done - at > kPendingAfterUs) {
    const uint64_t wait_ms = (done - at) / 1000 + 2;
    acks_.push_back(
        {MakeAck(kPrefix, kStatusPending, static_cast<uint16_t>(wait_ms), request_id), at});
  }
  if (answer.accepted)
    acks_.push_back({MakeAck(kPrefix, kStatusAnswer, static_cast<uint16_t>(answer.data.size()),
                             request_id, answer.data),
                     done});
  else
    acks_.push_back({MakeAck(kPrefix, kStatusRefused, 0, request_id), done});
  controller_free_us_ = done;
  if (answer.restart) restart_at_us_ = done;
  return FrameResult::kTaken;
}

void VirtualUsb3Camera::AbortPipe(uint8_t endpoint) {
  char line[32];
  std::snprintf(line, sizeof line, "! abort %02X", endpoint);
  Log(line);
}

void VirtualUsb3Camera::ResetPipe(uint8_t endpoint) {
  char line[32];
  std::snprintf(line, sizeof line, "! reset %02X", endpoint);
  Log(line);
  if (endpoint == 0x82) acks_.clear();
}

void VirtualUsb3Camera::ResetPort() {
  Log("! reset port");
  acks_.clear();
}

std::shared_ptr<VirtualUsb3Camera> Usb3CameraAt(const fs::path& dir) {
  static std::map<std::string, std::shared_ptr<VirtualUsb3Camera>> cameras;
  const std::string key = dir.string();
  auto it = cameras.find(key);
  if (it != cameras.end()) {
    if (!fs::exists(dir / "camera.json")) {
      cameras.erase(it);
      return nullptr;
    }
    return it->second;
  }
  try {
    auto camera = std::make_shared<VirtualUsb3Camera>(dir);
    cameras[key] = camera;
    return camera;
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace sim
