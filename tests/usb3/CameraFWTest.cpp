// CameraFW against virtual cameras: connection, restart, the serial flash and
// FPGA register sequences of the three controller generations.

#include <chrono>
#include <cstdio>

#include "VirtualBench.h"
#include "platform/clock.h"
#include "platform/text_exception.h"
#include "simulator/usb3/MemoryFile.h"
#include "simulator/usb3/SpiFlash.h"
#include "usb3/CameraFW.h"

namespace {

using usb3test::VirtualBench;

class CameraTest : public usb3test::CameraBench {
 protected:
  void Open(const sim::Usb3CameraOptions& options = {}) { OpenCamera(options); }
  void Open(const char* controller_version) {
    sim::Usb3CameraOptions options;
    options.controller_version = controller_version;
    Open(options);
  }
  std::vector<uint8_t> Flash(uint32_t address, uint32_t length) {
    return Bytes("spi_flash.bin", address, length);
  }
};

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

// --- Request sequences by generation

struct SequenceCase {
  const char* name;
  const char* version;
  void (*run)(CameraFW&);
  std::vector<std::string> expected;
  // The last four requests (a status read) may repeat while the chip is busy.
  bool status_polls = false;
};

void PrintTo(const SequenceCase& c, std::ostream* os) {
  *os << c.name;
}

void Read100(CameraFW& camera) {
  uint8_t buffer[100];
  camera.ReadDeviceInfo(0x1000, buffer, 100, CameraFW::kTargetFlash);
}
void Read2000(CameraFW& camera) {
  std::vector<uint8_t> buffer(2000);
  camera.ReadDeviceInfo(0x1000, buffer.data(), 2000, CameraFW::kTargetFlash);
}
void Write64(CameraFW& camera) {
  const std::vector<uint8_t> data = Pattern(64, 1);
  camera.WriteSPI(0x70040, data.data(), 64, CameraFW::kTargetFlash);
}
void Write2000(CameraFW& camera) {
  const std::vector<uint8_t> data = Pattern(2000, 1);
  camera.WriteSPI(0x70000, data.data(), 2000, CameraFW::kTargetFlash);
}
void FpgaRead2(CameraFW& camera) {
  uint8_t value[2];
  camera.ReadDeviceInfo(1, value, 2, CameraFW::kTargetFpga);
}

const std::vector<std::string> kSelectShiftRead = {"BA W 0", "B0 W 4", "B1 R 64", "B9 W 0"};
const std::vector<std::string> kStatusPoll = {"BA W 0", "B0 W 1", "B1 R 1", "B9 W 0"};

class Sequence : public CameraTest, public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(Sequence, RequestLogShowsTheGenerationsSequence) {
  const SequenceCase& c = GetParam();
  Open(c.version);
  c.run(camera_);
  std::vector<std::string> got = Briefs(id_);
  if (c.status_polls) {
    ASSERT_GT(got.size(), c.expected.size());
    ASSERT_EQ((got.size() - c.expected.size()) % 4, 0u);
    for (size_t at = c.expected.size(); at < got.size(); at += 4)
      EXPECT_EQ(std::vector<std::string>(got.begin() + at, got.begin() + at + 4), kStatusPoll);
    got.resize(c.expected.size());
  }
  EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Sequence,
    ::testing::Values(
        SequenceCase{
            "GenerationARead",
            "02.06",
            Read100,
            {"BA W 0", "B0 W 4", "B1 R 64", "B9 W 0", "BA W 0", "B0 W 4", "B1 R 36", "B9 W 0"}},
        SequenceCase{
            "FailedVersionReadCountsAsGenerationA",
            "00.00",
            Read100,
            {"BA W 0", "B0 W 4", "B1 R 64", "B9 W 0", "BA W 0", "B0 W 4", "B1 R 36", "B9 W 0"}},
        SequenceCase{"GenerationBRead", "02.07", Read100, {"E4 W 8", "E6 R 100"}},
        SequenceCase{"GenerationCReadInChunks",
                     "04.22",
                     Read2000,
                     {"E4 W 8", "E6 R 960", "E4 W 8", "E6 R 960", "E4 W 8", "E6 R 80"}},
        SequenceCase{"GenerationAWrite",
                     "02.06",
                     Write64,
                     {"BA W 0", "B0 W 1", "B9 W 0", "BA W 0", "B0 W 4", "B0 W 64", "B9 W 0"},
                     true},
        SequenceCase{"GenerationBWriteEndsWithWriteDisable",
                     "04.21",
                     Write64,
                     {"E4 W 8", "E8 W 64", "BA W 0", "B0 W 1", "B9 W 0"}},
        SequenceCase{"GenerationCWrite", "04.22", Write64, {"E4 W 8", "E8 W 64"}},
        SequenceCase{"GenerationBWritesIn64ByteBlocks", "02.07", Write2000,
                     [] {
                       std::vector<std::string> v;
                       for (int i = 0; i < 32; ++i) {
                         v.insert(v.end(), {"E4 W 8", i < 31 ? "E8 W 64" : "E8 W 16", "BA W 0",
                                            "B0 W 1", "B9 W 0"});
                       }
                       return v;
                     }()},
        SequenceCase{"GenerationCWritesInChunks",
                     "04.22",
                     Write2000,
                     {"E4 W 8", "E8 W 960", "E4 W 8", "E8 W 960", "E4 W 8", "E8 W 80"}},
        SequenceCase{"GenerationARegisterRead",
                     "02.06",
                     FpgaRead2,
                     {"BC W 0", "B0 W 1", "B1 R 2", "BB W 0"}},
        SequenceCase{"GenerationBRegisterRead", "02.07", FpgaRead2, {"E4 W 8", "E7 R 2"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CameraTest, FlashRoundTripInEveryGeneration) {
  for (const char* version : {"01.00", "02.06", "02.07", "04.21", "04.22", "05.10"}) {
    SCOPED_TRACE(version);
    Open(version);
    const std::vector<uint8_t> data = Pattern(64, static_cast<uint8_t>(version[1]));
    camera_.WriteSPI(0x70040, data.data(), 64, CameraFW::kTargetFlash);
    std::vector<uint8_t> back(100);
    camera_.ReadDeviceInfo(0x70000, back.data(), 100, CameraFW::kTargetFlash);
    EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 64),
              std::vector<uint8_t>(64, 0xFF));
    EXPECT_EQ(std::vector<uint8_t>(back.begin() + 64, back.end()),
              std::vector<uint8_t>(data.begin(), data.begin() + 36));
    EXPECT_EQ(Flash(0x70040, 64), data);
    camera_.CloseCamera();
  }
}

TEST_F(CameraTest, ReadCommandWordAndParameterBlock) {
  uint8_t buffer[4];
  Open("02.06");
  camera_.ReadDeviceInfo(0x12345, buffer, 4, CameraFW::kTargetFlash);
  EXPECT_EQ(Log(id_)[1].payload, "03012345");
  camera_.CloseCamera();
  Open("02.07");
  camera_.ReadDeviceInfo(0x12345, buffer, 4, CameraFW::kTargetFlash);
  EXPECT_EQ(Log(id_)[0].payload, "0301234520000000");
}

TEST_F(CameraTest, ZeroLengthReadSendsNothing) {
  Open();
  camera_.ReadDeviceInfo(0, nullptr, 0, CameraFW::kTargetFlash);
  EXPECT_TRUE(Log(id_).empty());
}

// --- FPGA registers

TEST_F(CameraTest, RegisterWriteFrames) {
  Open();
  const uint8_t two[2] = {0xA9, 0x47};
  camera_.WriteSPI(30, two, 2, CameraFW::kTargetFpga);
  const uint8_t four[4] = {0x01, 0x02, 0x03, 0x04};
  camera_.WriteSPI(11, four, 4, CameraFW::kTargetFpga);
  const std::vector<usb3test::LoggedRequest> log = Log(id_);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].code, "E3");
  EXPECT_EQ(log[0].payload, "9E47A9");
  EXPECT_EQ(log[1].payload, "8B04030201");
  uint8_t value[4] = {};
  camera_.ReadDeviceInfo(11, value, 4, CameraFW::kTargetFpga);
  EXPECT_EQ(std::vector<uint8_t>(value, value + 4), std::vector<uint8_t>(four, four + 4));
}

