#include "FirmwareFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "FW_Updater.h"
#include "ProcessRunner.h"
#include "platform/text_exception.h"
#include "simulator/FirmwareCipher.h"

namespace {

using Bytes = std::vector<uint8_t>;

class FirmwareFileTest : public testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& content) {
    const std::string path = (dir_.path() / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string Write(const std::string& name, const Bytes& content) {
    return Write(name, std::string(content.begin(), content.end()));
  }

  // Loads `path` the way the back-ends do and returns the error text, if any.
  std::string Load(FirmwareFile& file, const std::string& path) {
    try {
      file.LoadFile(path.c_str());
    } catch (const TextException& e) {
      return e.what();
    }
    return "";
  }

  testsupport::TempDir dir_;
};

Bytes RandomBytes(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

Bytes Payload(FirmwareFile& file) {
  return Bytes(file.GetData(), file.GetData() + file.GetPayloadSize());
}

TEST_F(FirmwareFileTest, EncipheredFilesDecipherToTheirPlainBytes) {
  // Around the 256-byte steps of the deciphering.
  for (size_t size : {0, 1, 255, 256, 257, 512, 5000}) {
    const Bytes plain = RandomBytes(size, static_cast<unsigned>(size));
    FirmwareFile file;
    ASSERT_EQ(Load(file, Write("fw.bin", sim::EncipherFirmware(plain))), "") << size;
    EXPECT_TRUE(file.VerifyChecksum()) << size;
    EXPECT_EQ(file.GetPayloadSize(), size);
    EXPECT_EQ(Payload(file), plain) << size;
    // Deciphering is done: a second check finds the register where it was.
    EXPECT_TRUE(file.VerifyChecksum()) << size;
  }
}

TEST_F(FirmwareFileTest, FourByteFileEqualToTheSeedIsAnEmptyGoodFile) {
  FirmwareFile file;
  ASSERT_EQ(Load(file, Write("seed.bin", Bytes{0x6D, 0x4C, 0x00, 0x00})), "");
  EXPECT_TRUE(file.VerifyChecksum());
  EXPECT_EQ(file.GetPayloadSize(), 0u);

  FirmwareFile other;
  ASSERT_EQ(Load(other, Write("other.bin", Bytes{0x6C, 0x4C, 0x00, 0x00})), "");
  EXPECT_FALSE(other.VerifyChecksum());
}

TEST_F(FirmwareFileTest, AnyDamageToAnEncipheredFileFailsTheChecksum) {
  const Bytes plain = RandomBytes(600, 7);
  // The last payload byte (599) never feeds the register, so the trailer
  // cannot witness it; every byte before it and the trailer itself are covered.
  for (size_t position : {0, 300, 598, 600, 603}) {
    Bytes damaged = sim::EncipherFirmware(plain);
    damaged[position] ^= 0x10;
    FirmwareFile file;
    ASSERT_EQ(Load(file, Write("bad.bin", damaged)), "");
    EXPECT_FALSE(file.VerifyChecksum()) << position;
  }
}

TEST_F(FirmwareFileTest, PlainBinaryKeepsItsBytesAndSpareZeros) {
  const Bytes plain = RandomBytes(100, 3);
  FirmwareFile file;
  file.SetPlainFile();
  ASSERT_EQ(Load(file, Write("plain.bin", plain)), "");
  EXPECT_TRUE(file.VerifyChecksum());
  EXPECT_EQ(Payload(file), plain);
  // The spare bytes behind the content are there and zero.
  const uint8_t* spare = file.GetData() + plain.size();
  EXPECT_EQ(Bytes(spare, spare + FirmwareFile::kSpareBytes), Bytes(FirmwareFile::kSpareBytes, 0));
}

struct LoadCase {
  const char* name;
  bool plain;
  bool hex;
  std::string content;
  std::string error;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
  *os << c.name;
}

class FirmwareFileLoad : public FirmwareFileTest, public testing::WithParamInterface<LoadCase> {};

TEST_P(FirmwareFileLoad, RefusesWithItsMessage) {
  const LoadCase& c = GetParam();
  FirmwareFile file;
  if (c.plain) file.SetPlainFile();
  if (c.hex) file.SetHexFormat();
  EXPECT_EQ(Load(file, Write("f", c.content)), c.error);
}

const std::string kEnd = ":00000001FF\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, FirmwareFileLoad,
    testing::Values(
        LoadCase{"PlainBinaryOfThreeBytes", true, false, "abc", "LoadFile - File is too small"},
        LoadCase{"EncipheredOfThreeBytes", false, false, "abc", "LoadFile - File is too small"},
        LoadCase{"HexOfThreeBytesIsNotTooSmall", true, true, ":00", "Unknown file format"},
        LoadCase{"EmptyHexLoads", true, true, "", ""},
        LoadCase{"EncipheredHex", false, true, kEnd,
                 "LoadFile - Encrypted hex files are not supported"},
        LoadCase{"HexLeadingSpace", true, true, " :0100000055AA\n" + kEnd, "Unknown file format"},
        LoadCase{"HexWrongChecksum", true, true, ":0100000055AB\n" + kEnd,
                 "LoadFile - Wrong checksum"},
        LoadCase{"HexLineShorterThanCount", true, true, ":0400000055AA\n" + kEnd,
                 "Unknown file format"},
        LoadCase{"HexLineWithoutChecksum", true, true, ":0100000055\n" + kEnd,
                 "Unknown file format"},
        LoadCase{"HexNonDigitInData", true, true, ":010000005GAA\n" + kEnd, "Unknown file format"},
        LoadCase{"HexNonDigitInHeader", true, true, ":01000X0055AA\n" + kEnd,
                 "Unknown file format"},
        LoadCase{"HexRecordPastImageEnd", true, true,
                 ":10FFF800000102030405060708090A0B0C0D0E0F00\n" + kEnd,
                 "LoadFile - HEX record out of range"},
        LoadCase{"HexLineTooLong", true, true, ":00000000" + std::string(250, '0') + "\n",
                 "Unknown file format"},
        LoadCase{"HexEmptyLine", true, true, "\n" + kEnd, "Unknown file format"}),
    [](const testing::TestParamInfo<LoadCase>& info) { return info.param.name; });

TEST_F(FirmwareFileTest, MissingFileIsRefused) {
  for (bool hex : {false, true}) {
    FirmwareFile file;
    file.SetPlainFile();
    if (hex) file.SetHexFormat();
    EXPECT_EQ(Load(file, (dir_.path() / "missing.bin").string()),
              "LoadFile - Can not open fw file");
    EXPECT_EQ(Load(file, dir_.path().string()), "LoadFile - Can not open fw file");
  }
}

// One data record of 16 bytes at 0x0100, with or without the end record.
TEST_F(FirmwareFileTest, HexRecordLandsAtItsAddressInAnErasedImage) {
  const std::string record = ":10010000000102030405060708090A0B0C0D0E0F77\r\n";
  for (const std::string& content : {record + kEnd, record}) {
    FirmwareFile file;
    file.SetPlainFile();
    file.SetHexFormat();
    ASSERT_EQ(Load(file, Write("f.hex", content)), "");
    EXPECT_TRUE(file.VerifyChecksum());
    EXPECT_EQ(file.GetSize(), 0x0114u);
    EXPECT_EQ(file.GetPayloadSize(), 0x0114u);
    EXPECT_EQ(file.GetLowestAddress(), 0x0100);
    const Bytes image = Payload(file);
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 0x100), Bytes(0x100, 0xFF));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(image[0x100 + i], i);
    EXPECT_EQ(Bytes(image.begin() + 0x110, image.end()), Bytes(4, 0xFF));
  }
}

