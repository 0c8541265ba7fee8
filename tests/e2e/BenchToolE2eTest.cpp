// The bench tool's verbs for API cameras, run as a process.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "E2e.h"

namespace {

using testsupport::RunResult;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(BenchToolE2e, AddsListsShowsAndSetsApiCameras) {
  e2e::Bench bench;
  std::ofstream(bench.path() / "cpu1.bin", std::ios::binary) << "firmware";
  EXPECT_EQ(
      bench.Tool({"add-api", "--model", "TV450KT-LN-W", "--ffs", "File_FW_CPU1=cpu1.bin"}).out,
      "0\n");
  EXPECT_EQ(bench
                .Tool({"add-api", "--model", "TR083KT-Q4-RSE", "--sn", "ABCDE1234FGH", "--path",
                       "P1", "--location", "L1", "--device-id", "D1", "--model-id", "0x12"})
                .out,
            "1\n");
  EXPECT_EQ(bench.Tool({"list"}).out,
            "api 0 QZSIM1234000 TV450KT-LN-W SIM#QZAPI#0\n"
            "api 1 ABCDE1234FGH TR083KT-Q4-RSE P1\n");

  ASSERT_EQ(bench
                .Tool({"set", "api", "1", "faults.fail_opens=3", "versions.mcu1=02.05",
                       "units.7.1=0x30161", "faults.key_status.led_mode=12"})
                .exit_code,
            0);
  const std::string shown = bench.Tool({"show", "api", "1"}).out;
  for (const char* part : {"\"fail_opens\": 3", "\"mcu1\": \"02.05\"", "\"1\": 196961",
                           "\"led_mode\": 12", "\"location\": \"L1\"", "\"model_id\": 18"})
    EXPECT_NE(shown.find(part), std::string::npos) << part << "\n" << shown;
  EXPECT_NE(bench.Tool({"show", "api", "0"}).out.find("\"File_FW_CPU1\": 8"), std::string::npos);

  // An empty value removes a map entry.
  ASSERT_EQ(bench.Tool({"set", "api", "1", "faults.key_status.led_mode="}).exit_code, 0);
  EXPECT_EQ(bench.Tool({"show", "api", "1"}).out.find("\"led_mode\""), std::string::npos);
}

TEST(BenchToolE2e, RefusesBadRequestsWithAMessage) {
  e2e::Bench bench;
  ASSERT_EQ(bench.Tool({"add-api", "--model", "TV450KT-LN-W"}).exit_code, 0);
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"add-api"}, "qzcamsim: add-api needs --model NAME\n"},
      {{"add-api", "--model", "M", "--ffs", "X=missing.bin"},
       "qzcamsim: cannot read missing.bin\n"},
      {{"set", "api", "0", "bogus=1"}, "qzcamsim: unknown setting: bogus (see qzcamsim help)\n"},
      {{"set", "api", "0", "model_id=ten"}, "qzcamsim: bad number for model_id: ten\n"},
      {{"set", "api", "0", "golden=maybe"},
       "qzcamsim: bad value for golden: maybe (true or false)\n"},
      {{"show", "api", "5"}, "qzcamsim: no API camera 5 on the bench\n"},
      {{"ffs-get", "0", "NoSuchFile", "out.bin"},
       "qzcamsim: API camera 0 has no flash file NoSuchFile\n"},
      {{"ffs-put", "0", "../x", "out.bin"}, "qzcamsim: bad flash file name: ../x\n"},
      {{"encrypt", "only-one"}, "qzcamsim: encrypt needs PLAIN OUT\n"},
  };
  for (const Case& c : cases) {
    const RunResult run = bench.Tool(c.args);
    EXPECT_EQ(run.exit_code, 1) << c.args[0];
    EXPECT_EQ(run.err, c.err);
  }
  // Refused adds leave no camera behind.
  EXPECT_EQ(bench.Tool({"list"}).out, "api 0 QZSIM1234000 TV450KT-LN-W SIM#QZAPI#0\n");
}

TEST(BenchToolE2e, FlashFilesGoInAndOutUnchanged) {
  e2e::Bench bench;
  ASSERT_EQ(bench.Tool({"add-api", "--model", "TV450KT-LN-W"}).exit_code, 0);
  std::string content(3000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 13);
  std::ofstream(bench.path() / "in.bin", std::ios::binary) << content;
  ASSERT_EQ(bench.Tool({"ffs-put", "0", "UserSet1", "in.bin"}).exit_code, 0);
  ASSERT_EQ(bench.Tool({"ffs-get", "0", "UserSet1", "out.bin"}).exit_code, 0);
  EXPECT_EQ(ReadFile(bench.path() / "out.bin"), content);
  EXPECT_EQ(ReadFile(bench.path() / "api/0/ffs/UserSet1"), content);
}

TEST(BenchToolE2e, HelpListsEveryFault) {
  e2e::Bench bench;
  const std::string help = bench.Tool({"help"}).out;
  for (const char* word :
       {"add-api", "ffs-get", "ffs-put", "encrypt PLAIN OUT", "faults.fail_opens=N",
        "faults.key_status.KEY=S", "faults.cut_write=K", "faults.absent_after_reset_ms=T"})
    EXPECT_NE(help.find(word), std::string::npos) << word;
}

}  // namespace
