#pragma once
// Factory mode-defaults images built into the program: each the packed camera
// modes table of one structure version (see data_updaters/defaults/README.md).

#include <cstdint>

constexpr uint32_t kTv450ModeDefaultsSize = 128 * 128;

extern const uint8_t kTV450KT_LN_V2_1_ModeDefaults[kTv450ModeDefaultsSize];
extern const uint8_t kTV450KT_LN_V2_2_ModeDefaults[kTv450ModeDefaultsSize];
extern const uint8_t kTV450KT_LN_V2_3_ModeDefaults[kTv450ModeDefaultsSize];
