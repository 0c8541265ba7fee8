// The USB3 transport against virtual cameras: counting and opening over the two
// interface classes, the two exchanges with their acknowledge handling, the
// request counter and the device lock.

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <thread>

#include "TracePrint.h"
#include "VirtualBench.h"
#include "platform/clock.h"
#include "platform/usb_driver.h"
#include "simulator/Bench.h"
#include "usb3/Usb3Device.h"
#include "usb3/VendorRequests.h"

namespace {

using usb3test::VirtualBench;

constexpr uint16_t kRamLow = 0x0000;
constexpr uint16_t kRamHigh = 0x4000;  // the controller's system memory at 0x40000000

std::string PathOf(const std::filesystem::path& bench, int id) {
  return sim::LoadJson(sim::CameraDir(bench, "usb3", id) / "camera.json")["path"];
}

// --- Counting and opening

struct IndexCase {
  const char* name;
  std::vector<int> classes;  // interface class of cameras 0, 1, ...
  int index;
  int opened;  // camera expected at that index, -1: the open fails
};

void PrintTo(const IndexCase& c, std::ostream* os) {
  *os << c.name;
}

class Indexing : public VirtualBench, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(Indexing, GlobalIndexRunsOverClassOneThenClassTwo) {
  const IndexCase& c = GetParam();
  for (int interface_class : c.classes) {
    sim::Usb3CameraOptions options;
    options.interface_class = interface_class;
    AddCamera(options, false);
  }
  EXPECT_EQ(GetNumberOfDevicesUSB30(), static_cast<int32_t>(c.classes.size()));
  std::unique_ptr<Usb3Device> device = OpenDeviceUSB30(c.index);
  if (c.opened < 0) {
    EXPECT_EQ(device, nullptr);
    return;
  }
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(std::string(device->device_path), PathOf(bench(), c.opened));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Indexing,
    ::testing::Values(IndexCase{"SecondClassAfterFirst", {1, 1, 2}, 2, 2},
                      IndexCase{"PastTheLastFails", {1, 1, 2}, 3, -1},
                      IndexCase{"OnlySecondClass", {2}, 0, 0},
                      IndexCase{"ClassOneComesFirstWhateverTheBenchOrder", {2, 1}, 0, 1},
                      IndexCase{"ClassTwoAfterClassOne", {2, 1}, 1, 0},
                      IndexCase{"NoCamera", {}, 0, -1}, IndexCase{"NegativeIndex", {1}, -1, -1}),
    [](const auto& info) { return std::string(info.param.name); });

struct LocationCase {
  const char* name;
  std::vector<std::string> settings;
  std::string expected;  // "" = the open fails
};

void PrintTo(const LocationCase& c, std::ostream* os) {
  *os << c.name;
}

class Location : public VirtualBench, public ::testing::WithParamInterface<LocationCase> {};

TEST_P(Location, FirstLocationPathOrLocationInformation) {
  const int id = AddCamera({}, false);
  Set(id, GetParam().settings);
  std::unique_ptr<Usb3Device> device = OpenDeviceUSB30(0);
  if (GetParam().expected.empty()) {
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(GetNumberOfDevicesUSB30(), 1) << "a failed open leaves the camera on the bus";
    return;
  }
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(std::string(device->location), GetParam().expected);
  char text[8];
  ASSERT_EQ(GetDeviceLocationUSB30(device.get(), text, sizeof text), 0);
  EXPECT_EQ(std::string(text), GetParam().expected.substr(0, 7));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Location,
    ::testing::Values(
        LocationCase{"LocationPaths", {"location_paths=PCIROOT(0)#USB(4)"}, "PCIROOT(0)#USB(4)"},
        LocationCase{"InvalidDataFallsBackToInformation",
                     {"location_paths=none", "location_information=Port_#0004.Hub_#0002"},
                     "Port_#0004.Hub_#0002"},
        LocationCase{
            "NeitherPropertyFails", {"location_paths=none", "location_information=none"}, ""},
        // The list ends in two NUL bytes: 2046 characters need exactly 2048.
        LocationCase{"LongestThatFits",
                     {"location_paths=" + std::string(2046, 'L')},
                     std::string(2046, 'L')},
        LocationCase{"LongerThan2048BytesFails", {"location_paths=" + std::string(2047, 'L')}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualBench, LongDevicePathIsCutAndTheLockIsNamedWithBars) {
  const std::string path = "\\\\?\\usb#vid_2a0b&pid_00f0#" + std::string(2100, 'p');
  sim::Usb3CameraOptions options;
  options.path = path;
  AddCamera(options, false);
  std::unique_ptr<Usb3Device> device = OpenDeviceUSB30(0);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(std::string(device->device_path), path.substr(0, 2047));
  // The mutex files of the bench carry the lock names: no backslash survives.
  bool found = false;
  for (const auto& entry : std::filesystem::directory_iterator(bench() / "mutexes")) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find('\\'), std::string::npos);
    found = found || name.rfind("||?|usb#vid_2a0b", 0) == 0;
  }
  EXPECT_TRUE(found);
  char text[261];
  ASSERT_EQ(GetDevicePathUSB30(device.get(), text, sizeof text), 0);
  EXPECT_EQ(std::string(text), path.substr(0, 260));
  EXPECT_NE(GetDevicePathUSB30(nullptr, text, sizeof text), 0);
}

TEST_F(VirtualBench, OpenReadsSpeedAndControllerVersion) {
  sim::Usb3CameraOptions options;
  options.controller_version = "02.07";
  AddCamera(options);
  options.usb2 = true;
  AddCamera(options);
  std::unique_ptr<Usb3Device> usb3 = OpenDeviceUSB30(0);
  std::unique_ptr<Usb3Device> usb2 = OpenDeviceUSB30(1);
  ASSERT_NE(usb3, nullptr);
  ASSERT_NE(usb2, nullptr);
  EXPECT_EQ(usb3->usb2, 0u);
  EXPECT_EQ(usb2->usb2, 1u);
  EXPECT_EQ(usb3->bulk_requests, 1u);
  EXPECT_EQ(GetMaxTransferChunk(usb3.get()), 960u);
  EXPECT_EQ(GetMaxTransferChunk(usb2.get()), 448u);
  EXPECT_EQ(usb3->fw_version[1], 0x02);
  EXPECT_EQ(usb3->fw_version[0], 0x07);
  EXPECT_EQ(Briefs(0), std::vector<std::string>{"C0 R 2"});
}

TEST_F(VirtualBench, ControllerThatDoesNotAnswerItsVersionStaysAtZero) {
  const int id = AddCamera();
  Set(id, {"refuse_code=0xC0"});
  std::unique_ptr<Usb3Device> device = OpenDeviceUSB30(0);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->fw_version[0], 0);
  EXPECT_EQ(device->fw_version[1], 0);
}

