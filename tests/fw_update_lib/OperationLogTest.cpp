// The operation log kept in the camera, over the virtual API cameras of an
// in-process bench. Archives are read back with Python's zipfile and unzip.

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "ApiBench.h"
#include "FW_Updater.h"
#include "api/FW_Updater_FAPI.h"
#include "platform/clock.h"
#include "platform/text_exception.h"
#include "simulator/FirmwareCipher.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Local time stands still at 2024-03-05 07:08:09.
class FixedClock : public platform::Clock {
 public:
  void SleepMs(uint32_t) override {}
  uint64_t TickCountMs() override { return 0; }
  std::tm LocalTime() override {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    return t;
  }
};

const std::string kStamp = "[2024-03-05 070809] ";

class OperationLogTest : public testing::Test {
 protected:
  OperationLogTest() : previous_clock_(platform::SetClock(&clock_)) {}
  ~OperationLogTest() override { platform::SetClock(previous_clock_); }

  std::string File(const std::string& name, const Bytes& content) {
    const std::string path = (bench_.path() / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
    return path;
  }

  std::filesystem::path LogPath(int id) const {
    return bench_.Ffs(id, FW_Updater::kOperationLogFile);
  }

  // What Python's zipfile finds in the camera's archive: entry names and
  // compression methods, then the entry's bytes (a zero byte shown as "\0").
  std::string ArchiveSeenByPython(int id) const {
    const testsupport::RunResult run = testsupport::RunProgram(
        "/usr/bin/python3",
        {"-c",
         "import sys, zipfile\n"
         "z = zipfile.ZipFile(sys.argv[1])\n"
         "print(' '.join('%s/%d' % (i.filename, i.compress_type) for i in z.infolist()))\n"
         "sys.stdout.write(z.read('FwOperationLog.txt').decode().replace('\\0', '\\\\0'))\n",
         LogPath(id).string()});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return run.out;
  }

  // The log text, as the camera's archive holds it.
  std::string Logged(int id) const {
    const std::string seen = ArchiveSeenByPython(id);
    EXPECT_EQ(seen.substr(0, seen.find('\n') + 1), "FwOperationLog.txt/8\n");  // deflated
    return seen.substr(seen.find('\n') + 1);
  }

  // Runs `log` and returns what it printed.
  template <typename F>
  std::string Printed(F log) {
    testing::internal::CaptureStdout();
    log();
    return testing::internal::GetCapturedStdout();
  }

  FW_Updater_FAPI& Updater(int camera) {
    updater_.SelectCameraOnBus(camera);
    return updater_;
  }

  testsupport::ApiBench bench_;
  FixedClock clock_;
  platform::Clock* previous_clock_;
  FW_Updater_FAPI updater_;
};

TEST_F(OperationLogTest, FirstLineStartsTheLogAndLaterLinesFollowInOrder) {
  const int id = bench_.AddCamera();
  FW_Updater& updater = Updater(id);
  EXPECT_EQ(Printed([&] { updater.LogOperationMessage("Firmware Updater %s started", "V3.78"); }),
            "");
  EXPECT_EQ(Logged(id), kStamp + "Firmware Updater V3.78 started\\0");
  updater.LogFirmwareOperation(FW_TYPE_EEPROM1_VER, "started");
  updater.LogOperationMessage("Firmware Updater %s finished", "V3.78");
  EXPECT_EQ(Logged(id), kStamp + "Firmware Updater V3.78 started\n" + kStamp +
                            "FW prog of EEPROM1_VER started\n" + kStamp +
                            "Firmware Updater V3.78 finished\\0");
  const testsupport::RunResult unzip =
      testsupport::RunProgram("/usr/bin/unzip", {"-t", LogPath(id).string()});
  EXPECT_EQ(unzip.exit_code, 0) << unzip.out;
}

// The middle field is the start of the MD5 of the deciphered payload; md5sum
// of the plain bytes witnesses it.
TEST_F(OperationLogTest, FirmwareLineCarriesTheDigestOfThePlainPayload) {
  const int id = bench_.AddCamera();
  std::mt19937 random(1);
  Bytes plain(3000);
  for (uint8_t& b : plain) b = static_cast<uint8_t>(random());
  const std::string plain_file = File("plain.bin", plain);
  const std::string enciphered = File("fw.bin", sim::EncipherFirmware(plain));
  const testsupport::RunResult md5 = testsupport::RunProgram("/usr/bin/md5sum", {plain_file});
  ASSERT_EQ(md5.exit_code, 0);
  const std::string digest = md5.out.substr(0, 10);

  FW_Updater& updater = Updater(id);
  updater.SetFileName(enciphered.c_str());
  updater.LogFirmwareOperation(FW_TYPE_CPU1, "started");
  FW_Updater_FAPI plain_updater;
  plain_updater.SelectCameraOnBus(id);
  plain_updater.SetFileName(plain_file.c_str());
  plain_updater.SetPlainFile();
  plain_updater.LogFirmwareOperation(FW_TYPE_FPGA1, "finished");
  EXPECT_EQ(Logged(id), kStamp + "FW prog of CPU1 [" + digest + "] started\n" + kStamp +
                            "FW prog of FPGA1 [" + digest + "] finished\\0");
}

TEST_F(OperationLogTest, TypesWithoutFileOrWithValuesCarryNoDigest) {
  const int id = bench_.AddCamera();
  const std::string file = File("value.bin", Bytes(100, 1));
  struct Case {
    int32_t type;
    bool value_as_hex;
    std::string line;
  };
  const Case cases[] = {
      {FW_TYPE_SN, false, "FW prog of SN started"},
      {FW_TYPE_SSN, false, "FW prog of SSN started"},
      {FW_TYPE_DEVVER, false, "FW prog of DEVVER started"},
      {FW_TYPE_PFFS, false, "FW prog of PFFS started"},
      {FW_TYPE_FFC, false, "FW prog of FFC started"},
      {FW_TYPE_USET1, false, "FW prog of USET1 started"},
      {FW_TYPE_FLAG_CPU2_PREPARE, false, "FW prog of  started"},
      // A value given in place of the file name is no file to read.
      {FW_TYPE_CPU1, true, "FW prog of CPU1 started"},
  };
  std::string expected;
  for (const Case& c : cases) {
    FW_Updater_FAPI updater;
    updater.SelectCameraOnBus(id);
    updater.SetFileName(c.value_as_hex ? "A1B2" : file.c_str());
    if (c.value_as_hex) updater.SetFileNameIsHex(true);
    updater.SetPlainFile();
    updater.LogFirmwareOperation(c.type, "started");
    expected += (expected.empty() ? "" : "\n") + kStamp + c.line;
  }
  EXPECT_EQ(Logged(id), expected + "\\0");
}

TEST_F(OperationLogTest, UnreadableFirmwareFileLogsNothing) {
  const int id = bench_.AddCamera();
  Bytes bad = sim::EncipherFirmware(Bytes(50, 7));
  bad.back() ^= 1;
  struct Case {
    Bytes content;
    std::string printed;
  };
  const Case cases[] = {
      {bad, "LogFirmwareOperation: Error file checksum"},
      {sim::EncipherFirmware({}), "LogFirmwareOperation: Error zero size of file"},
  };
  for (const Case& c : cases) {
    FW_Updater& updater = Updater(id);
    const std::string path = File("fw.bin", c.content);
    updater.SetFileName(path.c_str());
    EXPECT_EQ(Printed([&] { updater.LogFirmwareOperation(FW_TYPE_CPU1, "started"); }), c.printed);
  }
  FW_Updater& updater = Updater(id);
  updater.SetFileName("missing.bin");
  EXPECT_THROW(
      {
        try {
          updater.LogFirmwareOperation(FW_TYPE_CPU1, "started");
        } catch (const TextException& e) {
          EXPECT_STREQ(e.what(), "LoadFile - Can not open fw file");
          throw;
        }
      },
      TextException);
  EXPECT_FALSE(std::filesystem::exists(LogPath(id)));
}

TEST_F(OperationLogTest, DamagedArchiveIsReplacedByTheNewLine) {
  const int id = bench_.AddCamera();
  // An archive whose entry has another name, made by Python.
  const std::string other = (bench_.path() / "other.zip").string();
  ASSERT_EQ(
      testsupport::RunProgram("/usr/bin/python3",
                              {"-c",
                               "import sys, zipfile\n"
                               "zipfile.ZipFile(sys.argv[1], 'w').writestr('notes.txt', 'old')\n",
                               other})
          .exit_code,
      0);
  // An archive without entries: the end-of-directory record alone.
  Bytes empty = {'P', 'K', 5, 6};
  empty.resize(22, 0);
  struct Case {
    Bytes stored;
    std::string printed;
  };
  const Case cases[] = {
      {Bytes{'n', 'o', 't', ' ', 'z', 'i', 'p'},
       "FW_Updater::UnpackFwLog ERROR: Failed to open firmware logs archive file."},
      {empty, "FW_Updater::UnpackFwLog ERROR: Firmware logs archive file is empty."},
      {sim::ReadBinaryFile(other),
       "FW_Updater::UnpackFwLog ERROR: Failed to load log text file from archive."},
  };
  for (const Case& c : cases) {
    bench_.WriteFfs(id, FW_Updater::kOperationLogFile, c.stored);
    FW_Updater& updater = Updater(id);
    EXPECT_EQ(Printed([&] { updater.LogOperationMessage("line %d", 2); }), c.printed);
    EXPECT_EQ(Logged(id), kStamp + "line 2\\0");
  }
}

TEST_F(OperationLogTest, WithoutSelectionNothingIsLogged) {
  const int id = bench_.AddCamera();
  FW_Updater updater;
  EXPECT_EQ(Printed([&] { updater.LogOperationMessage("x"); }),
            "Unable to open camera for firmware operation logging.\n");
  EXPECT_FALSE(std::filesystem::exists(LogPath(id)));
}

TEST_F(OperationLogTest, LogReachesTheCameraTheUpdaterSelected) {
  bench_.AddCamera();
  const int id = bench_.AddCamera();
  const std::vector<void (*)(FW_Updater_FAPI&)> selections = {
      [](FW_Updater_FAPI& u) { u.SelectCameraOnBus(1); },
      [](FW_Updater_FAPI& u) { u.SelectCameraBySN("QZSIM1234001"); },
      [](FW_Updater_FAPI& u) { u.SelectCameraByPath("SIM#QZAPI#1"); },
      [](FW_Updater_FAPI& u) { u.SelectCameraByLocation("PCIROOT(0)#PCI(200)"); },
  };
  std::string expected;
  for (size_t i = 0; i < selections.size(); ++i) {
    FW_Updater_FAPI updater;
    selections[i](updater);
    updater.LogOperationMessage("selection %zu", i);
    expected += (i == 0 ? "" : "\n") + kStamp + "selection " + std::to_string(i);
  }
  EXPECT_EQ(Logged(id), expected + "\\0");
  EXPECT_FALSE(std::filesystem::exists(LogPath(0)));
}

// Every camera API failure is printed and the caller goes on.
TEST_F(OperationLogTest, CameraApiFailuresArePrintedAndSwallowed) {
  struct Case {
    const char* key;
    int status;
    std::string printed;
    bool history_kept;
  };
  const Case cases[] = {
      {"write_file_ffs", 8,
       "qzAPIplus-Error 8:Write block error (qzAPIplus_Camera::SetQZAPIParamStr - "
       "write_file_ffs)\n",
       true},
      {"read_file_ffs", 7,
       "qzAPIplus-Error 7:Read block error (qzAPIplus_Camera::GetReadFileFFS)\n", true},
      {"ffs_file_name", 112,
       "qzAPIplus-Error 112:FFS file selector is invalid or NULL "
       "(qzAPIplus_Camera::SetFFSFileName)\n",
       true},
      // A size that cannot be read counts as no log: the history is replaced.
      {"ffs_file_size", 2, "", false},
      // A camera that is not there is left alone.
      {"isexist", 2, "", true},
  };
  for (const Case& c : cases) {
    const int id = bench_.AddCamera();
    Updater(id).LogOperationMessage("first");
    bench_.Set(id, std::string("/faults/key_status/") + c.key, c.status);
    EXPECT_EQ(Printed([&] { Updater(id).LogOperationMessage("second"); }), c.printed) << c.key;
    EXPECT_EQ(Logged(id), kStamp + (c.history_kept ? "first" : "second") + "\\0") << c.key;
  }
  EXPECT_EQ(Printed([&] { Updater(9).LogOperationMessage("x"); }),
            "qzAPIplus-Error 56:No Devices Found (qzAPIplus_Camera::OpenByID)\n");
}

TEST_F(OperationLogTest, SensorInitSettingIsLeftAsItWas) {
  const int id = bench_.AddCamera();
  for (int before : {0, 1}) {
    ASSERT_EQ(qzSetParamInt(nullptr, "cam_sensor_init_disabled", before), 0);
    Updater(id).LogOperationMessage("x");
    int after = -1;
    ASSERT_EQ(qzGetParamInt(nullptr, "cam_sensor_init_disabled", &after), 0);
    EXPECT_EQ(after, before);
  }
}

TEST_F(OperationLogTest, ArchiveRoundTripKeepsTheTerminatingZero) {
  const std::string text = "[a] one\n[b] two";
  const Bytes archive = FW_Updater::PackFwLog(text);
  ASSERT_FALSE(archive.empty());
  Bytes content;
  ASSERT_TRUE(FW_Updater::UnpackFwLog(archive.data(), archive.size(), content));
  Bytes expected(text.begin(), text.end());
  expected.push_back(0);
  EXPECT_EQ(content, expected);
}

TEST_F(OperationLogTest, TimeStampHasNoSeparatorsInTheTime) {
  EXPECT_EQ(FW_Updater::MakeTimeStamp(), "2024-03-05 070809");
}

}  // namespace
