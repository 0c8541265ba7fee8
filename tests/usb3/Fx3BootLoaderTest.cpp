// The FX3 boot image loader against a virtual camera's RAM boot loader.

#include "VirtualBench.h"
#include "platform/text_exception.h"
#include "usb3/CameraFW.h"
#include "usb3/Fx3BootLoader.h"

namespace {

using usb3test::LoggedRequest;
using usb3test::VirtualBench;

void Put32(std::vector<uint8_t>& image, uint32_t value) {
  for (int i = 0; i < 4; ++i) image.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

struct Section {
  uint32_t address;
  uint32_t words;
};

// A boot image: "CY", two header bytes, the sections (word i of a section
// holds address + i), the terminator, the entry address and the checksum.
std::vector<uint8_t> Image(const std::vector<Section>& sections, uint32_t entry,
                           int64_t checksum = -1, bool terminator = true) {
  std::vector<uint8_t> image = {0x43, 0x59, 0x1C, 0xB0};
  uint32_t sum = 0;
  for (const Section& s : sections) {
    Put32(image, s.words);
    Put32(image, s.address);
    for (uint32_t i = 0; i < s.words; ++i) {
      Put32(image, s.address + i);
      sum += s.address + i;
    }
  }
  if (terminator) {
    Put32(image, 0);
    Put32(image, entry);
    Put32(image, checksum < 0 ? sum : static_cast<uint32_t>(checksum));
  }
  return image;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> image, size_t drop) {
  image.resize(image.size() - drop);
  return image;
}

struct LoaderCase {
  const char* name;
  std::vector<uint8_t> image;
  int result;
  const char* trace;
  std::vector<std::string> requests;  // "A0 W 64 @40000000"
};

void PrintTo(const LoaderCase& c, std::ostream* os) {
  *os << c.name;
}

class Loader : public VirtualBench, public ::testing::WithParamInterface<LoaderCase> {};

TEST_P(Loader, SendsThePiecesAndStartsAtTheEntry) {
  const LoaderCase& c = GetParam();
  const int id = AddCamera();
  CameraFW camera;
  camera.OpenCamera();
  Log(id);
  EXPECT_EQ(
      LoadFW_From_Buffer(camera.GetDevice(), c.image.data(), static_cast<uint32_t>(c.image.size())),
      c.result);
  if (c.trace != nullptr) {
    EXPECT_TRUE(trace_.Has(c.trace)) << trace_.lines.back();
  }
  std::vector<std::string> requests;
  for (const LoggedRequest& r : Log(id)) {
    char text[64];
    std::snprintf(text, sizeof text, "%s @%04X%04X", r.Brief().c_str(), r.index, r.value);
    requests.push_back(text);
  }
  EXPECT_EQ(requests, c.requests);
  const nlohmann::json state = sim::LoadJson(CameraFile(id, "camera.json"))["state"];
  const bool started = !c.requests.empty() && c.requests.back().rfind("A0 W 0 ", 0) == 0;
  EXPECT_EQ(state.contains("last_boot"), started);
  if (started) {
    EXPECT_EQ(camera.GetCameraOnBusCount(), 0) << "the camera restarts";
  }
}

const uint32_t kRam = 0x40000000;

INSTANTIATE_TEST_SUITE_P(
    Cases, Loader,
    ::testing::Values(
        LoaderCase{"SignatureBytesSwapped",
                   {0x59, 0x43, 0, 0, 0, 0, 0, 0},
                   255,
                   "LoadFW_From_Buffer: invalid signature x4359\n",
                   {}},
        LoaderCase{"TwentyWordsGoAsPiecesOf64And16",
                   Image({{kRam, 20}}, kRam + 0x100),
                   0,
                   nullptr,
                   {"A0 W 64 @40000000", "A0 W 16 @40000040", "A0 W 0 @40000100"}},
        LoaderCase{
            "TwoSections",
            Image({{kRam, 1}, {kRam + 0x1000, 17}}, kRam),
            0,
            nullptr,
            {"A0 W 4 @40000000", "A0 W 64 @40001000", "A0 W 4 @40001040", "A0 W 0 @40000000"}},
        LoaderCase{"WrongChecksumStartsAndFails",
                   Image({{kRam, 2}}, kRam, 0x1234),
                   255,
                   "LoadFW_From_Buffer: invalid checksum x80000001 expected x1234\n",
                   {"A0 W 8 @40000000", "A0 W 0 @40000000"}},
        LoaderCase{"TerminatorOnly", Image({}, 0x40001234, 0), 0, nullptr, {"A0 W 0 @40001234"}},
        LoaderCase{"CutInsideASection",
                   Cut(Image({{kRam, 20}}, kRam), 20),
                   255,
                   "LoadFW_From_Buffer: truncated image\n",
                   {}},
        LoaderCase{"CutBeforeTheChecksum",
                   Cut(Image({{kRam, 2}}, kRam), 4),
                   255,
                   "LoadFW_From_Buffer: truncated image\n",
                   {}},
        LoaderCase{"CutBeforeTheEntry",
                   Cut(Image({{kRam, 2}}, kRam), 8),
                   255,
                   "LoadFW_From_Buffer: truncated image\n",
                   {}},
        LoaderCase{"SectionsToTheEndWithoutTerminator",
                   Image({{kRam, 2}}, kRam, -1, false),
                   255,
                   "LoadFW_From_Buffer: truncated image\n",
                   {}},
        LoaderCase{"SectionLengthBeyondTheImage",
                   {0x43, 0x59, 0, 0, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x40, 1, 2, 3, 4},
                   255,
                   "LoadFW_From_Buffer: truncated image\n",
                   {}},
        LoaderCase{"SignatureOnly", {0x43, 0x59}, 255, "LoadFW_From_Buffer: truncated image\n", {}},
        LoaderCase{"OneByte", {0x43}, 255, "LoadFW_From_Buffer: truncated image\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VirtualBench, LoadedImageReachesTheControllersRam) {
  const int id = AddCamera();
  CameraFW camera;
  camera.OpenCamera();
  const std::vector<uint8_t> image = Image({{kRam, 100}, {0x100, 3}}, kRam + 8);
  camera.LoadFW_From_Buffer(image.data(), static_cast<uint32_t>(image.size()));
  const nlohmann::json boot = sim::LoadJson(CameraFile(id, "camera.json"))["state"]["last_boot"];
  EXPECT_EQ(boot["entry"], kRam + 8);
  EXPECT_EQ(boot["bytes_loaded"], 412);
  uint32_t sum = 0;
  for (uint32_t i = 0; i < 100; ++i) sum += kRam + i;
  for (uint32_t i = 0; i < 3; ++i) sum += 0x100 + i;
  EXPECT_EQ(boot["word_sum"], sum);
}

TEST_F(VirtualBench, FailedLoadIsAnEmergencyFirmwareError) {
  AddCamera();
  CameraFW camera;
  camera.OpenCamera();
  // A section outside the controller's RAM is refused by the camera.
  const std::vector<uint8_t> image = Image({{0x20000000, 4}}, 0x20000000);
  try {
    camera.LoadFW_From_Buffer(image.data(), static_cast<uint32_t>(image.size()));
    ADD_FAILURE() << "no error";
  } catch (const TextException& e) {
    EXPECT_STREQ(e.what(), "Error loading emergency FW");
  }
  EXPECT_TRUE(trace_.Has("LoadFW_From_Buffer: write memory error\n"));
  EXPECT_EQ(camera.GetCameraOnBusCount(), 1) << "nothing was started";
}

}  // namespace
