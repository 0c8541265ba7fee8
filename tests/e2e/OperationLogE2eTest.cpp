// Runs of the updater against benches with virtual API cameras: the log the
// runs leave in the camera, enciphered files made by the bench tool, and the
// camera API's count of cameras.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "E2e.h"

namespace {

using e2e::Failed;
using e2e::kBanner;
using testsupport::RunResult;

const std::string kUpdateRefused =
    Failed("Function UpdateFirmware is not implemented for this camera.");

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ApiCameraBench : public testing::Test {
 protected:
  void SetUp() override {
    const RunResult add = bench_.Tool({"add-api", "--model", "TV450KT-LN-W"});
    ASSERT_EQ(add.exit_code, 0) << add.err;
    ASSERT_EQ(add.out, "0\n");
  }

  // The log text held by camera 0, read by Python's zipfile from a copy taken
  // with the bench tool; "" when the camera holds no log.
  std::string LogText() {
    const std::filesystem::path copy = bench_.path() / "log_copy.zip";
    std::filesystem::remove(copy);
    if (bench_.Tool({"ffs-get", "0", "FwOperationLog.zip", copy.string()}).exit_code != 0)
      return "";
    const RunResult unzip = testsupport::RunProgram("/usr/bin/unzip", {"-t", copy.string()});
    EXPECT_EQ(unzip.exit_code, 0) << unzip.out;
    const RunResult read = testsupport::RunProgram(
        "/usr/bin/python3", {"-c",
                             "import sys, zipfile\n"
                             "z = zipfile.ZipFile(sys.argv[1])\n"
                             "assert z.namelist() == ['FwOperationLog.txt'], z.namelist()\n"
                             "data = z.read('FwOperationLog.txt')\n"
                             "assert data.endswith(b'\\0'), data\n"
                             "sys.stdout.write(data[:-1].decode())\n",
                             copy.string()});
    EXPECT_EQ(read.exit_code, 0) << read.err;
    return read.out;
  }

  e2e::Bench bench_;
};

const std::regex kStartedLine(R"(\[\d{4}-\d\d-\d\d \d{6}\] Firmware Updater V3\.78 started)");

TEST_F(ApiCameraBench, EveryProgRunAppendsItsStartToTheCameraLog) {
  WriteFile(bench_.path() / "devver.bin", "device version 1");
  const std::string transcript =
      "Performing operation 1 on firmware type 302\nChecksum OK\nProgramming\n" + kUpdateRefused;
  for (int run = 1; run <= 2; ++run) {
    const RunResult result =
        bench_.Updater({"prog", "DEVVER", "devver.bin", "--plain_file", "--qzapi"});
    EXPECT_EQ(result.out, kBanner + transcript) << run;
    EXPECT_EQ(result.exit_code, 1);
    const std::string log = LogText();
    const size_t lines = static_cast<size_t>(std::count(log.begin(), log.end(), '\n')) + 1;
    EXPECT_EQ(lines, static_cast<size_t>(run)) << log;
    std::istringstream stream(log);
    for (std::string line; std::getline(stream, line);)
      EXPECT_TRUE(std::regex_match(line, kStartedLine)) << line;
  }
}

// A power cut in the second run's write leaves half an archive; the third run
// reports it and starts a new log.
TEST_F(ApiCameraBench, HalfWrittenArchiveIsReportedAndReplaced) {
  ASSERT_EQ(bench_.Tool({"set", "api", "0", "faults.cut_write=2"}).exit_code, 0);
  WriteFile(bench_.path() / "devver.bin", "v");
  const std::vector<std::string> prog = {"prog", "DEVVER", "devver.bin", "--plain_file", "--qzapi"};
  const std::string head =
      "Performing operation 1 on firmware type 302\nChecksum OK\nProgramming\n";

  EXPECT_EQ(bench_.Updater(prog).out, kBanner + head + kUpdateRefused);
  const std::string whole = ReadFile(bench_.path() / "api/0/ffs/FwOperationLog.zip");
  EXPECT_EQ(bench_.Updater(prog).out,
            kBanner + head +
                "qzAPIplus-Error 8:Write block error (qzAPIplus_Camera::SetQZAPIParamStr - "
                "write_file_ffs)\n" +
                kUpdateRefused);
  EXPECT_LT(ReadFile(bench_.path() / "api/0/ffs/FwOperationLog.zip").size(), whole.size());
  EXPECT_EQ(bench_.Updater(prog).out,
            kBanner + head +
                "FW_Updater::UnpackFwLog ERROR: Failed to open firmware logs archive file." +
                kUpdateRefused);
  const std::string log = LogText();
  EXPECT_TRUE(std::regex_match(log, kStartedLine)) << log;
}

TEST_F(ApiCameraBench, InfoThroughTheCameraApiFailsCleanly) {
  ASSERT_EQ(bench_.Tool({"add-api", "--model", "TR083KT-Q4-RSE"}).out, "1\n");
  const RunResult one = bench_.Updater({"info", "CPU1", "--qzapi"});
  EXPECT_EQ(one.out, kBanner + "Performing operation 3 on firmware type 1\nGetting version info\n" +
                         Failed("Function GetCurrentFirmwareVersion is not implemented for this "
                                "camera."));
  // The camera API counts both cameras for the all-cameras loop.
  const RunResult all = bench_.Updater({"info", "CPU1", "--qzapi", "--allcameras"});
  const std::string first = "----------------------------------\nSelected camera id:0 (total:2)\n";
  EXPECT_EQ(all.out.substr(kBanner.size(), first.size()), first);
  EXPECT_EQ(all.exit_code, 1);
}

TEST(EncipheredFileE2e, BenchToolMakesFilesThePreCheckAccepts) {
  e2e::Bench bench;
  std::string plain(5000, '\0');
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 7 + i / 256);
  WriteFile(bench.path() / "plain.bin", plain);
  ASSERT_EQ(bench.Tool({"encrypt", "plain.bin", "fw.bin"}).exit_code, 0);
  const std::string enciphered = ReadFile(bench.path() / "fw.bin");
  ASSERT_EQ(enciphered.size(), plain.size() + 4);
  EXPECT_NE(enciphered.substr(0, plain.size()), plain);

  const std::string no_camera_log =
      "qzAPIplus-Error 56:No Devices Found (qzAPIplus_Camera::OpenByID)\n";
  EXPECT_EQ(bench.Updater({"prog", "CPU1", "fw.bin"}).out,
            kBanner + "Performing operation 1 on firmware type 1\nChecksum OK\nProgramming\n" +
                no_camera_log + kUpdateRefused);
  EXPECT_EQ(bench.Updater({"verify", "CPU1", "fw.bin"}).out,
            kBanner + "Performing operation 2 on firmware type 1\nChecksum OK\nVerify\n" +
                Failed("Function VerifyFirmware is not implemented for this camera."));

  std::string damaged = enciphered;
  damaged[100] ^= 1;
  WriteFile(bench.path() / "damaged.bin", damaged);
  EXPECT_EQ(
      bench.Updater({"prog", "CPU1", "damaged.bin"}).out,
      kBanner + "Performing operation 1 on firmware type 1\n" + Failed("Error checksum file"));
  EXPECT_EQ(
      bench.Updater({"prog", "CPU1", "plain.bin", "--hexfileformat"}).out,
      kBanner + "Performing operation 1 on firmware type 1\n" + Failed("Error checksum file"));
}

}  // namespace
