// A new virtual USB3 camera's memory as the bench tool leaves it, and changes
// to its settings.

#include <stdexcept>

#include "VirtualBench.h"

namespace {

using usb3test::VirtualBench;

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

struct KindCase {
  int kind;
  uint32_t flash_size;
  std::vector<uint32_t> regions;  // FPGA1, auxiliary, XMLMAN, FPGA2, second auxiliary
};

void PrintTo(const KindCase& c, std::ostream* os) {
  *os << "kind " << c.kind;
}

class MemoryMap : public VirtualBench, public ::testing::WithParamInterface<KindCase> {};

TEST_P(MemoryMap, RecordOfTheKindAt0x40000) {
  sim::Usb3CameraOptions options;
  options.kind = GetParam().kind;
  const int id = AddCamera(options, false);
  const std::vector<uint8_t> flash = Memory(id, "spi_flash.bin");
  ASSERT_EQ(flash.size(), GetParam().flash_size);
  std::vector<uint32_t> words;
  for (size_t at = 0x40000; at < 0x40000 + 96; at += 4) words.push_back(Le32(flash, at));
  std::vector<uint32_t> expected = {
      1, 96, 0, GetParam().flash_size, 0, 0x40000, 0x40000, 0x10000, 0x50000, 0x10000};
  expected.insert(expected.end(), GetParam().regions.begin(), GetParam().regions.end());
  expected.resize(24, 0);
  EXPECT_EQ(words, expected);
  // Everything outside the two records is erased.
  EXPECT_EQ(std::count(flash.begin(), flash.begin() + 0x40000, 0xFF), 0x40000);
  EXPECT_EQ(std::count(flash.begin() + 0x60000, flash.end(), 0xFF),
            static_cast<long>(flash.size() - 0x60000));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MemoryMap,
    ::testing::Values(
        KindCase{
            0,
            0x400000,
            {0x60000, 0xA0000, 0x100000, 0x100000, 0x200000, 0x40000, 0x240000, 0xA0000, 0, 0}},
        KindCase{
            1,
            0x800000,
            {0x60000, 0x300000, 0x360000, 0x200000, 0x560000, 0x80000, 0x60000, 0x300000, 0, 0}},
        KindCase{
            2,
            0x400000,
            {0x60000, 0xA0000, 0x100000, 0x100000, 0x200000, 0x40000, 0x240000, 0xA0000, 0, 0}},
        KindCase{
            3, 0x400000, {0x60000, 0xA0000, 0x100000, 0x200000, 0x300000, 0x40000, 0, 0, 0, 0}},
        KindCase{
            4, 0x400000, {0, 0, 0x60000, 0x1A0000, 0x200000, 0x80000, 0, 0, 0x280000, 0x10000}}),
    [](const auto& info) { return "Kind" + std::to_string(info.param.kind); });

TEST_F(VirtualBench, InformationPartitionHoldsSerialsAndFlags) {
  sim::Usb3CameraOptions options;
  options.sn = "QZCAM2401ABC";
  options.info_format = 2;
  options.device_flags = 5;
  int id = AddCamera(options, false);
  std::vector<uint8_t> flash = Memory(id, "spi_flash.bin");
  EXPECT_EQ(Le32(flash, 0x50000), 2u);
  EXPECT_EQ(Le32(flash, 0x50004), 304u);
  EXPECT_EQ(Le32(flash, 0x50000 + 288), 5u);
  // Q Z C A M in 5-bit fields, 24 above them; 01, then A B C of base32hex.
  EXPECT_EQ(Le32(flash, 0x50000 + 292), 0x30C00B30u);
  EXPECT_EQ(Le32(flash, 0x50000 + 296), 0x000C5A81u);

  options.sn.clear();
  options.legacy_sn = "12345678";
  options.info_format = 1;
  id = AddCamera(options, false);
  flash = Memory(id, "spi_flash.bin");
  EXPECT_EQ(Le32(flash, 0x50000), 1u);
  EXPECT_EQ(Le32(flash, 0x50000 + 12), 0x12345678u);
  EXPECT_EQ(Le32(flash, 0x50000 + 292), 0xFFFFFFFFu) << "no packed serial in format 1";
  EXPECT_EQ(sim::Usb3ListLine(bench(), id).substr(0, 16), "usb3 1 12345678 ");
}

TEST_F(VirtualBench, BadOptionsAndSettingsChangeNothing) {
  const auto refused = [&](sim::Usb3CameraOptions options) {
    EXPECT_THROW(sim::AddUsb3Camera(bench(), options), std::runtime_error);
  };
  sim::Usb3CameraOptions options;
  options.kind = 5;
  refused(options);
  options = {};
  options.sn = "qZCAM2401ABC";
  refused(options);
  options.sn = "QZCAM24X1ABC";
  refused(options);
  options.sn = "QZCAM2464ABC";  // second number above 63
  refused(options);
  options = {};
  options.controller_version = "4.22";
  refused(options);
  EXPECT_TRUE(sim::ListCameraIds(bench(), "usb3").empty()) << "no half-made camera is left";

  const int id = AddCamera({}, false);
  const std::string before = sim::LoadJson(CameraFile(id, "camera.json")).dump();
  for (const char* setting : {"bogus=1", "usb2=yes", "fpga.128=1", "refuse_code=256",
                              "stm32_uid=12", "mcu_channel=c3", "pending"}) {
    EXPECT_THROW(Set(id, {"pending=3", setting}), std::runtime_error) << setting;
  }
  EXPECT_EQ(sim::LoadJson(CameraFile(id, "camera.json")).dump(), before);
  Set(id, {"refuse_code=0xE6", "pending_code=any", "location_paths=none", "fpga.7=0x1234"});
  const nlohmann::json json = sim::LoadJson(CameraFile(id, "camera.json"));
  EXPECT_EQ(json["refuse_code"], 0xE6);
  EXPECT_EQ(json["pending_code"], -1);
  EXPECT_TRUE(json["location_paths"].is_null());
  EXPECT_EQ(json["fpga_registers"]["7"], 0x1234);
}

}  // namespace
