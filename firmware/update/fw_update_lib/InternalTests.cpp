// Self-checks of the internal_tests operation word: consistency checks of the
// built-in tables, so that a build with a damaged table never reaches a camera.

#include <cstring>
#include <set>
#include <string>

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

struct InternalTest {
  const char* name;
  void (*run)();
};

constexpr InternalTest kInternalTests[] = {
    {"FirmwareTypeTable", CheckFirmwareTypeTable},
    {"OptionTable", CheckOptionTable},
};

}  // namespace

void RunInternalTests() {
  for (const InternalTest& test : kInternalTests) test.run();
}