TEST_F(FirmwareFileTest, HexRecordEndingAtTheImageEndKeepsItsPayloadInside) {
  FirmwareFile file;
  file.SetPlainFile();
  file.SetHexFormat();
  ASSERT_EQ(Load(file, Write("f.hex", ":02FFFE00ABCD89\n" + kEnd)), "");
  EXPECT_EQ(file.GetPayloadSize(), 0x10004u);
  const Bytes image = Payload(file);  // reads every byte the payload claims
  EXPECT_EQ(image[0xFFFE], 0xAB);
  EXPECT_EQ(image[0xFFFF], 0xCD);
}

// A witness from outside: objcopy's Intel HEX of a binary loads to its bytes.
TEST_F(FirmwareFileTest, ObjcopyHexLoadsToTheSameBytes) {
  const Bytes plain = RandomBytes(1000, 11);
  const std::string bin = Write("in.bin", plain);
  const std::string hex = (dir_.path() / "out.hex").string();
  const testsupport::RunResult run =
      testsupport::RunProgram("/usr/bin/objcopy", {"-I", "binary", "-O", "ihex", bin, hex});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  FirmwareFile file;
  file.SetPlainFile();
  file.SetHexFormat();
  ASSERT_EQ(Load(file, hex), "");
  EXPECT_EQ(file.GetLowestAddress(), 0);
  const Bytes image = Payload(file);
  ASSERT_EQ(image.size(), plain.size() + 4);
  EXPECT_EQ(Bytes(image.begin(), image.begin() + 1000), plain);
}

struct TextCase {
  const char* name;
  std::function<bool(FirmwareFile&, const char*)> parse;
  const char* text;
  Bytes bytes;  // the whole value
  std::string error;
};

void PrintTo(const TextCase& c, std::ostream* os) {
  *os << c.name;
}

class FirmwareFileFromText : public testing::TestWithParam<TextCase> {};

TEST_P(FirmwareFileFromText, ValueBytesOrMessage) {
  const TextCase& c = GetParam();
  FirmwareFile file;
  file.SetPlainFile();
  std::string error;
  try {
    EXPECT_TRUE(c.parse(file, c.text));
  } catch (const TextException& e) {
    error = e.what();
  }
  EXPECT_EQ(error, c.error);
  if (!error.empty()) return;
  EXPECT_EQ(file.GetPayloadSize(), c.bytes.size());
  const Bytes value(file.GetData(), file.GetData() + file.GetPayloadSize());
  EXPECT_EQ(value, c.bytes);
}