// --- u3VrReq

class Exchange : public VirtualBench {
 protected:
  void Open(const sim::Usb3CameraOptions& options = {}) {
    AddCamera(options);
    device_ = OpenDeviceUSB30(0);
    ASSERT_NE(device_, nullptr);
    Log(0);
    trace_.lines.clear();
  }
  int Version(uint8_t version[2]) {
    return u3VrReq(device_.get(), VR_GET_FW_VERSION, 0, 0, version, 2, false, true);
  }
  // The STM32's version command, exchanged in one bidirectional request.
  int StmVersion(uint8_t* reply, uint32_t capacity, uint32_t* received) {
    const uint8_t frame[10] = {0x0C, 0xF3, 10, 0, 0, 0, 0, 0, 0, 0};
    return u3VrReqBulkBid(device_.get(), VR_MCU_COMMAND, 0, 0, frame, 10, reply, capacity, received,
                          true);
  }
  void OpenStm32() {
    sim::Usb3CameraOptions options;
    options.kind = 1;  // an STM32 behind the MCU channel
    Open(options);
  }
  bool BadAckTraced() const {
    for (const std::string& line : trace_.lines)
      if (line.rfind("ZVX u3VrReq bad ack ", 0) == 0) return true;
    return false;
  }
  bool Recovered() const { return trace_.Has("u3VrReq error: unknown ack. Reset endpoints.\n"); }

  std::unique_ptr<Usb3Device> device_;
};

