// The microcontroller channels of CameraFW against virtual cameras: the STM32
// and C2 MCUs behind the generic channel, the STM32 commands, and the TR
// transfers of the C51 MCU.

#include "VirtualBench.h"
#include "platform/clock.h"
#include "platform/text_exception.h"
#include "usb3/CameraFW.h"

namespace {

using usb3test::LoggedRequest;
using usb3test::VirtualBench;

class McuTest : public usb3test::CameraBench {
 protected:
  void Open(int kind, bool usb2 = false) {
    sim::Usb3CameraOptions options;
    options.kind = kind;
    options.usb2 = usb2;
    OpenCamera(options);
  }
  template <typename Run>
  std::string Error(Run run) {
    try {
      run(camera_);
    } catch (const TextException& e) {
      return e.what();
    }
    return "";
  }
  // The TR pieces of the log: "send 3 8" is a whole send of 8 bytes.
  std::vector<std::string> Pieces() {
    std::vector<std::string> pieces;
    for (const LoggedRequest& r : Log(id_)) {
      if (r.code != "91") continue;
      const auto field = [&](int at) {
        return std::stoi(r.payload.substr(at + 2, 2) + r.payload.substr(at, 2), nullptr, 16);
      };
      pieces.push_back(std::string(field(0) == 0 ? "send " : "fetch ") + std::to_string(field(4)) +
                       " " + std::to_string(field(8)));
    }
    return pieces;
  }
};

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed ^ (i * 13 + i / 256));
  return bytes;
}

// --- STM32

TEST_F(McuTest, Stm32VersionAndCommandFrames) {
  Open(1);
  Set(id_, {"stm32_version=0x0215"});
  EXPECT_EQ(camera_.GetStm32FirmwareVersion(), 0x0215);
  EXPECT_EQ(camera_.GetStm32FirmwareVersion(), 0x0215);
  const std::vector<LoggedRequest> log = Log(id_);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].Brief(), "90 B 10");
  // Prefix, length 10, status 0, command 0, then the MCU request counter.
  EXPECT_EQ(log[0].payload, "0CF30A00000000000000");
  EXPECT_EQ(log[1].payload, "0CF30A00000000000100");
}

