// The simulated platform homes: trace channel, virtual clock, console events and
// standard input.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

#include <unistd.h>

#include "ProcessRunner.h"
#include "TracePrint.h"
#include "platform/clock.h"
#include "platform/console.h"

namespace {

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(TraceChannel, AppendsToTheBenchTraceLog) {
  testsupport::TempDir bench;
  setenv("QZCAM_BENCH", bench.path().c_str(), 1);
  TracePrint("u3VrReq received pending %dms\n", 3000);
  TracePrint("%s", "second\r\n");
  unsetenv("QZCAM_BENCH");
  TracePrint("discarded without a bench\n");
  EXPECT_EQ(ReadFile(bench.path() / "trace.log"), "u3VrReq received pending 3000ms\nsecond\r\n");
}

TEST(TraceChannel, CutsAtItsBuffer) {
  testsupport::TempDir bench;
  setenv("QZCAM_BENCH", bench.path().c_str(), 1);
  TracePrint("%s", std::string(2000, 'x').c_str());
  unsetenv("QZCAM_BENCH");
  EXPECT_EQ(ReadFile(bench.path() / "trace.log"), std::string(1023, 'x'));
}

TEST(VirtualClock, SleepAdvancesTicksWithoutWaiting) {
  const auto real_start = std::chrono::steady_clock::now();
  const uint64_t start = platform::GetTickCountMs();
  platform::SleepMs(40000);
  platform::SleepMs(1);
  EXPECT_EQ(platform::GetTickCountMs() - start, 40001u);
  EXPECT_LT(std::chrono::steady_clock::now() - real_start, std::chrono::seconds(5));
}

std::mutex g_event_mutex;
std::condition_variable g_event_seen;
std::atomic<int> g_last_event{-1};

bool RecordEvent(uint32_t event) {
  std::lock_guard<std::mutex> lock(g_event_mutex);
  g_last_event = static_cast<int>(event);
  g_event_seen.notify_all();
  return true;
}

TEST(ConsoleEvents, HandledInterruptReachesHandlerAndKeepsProcess) {
  ASSERT_TRUE(platform::GetConsole().AddControlHandler(RecordEvent));
  const std::pair<int, int> signals[] = {{SIGINT, 0}, {SIGTERM, 6}, {SIGHUP, 2}};
  for (const auto& [signo, event] : signals) {
    std::unique_lock<std::mutex> lock(g_event_mutex);
    g_last_event = -1;
    std::raise(signo);
    EXPECT_TRUE(g_event_seen.wait_for(lock, std::chrono::seconds(10), [&] {
      return g_last_event == event;
    })) << signo;
  }
}

TEST(ConsoleInput, ReadsOneLineAtMostMaxChars) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string input = "yes please\nsecond\nlast";
  ASSERT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(fds[1]);
  const int saved = dup(0);
  dup2(fds[0], 0);
  close(fds[0]);

  platform::Console& console = platform::GetConsole();
  std::string line;
  EXPECT_TRUE(console.ReadLine(line, 3));
  EXPECT_EQ(line, "yes");
  EXPECT_TRUE(console.ReadLine(line, 99));
  EXPECT_EQ(line, " please");
  EXPECT_TRUE(console.ReadLine(line, 99));
  EXPECT_EQ(line, "second");
  EXPECT_TRUE(console.ReadLine(line, 99));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(console.ReadLine(line, 99));
  EXPECT_EQ(line, "");

  dup2(saved, 0);
  close(saved);
  std::clearerr(stdin);
}

}  // namespace