const auto kHex = ParseHexFromStringToBuffer;
const auto kSnSne = ParseSnSneFromStringToBuffer;
const auto kSsn = SSnFromNameToBuffer;
// "BAAAA0100000": index 1 in character 0 and number 1 in word 0, nothing in word 1.
const Bytes kPackedB0100 = {0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00};

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirmwareFileFromText,
    testing::Values(
        TextCase{"HexEightDigits", kHex, "12345678", {0x78, 0x56, 0x34, 0x12}, ""},
        TextCase{"HexOddLength", kHex, "123", {0x03, 0x12}, ""},
        TextCase{"HexDash", kHex, "-", {}, ""}, TextCase{"HexEmpty", kHex, "", {}, ""},
        TextCase{"HexGroupThatDoesNotConvert", kHex, "zz1f", {0x1F, 0x00}, ""},
        TextCase{"HexNull",
                 kHex,
                 nullptr,
                 {},
                 "ParseHexFromStringToBuffer - error input string is null"},
        TextCase{"LegacySn", kSnSne, "12345678", {0x78, 0x56, 0x34, 0x12}, ""},
        TextCase{"SneOnly", kSnSne, "BAAAA0100000", Concat({0xFF, 0xFF, 0xFF, 0xFF}, kPackedB0100),
                 ""},
        TextCase{"LegacySnAndSne", kSnSne, "12345678BAAAA0100000",
                 Concat({0x78, 0x56, 0x34, 0x12}, kPackedB0100), ""},
        TextCase{"SnSneOfElevenCharacters",
                 kSnSne,
                 "12345678901",
                 {},
                 "ParseSnSneFromStringToBuffer - error unexpected size of sn_sne_string"},
        TextCase{"SneWithLowerCase",
                 kSnSne,
                 "bAAAA0100000",
                 {},
                 "ParseSnSneFromStringToBuffer Error on parsing only SNE from string"},
        TextCase{"LegacySnAndBadSne",
                 kSnSne,
                 "12345678BAAAA01000W0",
                 {},
                 "ParseSnSneFromStringToBuffer Error on parsing SNE from string"},
        TextCase{"SnSneNull",
                 kSnSne,
                 nullptr,
                 {},
                 "ParseSnSneFromStringToBuffer - error input string is null"},
        TextCase{"SensorSn", kSsn, "S1-42", {'S', '1', '-', '4', '2'}, ""},
        TextCase{
            "SensorSnNull", kSsn, nullptr, {}, "SSnFromNameToBuffer - error input string is null"}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST_F(FirmwareFileTest, SensorSnKeepsItsTerminator) {
  FirmwareFile file;
  ASSERT_TRUE(SSnFromNameToBuffer(file, "ABC"));
  EXPECT_EQ(file.GetData()[3], 0);
}

// The pre-check of prog and verify.
class CheckFileChecksumTest : public FirmwareFileTest {
 protected:
  std::string Check(FW_Updater& updater) {
    try {
      EXPECT_TRUE(updater.CheckFileChecksum());
    } catch (const TextException& e) {
      return e.what();
    }
    return "";
  }
};

TEST_F(CheckFileChecksumTest, AcceptsGoodFilesAndRefusesBadOnes) {
  const Bytes plain = RandomBytes(300, 5);
  const std::string good = Write("good.bin", sim::EncipherFirmware(plain));
  Bytes bad_bytes = sim::EncipherFirmware(plain);
  bad_bytes.back() ^= 1;
  const std::string bad = Write("bad.bin", bad_bytes);
  const std::string hex = Write("f.hex", kEnd);

  struct Case {
    const char* file;
    bool plain;
    std::string error;
  };
  const Case cases[] = {
      {good.c_str(), false, ""},
      {bad.c_str(), false, "Error checksum file"},
      {bad.c_str(), true, ""},
      // Read as a binary file, the HEX text is no enciphered firmware.
      {hex.c_str(), false, "Error checksum file"},
      {nullptr, false, "Invalid filename"},
      {"missing.bin", false, "LoadFile - Can not open fw file"},
  };
  for (const Case& c : cases) {
    FW_Updater updater;
    updater.SetFirmwareType(FW_TYPE_CPU1);
    updater.SetFileName(c.file);
    if (c.plain) updater.SetPlainFile();
    EXPECT_EQ(Check(updater), c.error) << (c.file ? c.file : "(null)");
  }
}

TEST_F(CheckFileChecksumTest, FlagTypesNeedNoFile) {
  for (int32_t type : {FW_TYPE_MMDESC, FW_TYPE_FLAG_U3V, FW_TYPE_FLAG_U2F, FW_TYPE_REST_INFO}) {
    FW_Updater updater;
    updater.SetFirmwareType(type);
    EXPECT_EQ(Check(updater), "") << type;
  }
}

}  // namespace
