#pragma once
// Shared fixtures of the converter tests: TV450 model names, images built byte by
// byte (independently of the converter), file helpers, a debugger-output
// recorder, and a small test model with the 512-byte page packing and specific
// fields.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "CalibDataDesc.h"
#include "CalibDataStructureConverter.h"
#include "platform/console.h"

namespace calibtest {

inline constexpr char kTv450W[] = "TV450KT-T-LN-W";
inline constexpr char kTv450H[] = "TV450KT-T-LN-H";
inline constexpr char kTestCamB[] = "TestCamB-1";

// Model set, current and prepared CPU firmware "02.00" (structure 2, defaults 3).
void ConfigureTv450(CalibDataStructureConverter& converter, const char* model = kTv450W);

// A whole 64 KiB image: 0xFF, the given mode-defaults table at offset 0 and a
// partition record with the two version bytes.
std::vector<uint8_t> MakeImage(const uint8_t* modes, size_t modes_size, uint8_t structure,
                               uint8_t defaults);
std::vector<uint8_t> Tv450Image(uint8_t defaults_version);

// Chain bits `high` down to `low` of a scheme A page (chain bit n is bit n mod 8
// of byte 80 + n / 8), read without the converter.
uint32_t ChainBits(const uint8_t* page, uint32_t high, uint32_t low);

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& file);
std::string ReadFileText(const std::filesystem::path& file);
void WriteFileText(const std::filesystem::path& file, const std::string& text);

// The message of the TextException `call` throws; fails the test when it throws
// nothing or something else.
std::string ErrorText(const std::function<void()>& call);

// Selects the page and the field by name and reads its public value.
int32_t FieldValue(CalibDataStructureConverter& converter, uint32_t page, const char* name);
uint32_t RawFieldValue(const CalibDataStructureConverter& converter, uint32_t page,
                       const char* name);

// Records every text handed to the debugger output channel while installed.
class DebugRecorder : public platform::Console {
 public:
  DebugRecorder();
  ~DebugRecorder() override;
  bool AddControlHandler(platform::ConsoleControlHandlerFn) override { return true; }
  bool SetPriorityClass(uint32_t) override { return false; }
  bool ReadLine(std::string&, size_t) override { return false; }
  void DebugOutput(const char* text) override { texts.push_back(text); }
  std::vector<std::string> texts;

 private:
  platform::Console* previous_;
};

// The test model "^TestCamB": 4 pages of 512 bytes (scheme B), a chain of four
// fields (one 40 bits wide), five words (IMG_CTRL, IMG_CTR2 and "Vdd1.8A" among
// them) and a specific-fields table in which IMG_CTRL bit 3 and IMG_CTR2 bit 5
// are both named "HDR". Installed in place of the built-in table while alive.
class TestCamBTable {
 public:
  TestCamBTable();
  ~TestCamBTable();
  static constexpr uint32_t kPages = 4;
  static constexpr uint32_t kFields = 11;
  static const calib_field_t kTemplate[kFields];
  static const CalibDataDesc& Row();

 private:
  std::span<const CalibDataDesc> previous_;
};

// A TestCamB converter with an erased cache and the defaults unpacked (versions
// 1.1, CPU firmware "01.00").
void ConfigureTestCamB(CalibDataStructureConverter& converter);

}  // namespace calibtest