TEST_F(McuTest, Stm32ReplyChecks) {
  Open(1);
  struct {
    const char* fault;
    const char* trace;
  } const cases[] = {
      {"stm32_reply=bad_prefix", "SendCommandToStmMcu wrong FX3_MCU_PREFIX\n"},
      {"stm32_reply=bad_status", "SendCommandToStmMcu ack is not FX3_MCU_ACK_OK\n"},
      {"stm32_reply=bad_request_id",
       "CameraFW::SendCommandToStmMcu ack-req_id is not cmd-req_id\n"},
      {"mcu_channel=c2", "SendCommandToStmMcu error on u3VrReqBulkBid\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    Set(id_, {"stm32_reply=ok", "mcu_channel=stm32", c.fault});
    trace_.lines.clear();
    EXPECT_EQ(Error([](CameraFW& camera) { camera.GetStm32FirmwareVersion(); }),
              "CameraFW::SendCommandToStmMcu failed");
    EXPECT_TRUE(trace_.Has(c.trace));
  }
}

TEST_F(McuTest, Stm32UniqueIdWordsComeOutHighByteFirst) {
  Open(1);
  Set(id_, {"stm32_uid=1234abcd00010203a0b0c0d0"});
  uint8_t sid[12] = {};
  camera_.GetSID_From_STM32F4XX(sid, sizeof sid);
  const uint8_t expected[12] = {0x12, 0x34, 0xAB, 0xCD, 0x00, 0x01,
                                0x02, 0x03, 0xA0, 0xB0, 0xC0, 0xD0};
  EXPECT_EQ(std::vector<uint8_t>(sid, sid + 12), std::vector<uint8_t>(expected, expected + 12));
  EXPECT_EQ(Error([](CameraFW& camera) {
              uint8_t small[11];
              camera.GetSID_From_STM32F4XX(small, sizeof small);
            }),
            "Get SID2 failed");
  EXPECT_TRUE(trace_.Has("GetSID_From_STM32F4XX small buffer for SID\n"));
  Set(id_, {"stm32_reply=bad_status"});
  EXPECT_EQ(Error([](CameraFW& camera) {
              uint8_t buffer[12];
              camera.GetSID_From_STM32F4XX(buffer, sizeof buffer);
            }),
            "Get SID2 failed");
}

TEST_F(McuTest, Stm32EraseWriteReadInBlocksOf240) {
  Open(1);
  {
    std::vector<uint8_t> dirty(0x80000, 0x00);
    sim::WriteBinaryFile(CameraFile(id_, "stm32_flash.bin"), dirty);
  }
  const uint64_t start = platform::GetTickCountMs();
  for (uint32_t sector = 0; sector < 8; ++sector) camera_.cpu2PageErase(sector, sector == 0);
  // 4 x 16, 64 and 3 x 128 KiB sectors; the long ones are answered pending.
  EXPECT_GE(platform::GetTickCountMs() - start, 4 * 250u + 550u + 3 * 1000u);
  EXPECT_EQ(Memory(id_, "stm32_flash.bin"), std::vector<uint8_t>(0x80000, 0xFF));
  std::vector<LoggedRequest> log = Log(id_);
  ASSERT_EQ(log.size(), 1u + 8 * 2);
  EXPECT_EQ(log[0].Brief(), "EA R 0");
  EXPECT_EQ(log[1].payload, "0000000000000000");
  EXPECT_EQ(log[2].Brief(), "EE W 0");
  EXPECT_EQ(log[15].payload, "0700000000000000");

  const std::vector<uint8_t> data = Pattern(1000, 0x3C);
  camera_.cpu2Write(0x8000000, data.data(), 1000, false);
  std::vector<std::string> briefs;
  for (const LoggedRequest& r : Log(id_)) briefs.push_back(r.Brief());
  EXPECT_EQ(briefs, (std::vector<std::string>{"E4 W 8", "EB W 240", "EB W 240", "EB W 240",
                                              "EB W 240", "EB W 40"}));
  std::vector<uint8_t> back(1000);
  camera_.cpu2Read(0x8000000, back.data(), 1000, true);
  EXPECT_EQ(back, data);
  EXPECT_EQ(Log(id_)[0].Brief(), "EA W 0");
  EXPECT_EQ(Bytes("stm32_flash.bin", 0, 1000), data);
}

TEST_F(McuTest, Stm32ChannelMustBeOpenedFirstAndBlocksShrinkAtUsb2) {
  Open(1, true);
  const std::vector<uint8_t> data = Pattern(500, 1);
  EXPECT_EQ(Error([](CameraFW& camera) {
              const uint8_t byte = 0;
              camera.cpu2Write(0x8000000, &byte, 1, false);
            }),
            "cpu2Write does not respond1");
  camera_.cpu2Write(0x8000000, data.data(), 500, true);
  std::vector<std::string> briefs;
  for (const LoggedRequest& r : Log(id_)) briefs.push_back(r.Brief());
  EXPECT_EQ(briefs.back(), "EB W 20");  // 240, 240, 20: 240 is below 448
  Set(id_, {"refuse_code=0xEA"});
  EXPECT_EQ(Error([](CameraFW& camera) { camera.cpu2PageErase(0, true); }), "cpu2PageErase error");
  EXPECT_TRUE(trace_.Has("PageEraseSTM32F4XX VR_STM32F4XX_FLASH_PROG_INIT failed\r\n"));
}

TEST_F(McuTest, Stm32ResetLine) {
  Open(1);
  camera_.cpu2SetToReset();
  const std::vector<LoggedRequest> log = Log(id_);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Brief(), "F3 W 1");
  EXPECT_EQ(log[0].payload, "00");
  EXPECT_EQ(sim::LoadJson(CameraFile(id_, "camera.json"))["state"]["mcu_resets"], 1);
  Set(id_, {"refuse_code=0xF3"});
  EXPECT_EQ(Error([](CameraFW& camera) { camera.cpu2SetToReset(); }), "cpu2SetToReset error");
}

// --- C2

TEST_F(McuTest, C2PageEraseWriteRead) {
  Open(0);
  camera_.c2iPageErase(3);
  std::vector<LoggedRequest> log = Log(id_);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].Brief(), "EA R 0");
  EXPECT_EQ(log[1].payload, "0006000000000000");
  EXPECT_EQ(log[2].Brief(), "EE W 0");

  const std::vector<uint8_t> image = Pattern(0x2000, 0x55);
  for (uint32_t page = 0; page < 16; ++page) camera_.c2iPageErase(page);
  Log(id_);
  camera_.c2iWrite(0, image.data(), 0x2000, true);
  log = Log(id_);
  ASSERT_EQ(log.size(), 2u + 128);
  EXPECT_EQ(log[2].Brief(), "EB W 64");
  std::vector<uint8_t> back(0x2000);
  camera_.c2iRead(0, back.data(), 0x2000, true);
  EXPECT_EQ(back, image);
  EXPECT_EQ(Memory(id_, "c2_flash.bin"), image);
  EXPECT_TRUE(trace_.Has("ZVX 5 enter\r\n"));
  Set(id_, {"refuse_code=0xEA"});
  EXPECT_EQ(Error([](CameraFW& camera) { camera.c2iPageErase(0); }),
            "c2iPageErase does not respond");
  EXPECT_EQ(Error([](CameraFW& camera) {
              uint8_t byte;
              camera.c2iRead(0, &byte, 1, true);
            }),
            "c2iRead does not respond");
}

