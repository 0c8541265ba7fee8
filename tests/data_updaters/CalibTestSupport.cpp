#include "CalibTestSupport.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "CalibCompatibilityTable.h"
#include "CalibModeDefaults.h"
#include "CalibPacking.h"
#include "Tv450Family.h"
#include "platform/text_exception.h"

namespace calibtest {

void ConfigureTv450(CalibDataStructureConverter& converter, const char* model) {
  converter.SetCameraModel(model);
  converter.SetCurrentCpuFirmwareVersion("02.00");
  converter.SetPreparedCpuFirmwareVersion("02.00");
}

std::vector<uint8_t> MakeImage(const uint8_t* modes, size_t modes_size, uint8_t structure,
                               uint8_t defaults) {
  std::vector<uint8_t> image(0x10000, 0xFF);
  std::memcpy(image.data(), modes, modes_size);
  uint8_t* record = image.data() + 0xFE00;
  std::memset(record, 0, 180);
  record[0] = 0xCA;
  record[1] = 0x1B;
  record[6] = 180;
  record[8] = 3;
  record[113] = 0x40;  // modes table size 0x4000
  record[116] = structure;
  record[117] = defaults;
  record[121] = 0xFE;  // partition table at 0xFE00, 0x100 bytes
  record[125] = 0x01;
  record[133] = 0xFF;  // last area at 0xFF00, 0x100 bytes
  record[137] = 0x01;
  return image;
}

std::vector<uint8_t> Tv450Image(uint8_t defaults_version) {
  const uint8_t* modes[] = {kTV450KT_LN_V2_1_ModeDefaults, kTV450KT_LN_V2_2_ModeDefaults,
                            kTV450KT_LN_V2_3_ModeDefaults};
  return MakeImage(modes[defaults_version - 1], kTv450ModeDefaultsSize, 2, defaults_version);
}

uint32_t ChainBits(const uint8_t* page, uint32_t high, uint32_t low) {
  uint32_t value = 0;
  for (uint32_t n = high + 1; n-- > low;)
    value = (value << 1) | ((page[80 + n / 8] >> (n % 8)) & 1);
  return value;
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadFileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
}

std::string ErrorText(const std::function<void()>& call) {
  try {
    call();
  } catch (const TextException& e) {
    return e.what();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "not a TextException: " << e.what();
    return std::string();
  }
  ADD_FAILURE() << "nothing thrown";
  return std::string();
}

int32_t FieldValue(CalibDataStructureConverter& converter, uint32_t page, const char* name) {
  converter.SelectFieldsPage(page);
  converter.SelectFieldByName(name);
  return converter.GetFieldValueInt32();
}

uint32_t RawFieldValue(const CalibDataStructureConverter& converter, uint32_t page,
                       const char* name) {
  for (const calib_field_t& field : converter.GetPages().at(page)->unpacked_data)
    if (field.name != nullptr && std::strcmp(field.name, name) == 0) return field.value;
  ADD_FAILURE() << "no field " << name;
  return 0;
}

DebugRecorder::DebugRecorder() : previous_(platform::SetConsole(this)) {}
DebugRecorder::~DebugRecorder() {
  platform::SetConsole(previous_);
}

// --- TestCamB ---------------------------------------------------------------

const calib_field_t TestCamBTable::kTemplate[kFields] = {
    {CalibDescriptor(5, 0), 3, "A5", "five bits"},
    {CalibDescriptor(1, 0), 1, "B1", nullptr},
    {CalibDescriptor(40, 0), 0, "WIDE No use", nullptr},
    {CalibDescriptor(6, 4), 11, "GAIN", "PGA gain"},
    {0, 0, nullptr, nullptr},
    {CalibDescriptor(16, 1), 0x5A00, "Mode_ID", nullptr},
    {CalibDescriptor(16, 1), 0, "IMG_CTRL", nullptr},
    {CalibDescriptor(16, 1), 0, "IMG_CTR2", nullptr},
    {CalibDescriptor(16, 2), 1800, "Vdd1.8A", nullptr},
    {CalibDescriptor(16, 2), 1500, "VRD", nullptr},
    {0, 0, nullptr, nullptr},
};

namespace {

constexpr uint16_t kTestCamBGrid[] = {3, 9, 0, 8, 1, 5};
constexpr Tv450FamilyDefinition kTestCamBDefinition = {
    "RegTestCamB_Def", kTestCamBGrid, 3, 2, 22, TestCamBTable::kFields};

const calib_field_t kSpecificFields[32] = {
    {0, 0, "C0", nullptr},  {0, 0, "C1", nullptr},  {0, 0, "C2", nullptr},  {0, 0, "HDR", nullptr},
    {0, 0, "C4", nullptr},  {0, 0, "C5", nullptr},  {0, 0, "C6", nullptr},  {0, 0, "C7", nullptr},
    {0, 0, "C8", nullptr},  {0, 0, "C9", nullptr},  {0, 0, "C10", nullptr}, {0, 0, "C11", nullptr},
    {0, 0, "C12", nullptr}, {0, 0, "C13", nullptr}, {0, 0, "C14", nullptr}, {0, 0, "C15", nullptr},
    {0, 0, "D0", nullptr},  {0, 0, "D1", nullptr},  {0, 0, "D2", nullptr},  {0, 0, "D3", nullptr},
    {0, 0, "D4", nullptr},  {0, 0, "HDR", nullptr}, {0, 0, "D6", nullptr},  {0, 0, "D7", nullptr},
    {0, 0, "D8", nullptr},  {0, 0, "D9", nullptr},  {0, 0, "D10", nullptr}, {0, 0, "D11", nullptr},
    {0, 0, "D12", nullptr}, {0, 0, "D13", nullptr}, {0, 0, "D14", nullptr}, {0, 0, "D15", nullptr},
};

const calib_field_t* SpecificFields() {
  return kSpecificFields;
}

// Page p: the template with Mode_ID 0x5A00 + p and IMG_CTRL p.
const std::vector<uint8_t>& TestCamBDefaults() {
  static const std::vector<uint8_t> image = [] {
    std::vector<uint8_t> bytes(TestCamBTable::kPages * kSchemeBPageSize);
    for (uint32_t p = 0; p < TestCamBTable::kPages; ++p) {
      calib_field_t fields[TestCamBTable::kFields];
      std::copy(std::begin(TestCamBTable::kTemplate), std::end(TestCamBTable::kTemplate), fields);
      fields[5].value = 0x5A00 + p;
      fields[6].value = p;
      PackSchemeB(bytes.data() + p * kSchemeBPageSize, fields);
    }
    return bytes;
  }();
  return image;
}

// The family's row with the 512-byte packing and a specific-fields table.
CalibDataDesc MakeTestCamBRow() {
  CalibDataDesc desc = Tv450FamilyDesc<kTestCamBDefinition>(1, 1, TestCamBTable::kTemplate,
                                                            TestCamBDefaults().data());
  desc.pages_count = TestCamBTable::kPages;
  desc.packed_page_size = kSchemeBPageSize;
  desc.Pack = PackSchemeB;
  desc.Unpack = UnpackSchemeB;
  desc.GetSpecificFields = SpecificFields;
  return CalibCompatibilityRow("^TestCamB", "01.00", "01.99", desc, {1, 2, 6, "File_FW_CPU1"});
}

}  // namespace

const CalibDataDesc& TestCamBTable::Row() {
  static const CalibDataDesc row = MakeTestCamBRow();
  return row;
}

TestCamBTable::TestCamBTable()
    : previous_(SetCalibCompatibilityTable(std::span<const CalibDataDesc>(&Row(), 1))) {}

TestCamBTable::~TestCamBTable() {
  SetCalibCompatibilityTable(previous_);
}

void ConfigureTestCamB(CalibDataStructureConverter& converter) {
  converter.SetCameraModel(kTestCamB);
  converter.SetCurrentCpuFirmwareVersion("01.00");
  converter.SetPreparedCpuFirmwareVersion("01.00");
  converter.AllocateCacheIfNeeded();
  converter.UnpackSensorModesDefaultsData();
}

}  // namespace calibtest