TEST_F(Exchange, PayloadUpToPacketSizeLess22) {
  sim::Usb3CameraOptions options;
  AddCamera(options);
  options.usb2 = true;
  AddCamera(options);
  for (int id : {0, 1}) {
    const bool usb2 = id == 1;
    SCOPED_TRACE(usb2 ? "USB 2.0" : "USB 3");
    device_ = OpenDeviceUSB30(id);
    ASSERT_NE(device_, nullptr);
    Log(id);
    const uint32_t limit = usb2 ? 490 : 1002;
    std::vector<uint8_t> data(limit + 1, 0x5A);
    const uint16_t before = GetRequestCounterUSB30();
    EXPECT_NE(
        u3VrReq(device_.get(), VR_WRITE_RAM, kRamLow, kRamHigh, data.data(), limit + 1, true, true),
        0);
    EXPECT_EQ(GetRequestCounterUSB30(), before);
    EXPECT_EQ(
        u3VrReq(device_.get(), VR_WRITE_RAM, kRamLow, kRamHigh, data.data(), limit, true, true), 0);
    EXPECT_EQ(GetRequestCounterUSB30(), static_cast<uint16_t>(before + 1));
    const std::vector<usb3test::LoggedRequest> log = Log(id);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].length, limit);
    EXPECT_EQ(log[0].id, before);
  }
}

TEST_F(Exchange, PendingAcknowledgeSetsTheNextWait) {
  Open();
  Set(0, {"pending=1", "pending_ms=3000"});
  uint8_t version[2] = {};
  const uint64_t start = platform::GetTickCountMs();
  ASSERT_EQ(Version(version), 0);
  EXPECT_GE(platform::GetTickCountMs() - start, 3000u);
  EXPECT_EQ(version[1], 0x04);
  EXPECT_EQ(version[0], 0x22);
}

TEST_F(Exchange, NinePendingAcknowledgesFailWithoutRecovery) {
  Open();
  uint8_t version[2] = {};
  Set(0, {"pending=8", "pending_ms=5"});
  EXPECT_EQ(Version(version), 0);
  Set(0, {"pending=9"});
  EXPECT_NE(Version(version), 0);
  EXPECT_FALSE(Recovered());
  for (const usb3test::LoggedRequest& r : Log(0)) EXPECT_NE(r.code, "!") << r.text;
}

struct AckFault {
  const char* name;
  const char* setting;
};

void PrintTo(const AckFault& c, std::ostream* os) {
  *os << c.name;
}

class BadAcknowledge : public Exchange, public ::testing::WithParamInterface<AckFault> {};

TEST_P(BadAcknowledge, VendorRequestFailsAndRecoversTheEndpoints) {
  Open();
  Set(0, {GetParam().setting});
  uint8_t version[2] = {};
  const uint16_t before = GetRequestCounterUSB30();
  EXPECT_NE(Version(version), 0);
  EXPECT_EQ(GetRequestCounterUSB30(), static_cast<uint16_t>(before + 1));
  EXPECT_TRUE(BadAckTraced());
  EXPECT_TRUE(Recovered());
  const std::vector<std::string> expected = {"C0 R 2",     "! abort 81",  "! reset 81",
                                             "! abort 02", "! reset 02",  "! abort 82",
                                             "! reset 82", "! reset port"};
  EXPECT_EQ(Briefs(0), expected);
  // The recovery left nothing behind: the next exchange works.
  EXPECT_EQ(Version(version), 0);
}

TEST_P(BadAcknowledge, BidirectionalRequestSkipsIt) {
  OpenStm32();
  Set(0, {GetParam().setting});
  uint8_t reply[260] = {};
  uint32_t received = 0;
  ASSERT_EQ(StmVersion(reply, sizeof reply, &received), 0);
  EXPECT_EQ(received, 10u);
  EXPECT_EQ(reply[8], 0x03);  // the STM32 version's low byte
  EXPECT_TRUE(BadAckTraced());
  EXPECT_FALSE(Recovered());
}

