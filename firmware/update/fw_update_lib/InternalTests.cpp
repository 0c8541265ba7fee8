// Self-checks of the internal_tests operation word: consistency checks of the
// built-in tables, so that a build with a damaged table never reaches a camera.

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "CalibCompatibilityTable.h"
#include "CalibPacking.h"
#include "CommandLineOptions.h"
#include "FW_Updater.h"
#include "FrontEnd.h"
#include "platform/text_exception.h"

namespace {

[[noreturn]] void Fail(const char* check, const std::string& detail) {
  throw TextException(std::string("internal test ") + check + " failed: " + detail);
}

void CheckFirmwareTypeTable() {
  std::set<std::string> names;
  std::set<int32_t> ids;
  for (const FirmwareTypeEntry& entry : kFirmwareTypes) {
    if (entry.id == FW_TYPE_NONE) Fail("FirmwareTypeTable", "row without id");
    if (!names.insert(entry.name).second) Fail("FirmwareTypeTable", entry.name);
    if (!ids.insert(entry.id).second) Fail("FirmwareTypeTable", entry.name);
    if (FW_Updater::FindFirmwareTypeByName(entry.name).id != entry.id)
      Fail("FirmwareTypeTable", entry.name);
    if (std::strcmp(FW_Updater::GetFirmwareTypeName(entry.id), entry.name) != 0)
      Fail("FirmwareTypeTable", entry.name);
  }
}

void CheckOptionTable() {
  std::set<std::string> names;
  std::set<int32_t> ids;
  for (const OptionEntry& entry : kOptionTable) {
    if (std::strncmp(entry.name, "--", 2) != 0) Fail("OptionTable", entry.name);
    if (!names.insert(entry.name).second || !ids.insert(entry.id).second)
      Fail("OptionTable", entry.name);
    if (entry.id < 1 || entry.id > static_cast<int32_t>(kOptionCount))
      Fail("OptionTable", entry.name);
  }
}

// Every built-in mode-defaults image must unpack into its row's template and pack
// back to the same bytes, page by page, each page naming its own mode: a damaged
// image or template would otherwise reach cameras as their factory defaults.
void CheckCalibModeDefaults() {
  for (const CalibDataDesc& row : GetCalibCompatibilityTable()) {
    if (row.mode_defaults == nullptr) continue;
    const std::string name = std::string(row.model_pattern) + " " +
                             std::to_string(row.structure_version) + "." +
                             std::to_string(row.defaults_version);
    std::vector<uint8_t> packed(row.packed_page_size);
    for (uint32_t page = 0; page < row.pages_count; ++page) {
      const uint8_t* image = row.mode_defaults + page * row.packed_page_size;
      std::vector<calib_field_t> fields(row.field_template, row.field_template + row.fields_count);
      if (!row.Unpack(image, fields.data())) Fail("CalibModeDefaults", name);
      row.Pack(packed.data(), fields.data());
      if (std::memcmp(packed.data(), image, packed.size()) != 0)
        Fail("CalibModeDefaults", name + " page " + std::to_string(page));
      bool mode_named = false;
      for (const calib_field_t& field : fields)
        if (field.name != nullptr && std::strcmp(field.name, "Mode_ID") == 0)
          mode_named = field.value == 0x5A00 + page;
      if (!mode_named) Fail("CalibModeDefaults", name + " page " + std::to_string(page) + " mode");
    }
  }
}

struct InternalTest {
  const char* name;
  void (*run)();
};

constexpr InternalTest kInternalTests[] = {
    {"FirmwareTypeTable", CheckFirmwareTypeTable},
    {"OptionTable", CheckOptionTable},
    {"CalibModeDefaults", CheckCalibModeDefaults},
};

}  // namespace

void RunInternalTests() {
  for (const InternalTest& test : kInternalTests) test.run();
}
