#include <gtest/gtest.h>

#include <vector>

#include "CalibCompatibilityTable.h"
#include "FrontEnd.h"
#include "Tv450Definitions.h"
#include "platform/text_exception.h"

namespace {

TEST(InternalTests, BuiltInTablesPass) {
  EXPECT_NO_THROW(RunInternalTests());
}

TEST(InternalTests, DamagedModeDefaultsImageIsReported) {
  CalibDataDesc row = CalibCompatibilityRow("^TV450.*T-LN-W.*", "01.02", "03.99",
                                            RegTV450KT_LN_W_V2_1_Def, {1, 2, 6, "File_FW_CPU1"});
  std::vector<uint8_t> image(row.mode_defaults, row.mode_defaults + 128 * 128);
  image[3 * 128] ^= 1;  // page 3 names mode 0x5A02
  row.mode_defaults = image.data();
  const auto previous = SetCalibCompatibilityTable({&row, 1});
  try {
    RunInternalTests();
    ADD_FAILURE() << "damage not reported";
  } catch (const TextException& e) {
    EXPECT_STREQ(e.what(),
                 "internal test CalibModeDefaults failed: ^TV450.*T-LN-W.* 2.1 page 3 mode");
  }
  SetCalibCompatibilityTable(previous);
}

}  // namespace
