// Writes the TV450 mode-defaults images (see README.md beside this file):
//   tv450_defaults_generator OUT_DIR
// Each image is the packed camera modes table of one defaults version: every
// page starts from the field template, takes the version's factory settings and
// carries its own mode identifier.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CalibPacking.h"
#include "Tv450Definitions.h"

namespace {

struct Setting {
  const char* name;
  uint32_t raw;  // the stored value
};

struct DefaultsVersion {
  const char* file_name;
  std::vector<Setting> settings;  // applied in order over the template
};

// Each version keeps the settings of the one before and adds its own.
const std::vector<Setting> kV21 = {
    {"297 PGA_GAIN_T", 11},  // gain 1.4 on both readout chains
    {"124 PGA_GAIN_B", 11},
};
const std::vector<Setting> kV22 = {
    {" 51 VRAMP_SLOPE", 31},  // ramp retuned for the faster ADC clock
    {"VLDC", 2050},           // 2.050 V
};
const std::vector<Setting> kV23 = {
    {"HDR_GAIN", 4500},
    {"FFC_OT", 1024},
    {"FFC_OB", 1024},
};

std::vector<Setting> Join(std::initializer_list<const std::vector<Setting>*> parts) {
  std::vector<Setting> all;
  for (const auto* part : parts) all.insert(all.end(), part->begin(), part->end());
  return all;
}

calib_field_t* FindField(std::vector<calib_field_t>& fields, const char* name) {
  for (calib_field_t& field : fields)
    if (field.name != nullptr && std::strcmp(field.name, name) == 0) return &field;
  return nullptr;
}

bool WriteImage(const std::string& path, const std::vector<Setting>& settings) {
  constexpr uint32_t kPages = 128;
  std::vector<uint8_t> image(kPages * kSchemeAPageSize);
  for (uint32_t page = 0; page < kPages; ++page) {
    std::vector<calib_field_t> fields(kTv450FieldTemplate, kTv450FieldTemplate + kTv450FieldsCount);
    for (const Setting& setting : settings) {
      calib_field_t* field = FindField(fields, setting.name);
      if (field == nullptr) {
        std::fprintf(stderr, "unknown field \"%s\"\n", setting.name);
        return false;
      }
      field->value = setting.raw;
    }
    FindField(fields, "Mode_ID")->value = 0x5A00 + page;
    PackSchemeA(image.data() + page * kSchemeAPageSize, fields.data());
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::perror(path.c_str());
    return false;
  }
  const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
    return 2;
  }
  const DefaultsVersion versions[] = {
      {"TV450KT_LN_V2_1.bin", Join({&kV21})},
      {"TV450KT_LN_V2_2.bin", Join({&kV21, &kV22})},
      {"TV450KT_LN_V2_3.bin", Join({&kV21, &kV22, &kV23})},
  };
  for (const DefaultsVersion& version : versions) {
    const std::string path = std::string(argv[1]) + "/" + version.file_name;
    if (!WriteImage(path, version.settings)) return 1;
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
