// Two processes on one camera: the device lock keeps their request sequences
// from interleaving.

#include <thread>

#include "VirtualBench.h"

namespace {

using usb3test::VirtualBench;

TEST_F(VirtualBench, TwoProcessesNeverInterleaveALockedSequence) {
  const int id = AddCamera({}, false);
  Set(id, {"fpga.5=0"});
  constexpr int kEach = 150;
  testsupport::RunOptions options;
  options.env = {{"QZCAM_BENCH", bench().string()}};
  testsupport::RunResult results[2];
  std::thread first([&] {
    results[0] = testsupport::RunProgram(USB3_HAMMER_PATH, {std::to_string(kEach), "5"}, options);
  });
  std::thread second([&] {
    results[1] = testsupport::RunProgram(USB3_HAMMER_PATH, {std::to_string(kEach), "5"}, options);
  });
  first.join();
  second.join();
  for (const testsupport::RunResult& r : results) EXPECT_EQ(r.exit_code, 0) << r.err;
  const nlohmann::json json = sim::LoadJson(CameraFile(id, "camera.json"));
  EXPECT_EQ(json["fpga_registers"]["5"].get<int>(), 2 * kEach);
}

}  // namespace