TEST_F(CameraTest, RegisterNumberAndLengthRefusedWithoutARequest) {
  Open();
  uint8_t value[5] = {};
  EXPECT_THROW(
      {
        try {
          camera_.ReadDeviceInfo(0x80, value, 2, CameraFW::kTargetFpga);
        } catch (const TextException& e) {
          EXPECT_STREQ(e.what(), "Read device_info fails");
          throw;
        }
      },
      TextException);
  EXPECT_THROW(camera_.ReadDeviceInfo(1, value, 5, CameraFW::kTargetFpga), TextException);
  for (uint32_t length : {1u, 3u, 5u}) {
    try {
      camera_.WriteSPI(1, value, length, CameraFW::kTargetFpga);
      ADD_FAILURE() << length;
    } catch (const TextException& e) {
      EXPECT_STREQ(e.what(), "WriteSPI does not respond1");
    }
  }
  EXPECT_THROW(camera_.WriteSPI(0x80, value, 2, CameraFW::kTargetFpga), TextException);
  EXPECT_THROW(camera_.ReadDeviceInfo(0, value, 2, 2), TextException);
  EXPECT_TRUE(Log(id_).empty());
}

TEST_F(CameraTest, RegisterReadsInRegisterOrderInEveryGeneration) {
  for (const char* version : {"02.06", "02.07", "04.22"}) {
    SCOPED_TRACE(version);
    Open(version);
    Set(id_, {"fpga.1=0x1234"});
    uint8_t value[2] = {};
    camera_.ReadDeviceInfo(1, value, 2, CameraFW::kTargetFpga);
    EXPECT_EQ(value[0], 0x34);
    EXPECT_EQ(value[1], 0x12);
    camera_.CloseCamera();
  }
}