// --- TR transfers

TEST_F(McuTest, TrFetchIsSplitAtUsb2) {
  for (bool usb2 : {false, true}) {
    SCOPED_TRACE(usb2 ? "USB 2.0" : "USB 3");
    Open(2, usb2);
    const uint8_t read[8] = {0xF2, 0, 0, 0, 0x00, 0x03, 0x00, 0x00};  // 768 bytes from 0
    ASSERT_EQ(camera_.USB_TR_SendCommand(0, read, 8, nullptr, 0, nullptr), 0);
    std::vector<uint8_t> reply(768);
    uint32_t got = 0;
    ASSERT_EQ(camera_.USB_TR_SendCommand(1, nullptr, 0, reply.data(), 768, &got), 0);
    EXPECT_EQ(got, 768u);
    EXPECT_EQ(reply, Bytes("c51_flash.bin", 0, 768));
    const std::vector<std::string> expected =
        usb2 ? std::vector<std::string>{"send 3 8", "fetch 1 432", "fetch 2 336"}
             : std::vector<std::string>{"send 3 8", "fetch 3 768"};
    EXPECT_EQ(Pieces(), expected);
    camera_.CloseCamera();
  }
}

TEST_F(McuTest, TrSendLimits) {
  Open(2, true);
  const std::vector<uint8_t> packet(763, 0x11);
  EXPECT_NE(camera_.USB_TR_SendCommand(0, packet.data(), 763, nullptr, 0, nullptr), 0);
  EXPECT_TRUE(Pieces().empty());
  EXPECT_EQ(camera_.USB_TR_SendCommand(0, packet.data(), 762, nullptr, 0, nullptr), 0);
  EXPECT_EQ(Pieces(), (std::vector<std::string>{"send 1 432", "send 2 330"}));
  EXPECT_TRUE(trace_.Has("USB_TR_SendCommand cmd:x0\n"));
}

TEST_F(McuTest, TrReplyOfExactly768BytesMeansMoreFollows) {
  Open(2);
  struct {
    uint16_t length;
    uint32_t capacity;
    int fetches;
    bool ok;
  } const cases[] = {{767, 2000, 1, true},
                     {768, 2000, 2, true},
                     {778, 2000, 2, true},
                     {768, 768, 2, true},
                     {800, 768, 2, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.length) + " into " + std::to_string(c.capacity));
    const uint8_t read[8] = {
        0xF2, 0, 0, 0, static_cast<uint8_t>(c.length), static_cast<uint8_t>(c.length >> 8), 0, 0};
    std::vector<uint8_t> reply(c.capacity);  // exactly the capacity: no room past it
    uint32_t length = 0;
    const int result = camera_.TrMcuTransaction(read, 8, reply.data(), c.capacity, 3, &length);
    int fetches = 0;
    for (const std::string& piece : Pieces()) fetches += piece.rfind("fetch", 0) == 0;
    EXPECT_EQ(fetches, c.fetches);
    EXPECT_EQ(result == 0, c.ok);
    if (c.ok) {
      EXPECT_EQ(length, c.length);
      EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + c.length),
                Bytes("c51_flash.bin", 0, c.length));
    }
  }
}

TEST_F(McuTest, C51EraseWithoutCcdOnlyProbes) {
  Open(2);
  camera_.c51Erase(0x4000);
  EXPECT_EQ(Pieces(), (std::vector<std::string>{"send 3 8", "fetch 3 260"}));
  Set(id_, {"c51_probe=false"});
  const uint64_t start = platform::GetTickCountMs();
  EXPECT_EQ(Error([](CameraFW& camera) { camera.c51Erase(0x4000); }), "c51Erase error");
  EXPECT_TRUE(
      trace_.Has("GlobalEraseFlashC51_TR: camera MCU can't be updated due to old bootloader\r\n"));
  EXPECT_GE(platform::GetTickCountMs() - start, 101u) << "101 fetches, 1 ms apart";
  int fetches = 0;
  for (const std::string& piece : Pieces()) fetches += piece.rfind("fetch", 0) == 0;
  EXPECT_EQ(fetches, 101);
}