INSTANTIATE_TEST_SUITE_P(Cases, BadAcknowledge,
                         ::testing::Values(AckFault{"EarlierRequestId", "stale_ack=1"},
                                           AckFault{"CorruptPrefix", "corrupt_ack=1"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Exchange, BadAcknowledgeTraceNamesReceivedAndExpected) {
  Open();
  Set(0, {"stale_ack=1"});
  uint8_t version[2] = {};
  const uint16_t id = GetRequestCounterUSB30();
  Version(version);
  char expected[120];
  std::snprintf(expected, sizeof expected, "ZVX u3VrReq bad ack %d!=%d %d!=%d %d!=%d\n", 0x55335670,
                0x55335670, static_cast<uint16_t>(id - 1), id, 0x3F, 0x3F);
  EXPECT_TRUE(trace_.Has(expected));
}

TEST_F(Exchange, MissingAcknowledgeTimesOut) {
  Open();
  uint8_t version[2] = {};
  struct {
    uint8_t code;
    uint64_t wait_ms;
  } const cases[] = {{VR_GET_FW_VERSION, 1000}, {VR_PING, 200}};
  for (const auto& c : cases) {
    trace_.lines.clear();
    Set(0, {"no_ack=1"});
    const uint64_t start = platform::GetTickCountMs();
    EXPECT_NE(u3VrReq(device_.get(), c.code, 0, 0, c.code == VR_PING ? nullptr : version,
                      c.code == VR_PING ? 0 : 2, c.code == VR_PING, true),
              0);
    const uint64_t waited = platform::GetTickCountMs() - start;
    EXPECT_GE(waited, c.wait_ms);
    EXPECT_LT(waited, c.wait_ms + 10);
    EXPECT_TRUE(trace_.Has("u3VrReqBulk u3VrReq timeout\n"));
    EXPECT_TRUE(Recovered());
  }
  EXPECT_EQ(Version(version), 0);
}

TEST_F(Exchange, BidirectionalTimeoutReadsAgainUpToFourTimes) {
  OpenStm32();
  Set(0, {"no_ack=1"});
  uint8_t reply[260] = {};
  const uint64_t start = platform::GetTickCountMs();
  EXPECT_NE(StmVersion(reply, sizeof reply, nullptr), 0);
  EXPECT_GE(platform::GetTickCountMs() - start, 4000u);
  int timeouts = 0;
  for (const std::string& line : trace_.lines)
    timeouts += line == "u3VrReqBulkBid u3VrReq timeout\n";
  EXPECT_EQ(timeouts, 4);
  EXPECT_FALSE(Recovered());
}

TEST_F(Exchange, BidirectionalPendingIsTraced) {
  OpenStm32();
  Set(0, {"pending=2", "pending_ms=1500"});
  uint8_t reply[260] = {};
  EXPECT_EQ(StmVersion(reply, sizeof reply, nullptr), 0);
  EXPECT_TRUE(trace_.Has("u3VrReq received pending 1500ms\n"));
}

TEST_F(Exchange, BidirectionalReplyLargerThanTheBufferIsNotCopied) {
  OpenStm32();
  uint8_t reply[9] = {};
  uint32_t received = 77;
  EXPECT_EQ(StmVersion(reply, sizeof reply, &received), 0);
  EXPECT_EQ(received, 77u);
  EXPECT_EQ(reply[0], 0);
}

TEST_F(Exchange, CommandThatCannotBeWrittenFailsAndCounts) {
  Open();
  Set(0, {"power_cut_after=0"});
  uint8_t version[2] = {};
  const uint16_t before = GetRequestCounterUSB30();
  EXPECT_NE(Version(version), 0);
  EXPECT_EQ(GetRequestCounterUSB30(), static_cast<uint16_t>(before + 1));
  char error[40];
  std::snprintf(error, sizeof error, "XferData30 error %d\r\n",
                static_cast<int>(platform::kErrorDeviceNotConnected));
  EXPECT_TRUE(trace_.Has(error));
  EXPECT_TRUE(trace_.Has("u3VrReq couldn't write command\n"));
}

TEST_F(Exchange, TraceLevelFiltersLowerLevels) {
  Open();
  SetTraceLevel(4);
  Set(0, {"no_ack=1", "power_cut_after=1"});
  uint8_t version[2] = {};
  Version(version);  // a timeout: level 3 lines only
  Version(version);  // no power: a level 4 line and a level 3 line
  SetTraceLevel(0);
  EXPECT_EQ(trace_.lines.size(), 1u);
  EXPECT_EQ(trace_.lines.at(0).rfind("XferData30 error ", 0), 0u);
}

TEST_F(Exchange, RefusedRequestFailsAndStillCountsAsAnExchange) {
  Open();
  Set(0, {"refuse_code=0xC0"});
  uint8_t version[2] = {};
  const uint16_t before = GetRequestCounterUSB30();
  EXPECT_NE(Version(version), 0);
  EXPECT_EQ(GetRequestCounterUSB30(), static_cast<uint16_t>(before + 1));
  EXPECT_FALSE(Recovered());
}

TEST_F(Exchange, ResetReturnsAtOnceAndReleasesTheLock) {
  Open();
  const uint16_t before = GetRequestCounterUSB30();
  const uint64_t start = platform::GetTickCountMs();
  EXPECT_EQ(u3VrReq(device_.get(), VR_RESET, 0, 0, nullptr, 0, false, true), 0);
  EXPECT_LT(platform::GetTickCountMs() - start, 5u);
  EXPECT_EQ(GetRequestCounterUSB30(), before);
  EXPECT_TRUE(trace_.Has("u3VrReq Sent reset Not wait ack\n"));
  // Another thread finds the lock free at once.
  platform::WaitResult other = platform::WaitResult::kFailed;
  std::thread([&] {
    other = platform::GetUsbDriver().WaitForObject(device_->lock, 0);
    if (other == platform::WaitResult::kSignaled)
      platform::GetUsbDriver().ReleaseMutex(device_->lock);
  }).join();
  EXPECT_EQ(other, platform::WaitResult::kSignaled);

  // The camera left the bus; the open device is of no further use.
  EXPECT_EQ(GetNumberOfDevicesUSB30(), 0);
  uint8_t version[2] = {};
  EXPECT_NE(Version(version), 0);
  platform::SleepMs(2000);
  EXPECT_EQ(GetNumberOfDevicesUSB30(), 1);
  EXPECT_NE(Version(version), 0) << "a handle opened before the restart stays stale";
  std::unique_ptr<Usb3Device> reopened = OpenDeviceUSB30(0);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->fw_version[1], 0x04);
}

// --- The device lock

TEST_F(Exchange, LockIsRecursiveForItsOwnerAndKeepsOtherThreadsOut) {
  Open();
  ASSERT_EQ(LockResourceAccess(device_.get()), 0);
  ASSERT_EQ(LockResourceAccess(device_.get()), 0);
  uint8_t version[2] = {};
  EXPECT_EQ(Version(version), 0) << "a request inside a sequence takes the lock again";
  platform::WaitResult other = platform::WaitResult::kFailed;
  auto try_other = [&] {
    std::thread([&] {
      other = platform::GetUsbDriver().WaitForObject(device_->lock, 0);
      if (other == platform::WaitResult::kSignaled)
        platform::GetUsbDriver().ReleaseMutex(device_->lock);
    }).join();
  };
  try_other();
  EXPECT_EQ(other, platform::WaitResult::kTimeout);
  UnlockResourceAccess(device_.get());
  try_other();
  EXPECT_EQ(other, platform::WaitResult::kTimeout);
  UnlockResourceAccess(device_.get());
  try_other();
  EXPECT_EQ(other, platform::WaitResult::kSignaled);
}

TEST_F(VirtualBench, NamedMutexIsAbandonedWhenItsOwnerProcessDies) {
  const platform::UsbHandle mutex = platform::GetUsbDriver().CreateNamedMutex("test|abandoned");
  ASSERT_NE(mutex, platform::kNoHandle);
  const pid_t child = fork();
  if (child == 0) {
    const platform::UsbHandle own = platform::GetUsbDriver().CreateNamedMutex("test|abandoned");
    const bool locked =
        platform::GetUsbDriver().WaitForObject(own, 1000) == platform::WaitResult::kSignaled;
    _exit(locked ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(platform::GetUsbDriver().WaitForObject(mutex, 1000), platform::WaitResult::kAbandoned);
  EXPECT_TRUE(platform::GetUsbDriver().ReleaseMutex(mutex));
  EXPECT_EQ(platform::GetUsbDriver().WaitForObject(mutex, 0), platform::WaitResult::kSignaled);
  EXPECT_TRUE(platform::GetUsbDriver().ReleaseMutex(mutex));
  EXPECT_FALSE(platform::GetUsbDriver().ReleaseMutex(mutex)) << "not owned any more";
  platform::GetUsbDriver().CloseHandle(mutex);
  EXPECT_EQ(platform::GetUsbDriver().CreateNamedMutex("a\\b"), platform::kNoHandle);
}

// Answers every mutex wait with a chosen result and counts the releases.
class ScriptedLockDriver : public platform::UsbDriver {
 public:
  explicit ScriptedLockDriver(platform::WaitResult answer)
      : real_(platform::GetUsbDriver()), answer_(answer) {}
  platform::InterfaceSet GetPresentInterfaces(const platform::Guid& g) override {
    return real_.GetPresentInterfaces(g);
  }
  uint32_t EnumInterface(platform::InterfaceSet s, uint32_t i) override {
    return real_.EnumInterface(s, i);
  }
  uint32_t GetInterfacePath(platform::InterfaceSet s, uint32_t i, std::string& p) override {
    return real_.GetInterfacePath(s, i, p);
  }
  uint32_t GetDeviceProperty(platform::InterfaceSet s, uint32_t i, platform::DeviceProperty p,
                             uint8_t* b, uint32_t n, uint32_t* r) override {
    return real_.GetDeviceProperty(s, i, p, b, n, r);
  }
  void DestroyInterfaceSet(platform::InterfaceSet s) override { real_.DestroyInterfaceSet(s); }
  platform::UsbHandle OpenDevice(const std::string& p, bool o, uint32_t* e) override {
    return real_.OpenDevice(p, o, e);
  }
  uint32_t DeviceIoControl(platform::UsbHandle h, uint32_t c, const void* i, uint32_t in, void* o,
                           uint32_t on, uint32_t* r, platform::Overlapped* ov) override {
    return real_.DeviceIoControl(h, c, i, in, o, on, r, ov);
  }
  uint32_t GetOverlappedResult(platform::UsbHandle h, platform::Overlapped* o, uint32_t* t,
                               bool w) override {
    return real_.GetOverlappedResult(h, o, t, w);
  }
  uint32_t CancelIo(platform::UsbHandle h, platform::Overlapped* o) override {
    return real_.CancelIo(h, o);
  }
  platform::UsbHandle CreateManualResetEvent() override { return real_.CreateManualResetEvent(); }
  void ResetEvent(platform::UsbHandle e) override { real_.ResetEvent(e); }
  platform::UsbHandle CreateNamedMutex(const std::string& n) override {
    mutex_ = real_.CreateNamedMutex(n);
    return mutex_;
  }
  bool ReleaseMutex(platform::UsbHandle m) override {
    ++releases;
    return real_.ReleaseMutex(m);
  }
  platform::WaitResult WaitForObject(platform::UsbHandle h, uint32_t t) override {
    if (h != mutex_) return real_.WaitForObject(h, t);
    waited_ms = t;
    // An abandoned answer hands over the ownership, as the real one does.
    if (answer_ == platform::WaitResult::kAbandoned) real_.WaitForObject(h, 0);
    return answer_;
  }
  void CloseHandle(platform::UsbHandle h) override { real_.CloseHandle(h); }

  int releases = 0;
  uint32_t waited_ms = 0;

 private:
  platform::UsbDriver& real_;
  platform::WaitResult answer_;
  platform::UsbHandle mutex_ = platform::kNoHandle;
};

TEST_F(VirtualBench, LockFailures) {
  AddCamera();
  struct {
    platform::WaitResult answer;
    bool timeout_trace;
    int releases;
  } const cases[] = {{platform::WaitResult::kTimeout, true, 0},
                     {platform::WaitResult::kAbandoned, false, 1},
                     {platform::WaitResult::kFailed, false, 0}};
  for (const auto& c : cases) {
    ScriptedLockDriver driver(c.answer);
    platform::UsbDriver* previous = platform::SetUsbDriver(&driver);
    {
      std::unique_ptr<Usb3Device> device = OpenDeviceUSB30(0);
      ASSERT_NE(device, nullptr);
      driver.releases = 0;
      Log(0);
      trace_.lines.clear();
      EXPECT_NE(LockResourceAccess(device.get()), 0);
      EXPECT_EQ(driver.waited_ms, 5000u);
      EXPECT_EQ(trace_.Has("LockResourceAccess Error: timeout\n"), c.timeout_trace);
      EXPECT_EQ(driver.releases, c.releases);
      uint8_t version[2];
      EXPECT_NE(u3VrReq(device.get(), VR_GET_FW_VERSION, 0, 0, version, 2, false, true), 0);
      EXPECT_TRUE(trace_.Has("hRWMutex failed\r\n"));
      EXPECT_TRUE(Log(0).empty()) << "nothing is sent without the lock";
    }
    platform::SetUsbDriver(previous);
  }
}

}  // namespace