TEST_F(CameraTest, ChipIdUnlocksAfterItsSequence) {
  Open();
  Set(id_, {"fpga_chip_id=0123456789ab"});
  auto read = [&](uint32_t r) {
    uint8_t value[2] = {};
    camera_.ReadDeviceInfo(r, value, 2, CameraFW::kTargetFpga);
    return static_cast<unsigned>(value[0] | value[1] << 8);
  };
  auto write = [&](uint32_t r, uint16_t v) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    camera_.WriteSPI(r, bytes, 2, CameraFW::kTargetFpga);
  };
  write(29, 0x0000);
  write(30, 0x1111);  // wrong key: stays locked
  write(31, 0x0001);
  EXPECT_EQ(read(30), 0x1111u);
  write(29, 0x0000);
  write(30, 0x47A9);
  write(31, 0x0001);
  EXPECT_EQ(read(31), 0x0123u);
  EXPECT_EQ(read(30), 0x4567u);
  EXPECT_EQ(read(29), 0x89ABu);
}

// --- Sector erase

TEST_F(CameraTest, SectorEraseClearsOneSector) {
  Open("04.22");
  {
    std::vector<uint8_t> all = Memory(id_, "spi_flash.bin");
    std::fill(all.begin() + 0x60000, all.begin() + 0x90000, 0x00);
    sim::WriteBinaryFile(CameraFile(id_, "spi_flash.bin"), all);
  }
  const uint64_t start = platform::GetTickCountMs();
  camera_.SectorErase(7);
  EXPECT_GE(platform::GetTickCountMs() - start, 150u);
  EXPECT_EQ(Flash(0x70000, 0x10000), std::vector<uint8_t>(0x10000, 0xFF));
  EXPECT_EQ(Flash(0x6FFFF, 1)[0], 0x00);
  EXPECT_EQ(Flash(0x80000, 1)[0], 0x00);
  const std::vector<std::string> log = Briefs(id_);
  ASSERT_GE(log.size(), 11u);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 6),
            (std::vector<std::string>{"BA W 0", "B0 W 1", "B9 W 0", "BA W 0", "B0 W 4", "B9 W 0"}));
  EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
            (std::vector<std::string>{"BA W 0", "B0 W 1", "B9 W 0"}));
}