TEST_F(McuTest, C51FlashWriteAndReadBack) {
  Open(2);
  const std::vector<uint8_t> image = Pattern(1300, 0x77);
  camera_.c51Erase(1300);
  Log(id_);
  camera_.c51WriteFlash(0, image.data(), 1300);
  EXPECT_EQ(Pieces(), (std::vector<std::string>{"send 3 8", "fetch 3 260", "send 3 520",
                                                "fetch 3 768", "send 3 520", "fetch 3 768",
                                                "send 3 284", "fetch 3 768", "send 3 8"}));
  std::vector<uint8_t> back(1300);
  camera_.c51ReadFlash(0, back.data(), 1300);
  EXPECT_EQ(back, image);
  EXPECT_EQ(Bytes("c51_flash.bin", 0, 1300), image);
  Set(id_, {"c51_probe=false"});
  EXPECT_EQ(Error([](CameraFW& camera) {
              const uint8_t byte = 0;
              camera.c51WriteFlash(0, &byte, 1);
            }),
            "c51WriteFlash does not respond");
  EXPECT_TRUE(
      trace_.Has("WriteC51Falsh_TR: camera MCU can't be updated due to old bootloader\r\n"));
}

TEST_F(McuTest, C51CcdModeErasesAndDrainsTheEcho) {
  Open(2);
  Set(id_, {"c51_ccd=true"});
  camera_.SetCcdMode(1);
  {
    std::vector<uint8_t> dirty(0x10000, 0x00);
    sim::WriteBinaryFile(CameraFile(id_, "c51_flash.bin"), dirty);
  }
  camera_.c51Erase(1000);
  const std::vector<LoggedRequest> log = Log(id_);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0].payload, "000003000B00F0A5F103030000000203E8");
  EXPECT_EQ(Bytes("c51_flash.bin", 0, 1024), std::vector<uint8_t>(1024, 0xFF));
  const std::vector<uint8_t> image = Pattern(1000, 0x21);
  camera_.c51WriteFlash(0, image.data(), 1000);
  const std::vector<std::string> pieces = Pieces();
  EXPECT_EQ(pieces.front(), "send 3 520") << "no probe in CCD mode";
  EXPECT_EQ(pieces.back(), "fetch 3 768");
  EXPECT_EQ(Bytes("c51_flash.bin", 0, 1000), image);
}

TEST_F(McuTest, CcdDrainGivesUpWhenNothingComes) {
  Open(2);
  camera_.SetCcdMode(1);  // the camera's bootloader sends no echo
  const std::vector<uint8_t> image = Pattern(600, 0x21);
  EXPECT_EQ(Error([&](CameraFW& camera) {
              const std::vector<uint8_t> data(600, 0x5A);
              camera.c51WriteFlash(0, data.data(), 600);
            }),
            "c51WriteFlash does not respond");
  int empty_fetches = 0;
  for (const std::string& piece : Pieces()) empty_fetches += piece == "fetch 3 768";
  EXPECT_GE(empty_fetches, 1000);
  EXPECT_LT(empty_fetches, 1010);
}

TEST_F(McuTest, C51EepromAndVersions) {
  Open(2);
  const std::vector<uint8_t> data = Pattern(700, 0x42);
  camera_.WriteEepromC51_TR(0x100, data.data(), 700);
  EXPECT_EQ(Pieces(),
            (std::vector<std::string>{"send 3 520", "fetch 3 512", "send 3 196", "fetch 3 512"}));
  std::vector<uint8_t> back(700);
  camera_.ReadEepromC51_TR(0x100, back.data(), 700);
  EXPECT_EQ(back, data);
  EXPECT_EQ(Bytes("c51_eeprom.bin", 0x100, 700), data);
  Set(id_, {"c51_flash_version=02.0B", "c51_eeprom_version=01.07"});
  EXPECT_EQ(camera_.GetC51FlashVersion() & 0xFFFF, 0x020Bu);
  EXPECT_EQ(camera_.GetC51EepromVersion() & 0xFFFF, 0x0107u);
  Set(id_, {"refuse_code=0x91"});
  EXPECT_EQ(Error([](CameraFW& camera) {
              uint8_t byte;
              camera.ReadEepromC51_TR(0, &byte, 1);
            }),
            "ReadEepromC51_TR does not respond");
}

}  // namespace