TEST_F(CameraTest, SectorEraseGivesUpOnAStuckChipOrAFailedStatusRead) {
  Open();
  Set(id_, {"erase_ms=60000"});
  const uint64_t start = platform::GetTickCountMs();
  try {
    camera_.SectorErase(8);
    ADD_FAILURE() << "no error";
  } catch (const TextException& e) {
    EXPECT_STREQ(e.what(), "SectorErase does not respond");
  }
  const uint64_t waited = platform::GetTickCountMs() - start;
  EXPECT_GE(waited, 10000u);
  EXPECT_LT(waited, 11000u);
  Log(id_);
  platform::SleepMs(60000);
  Set(id_, {"erase_ms=150", "refuse_code=0xB1"});
  EXPECT_THROW(camera_.SectorErase(8), TextException);
  const std::vector<std::string> log = Briefs(id_);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "B9 W 0") << "the flash is deselected after the failed status read";
  // The lock was released and the camera still answers.
  Set(id_, {"refuse_code=none"});
  uint8_t byte = 0;
  camera_.ReadDeviceInfo(0x80000, &byte, 1, CameraFW::kTargetFlash);
  EXPECT_EQ(byte, 0xFF);
}

// --- Connection and controller

TEST_F(CameraTest, DriverSelectorAndOpenErrors) {
  struct {
    int32_t driver;
    const char* count_error;
    const char* open_error;
  } const cases[] = {
      {0, nullptr, "Can not open USB3 device using zelvix driver"},
      {1, nullptr, "Can not open USB3 device using zelvix driver"},
      {2, "CameraFW::GetCameraOnBusCount: Invalid driver selected", "Unknown driver"}};
  for (const auto& c : cases) {
    CameraFW camera;
    camera.SetDriver(c.driver);
    if (c.count_error) {
      try {
        camera.GetCameraOnBusCount();
        ADD_FAILURE();
      } catch (const TextException& e) {
        EXPECT_STREQ(e.what(), c.count_error);
      }
    } else {
      EXPECT_EQ(camera.GetCameraOnBusCount(), 0);
    }
    try {
      camera.OpenCamera();
      ADD_FAILURE();
    } catch (const TextException& e) {
      EXPECT_STREQ(e.what(), c.open_error);
    }
    EXPECT_FALSE(camera.IsCameraOpen());
  }
}

TEST_F(CameraTest, OpenCopiesTheBulkSettingAndCloseForgetsTheDevice) {
  Open();
  EXPECT_TRUE(camera_.IsCameraOpen());
  EXPECT_EQ(camera_.GetDevice()->bulk_requests, 1u);
  camera_.CloseCamera();
  EXPECT_FALSE(camera_.IsCameraOpen());
  camera_.SetBulkRequests(0);
  camera_.OpenCamera();
  EXPECT_EQ(camera_.GetDevice()->bulk_requests, 0u);
}

TEST_F(CameraTest, CpuVersion) {
  Open("04.2A");
  EXPECT_EQ(camera_.GetCpuVersion(), 0x042A);
  Set(id_, {"refuse_code=0xC0"});
  try {
    camera_.GetCpuVersion();
    ADD_FAILURE();
  } catch (const TextException& e) {
    EXPECT_STREQ(e.what(), "Error getting CPU version");
  }
}

TEST_F(CameraTest, ResetThenReopenWhenReady) {
  Open();
  Set(id_, {"restart_ms=2000", "ready_ms=1000"});
  camera_.ResetDevice();
  EXPECT_EQ(Briefs(id_), std::vector<std::string>{"FF R 0"});
  EXPECT_EQ(camera_.GetCameraOnBusCount(), 0);
  // The handle from before the restart is stale: not ready, and closed.
  EXPECT_FALSE(camera_.WaitOpenReady());
  EXPECT_FALSE(camera_.IsCameraOpen());
  EXPECT_THROW(camera_.OpenCamera(), TextException);
  platform::SleepMs(2000);
  camera_.OpenCamera();
  testing::internal::CaptureStdout();
  EXPECT_FALSE(camera_.WaitOpenReady());
  EXPECT_TRUE(camera_.IsCameraOpen()) << "open but not ready stays open";
  platform::SleepMs(1000);
  EXPECT_TRUE(camera_.WaitOpenReady());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Waiting for opendevice - open ready\n");
}

TEST_F(CameraTest, PowerCutStopsTheCameraAndKeepsWhatWasWritten) {
  Open("04.21");
  Set(id_, {"power_cut_after=2"});
  const std::vector<uint8_t> data = Pattern(200, 9);
  EXPECT_THROW(camera_.WriteSPI(0x90000, data.data(), 200, CameraFW::kTargetFlash), TextException);
  // Parameters and the first block went through; the write disable found no power.
  EXPECT_EQ(Flash(0x90000, 64), std::vector<uint8_t>(data.begin(), data.begin() + 64));
  EXPECT_EQ(Flash(0x90040, 1)[0], 0xFF);
  EXPECT_EQ(camera_.GetCameraOnBusCount(), 0);
  Set(id_, {"powered=true"});
  EXPECT_EQ(camera_.GetCameraOnBusCount(), 1);
}

// The closing figure: a 4 MiB serial-flash read on a generation C camera.
TEST_F(CameraTest, FourMegabyteFlashReadTimes) {
  Open("04.22");
  Set(id_, {"request_log=false"});
  std::vector<uint8_t> flash = Memory(id_, "spi_flash.bin");
  for (size_t i = 0; i < flash.size(); i += 4096) flash[i] = static_cast<uint8_t>(i >> 12);
  sim::WriteBinaryFile(CameraFile(id_, "spi_flash.bin"), flash);
  std::vector<uint8_t> buffer(0x400000);
  const uint64_t virtual_start = platform::GetTickCountMs();
  const auto host_start = std::chrono::steady_clock::now();
  camera_.ReadDeviceInfo(0, buffer.data(), 0x400000, CameraFW::kTargetFlash);
  const auto host_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - host_start)
                           .count();
  const uint64_t virtual_ms = platform::GetTickCountMs() - virtual_start;
  EXPECT_EQ(buffer, flash);
  // About 0.45 ms of bus, controller and chip time per 960-byte block.
  EXPECT_GT(virtual_ms, 1500u);
  EXPECT_LT(virtual_ms, 2500u);
  std::printf("4 MiB flash read: host %lld ms, virtual clock %llu ms\n",
              static_cast<long long>(host_ms), static_cast<unsigned long long>(virtual_ms));
  RecordProperty("host_ms", static_cast<int>(host_ms));
  RecordProperty("virtual_ms", static_cast<int>(virtual_ms));
}

// --- The virtual flash chip itself

TEST(VirtualSpiFlash, PageProgramNeedsWriteEnableClearsBitsAndWrapsInItsPage) {
  testsupport::TempDir dir;
  sim::MemoryFile memory(dir.path() / "flash.bin", 0x20000);
  sim::SpiFlash flash(memory);
  auto command = [&](std::vector<uint8_t> bytes, uint64_t now) {
    flash.Select();
    flash.ShiftOut(bytes.data(), static_cast<uint32_t>(bytes.size()));
    flash.Deselect(now);
  };
  command({0x02, 0x00, 0x01, 0x00, 0x00}, 0);  // without write enable: ignored
  EXPECT_EQ(memory.ReadByte(0x100), 0xFF);
  command({0x06}, 0);
  EXPECT_TRUE(flash.WriteEnabled());
  // Four bytes from column 0xFE: two at the page end, two wrapped to its start.
  command({0x02, 0x00, 0x01, 0xFE, 0x0F, 0xF0, 0x3C, 0xC3}, 0);
  EXPECT_FALSE(flash.WriteEnabled());
  EXPECT_TRUE(flash.Busy(100));
  EXPECT_FALSE(flash.Busy(sim::SpiFlash::kPageProgramUs));
  EXPECT_EQ(memory.ReadByte(0x1FE), 0x0F);
  EXPECT_EQ(memory.ReadByte(0x1FF), 0xF0);
  EXPECT_EQ(memory.ReadByte(0x100), 0x3C);
  EXPECT_EQ(memory.ReadByte(0x101), 0xC3);
  EXPECT_EQ(memory.ReadByte(0x200), 0xFF);
  // Programming again only clears bits.
  command({0x06}, 1000);
  command({0x02, 0x00, 0x01, 0xFE, 0xF0}, 1000);
  EXPECT_EQ(memory.ReadByte(0x1FE), 0x00);
  // Status while busy, then a sector erase.
  uint8_t status = 0;
  flash.Select();
  const uint8_t read_status = 0x05;
  flash.ShiftOut(&read_status, 1);
  flash.ShiftIn(&status, 1, 1100);
  flash.Deselect(1100);
  EXPECT_EQ(status & 1, 1);
  command({0x06}, 5000);
  command({0xD8, 0x00, 0x01, 0x23}, 5000);
  EXPECT_TRUE(flash.Busy(5000 + sim::SpiFlash::kDefaultSectorEraseUs - 1));
  EXPECT_EQ(memory.ReadByte(0x1FE), 0xFF);
}

}  // namespace
