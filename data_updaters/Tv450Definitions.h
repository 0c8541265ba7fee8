#pragma once
// Structure definitions of the TV450 cameras, "T-LN-W" and "T-LN-H" variants,
// structure version 2 with mode-defaults versions 1 to 3. All six share one field
// template (123 chain fields over 384 bits, 40 words), one summary grid and the
// TV450 accessor family; they differ in their mode-defaults images.

#include <cstdint>

#include "CalibDataDesc.h"

constexpr uint32_t kTv450FieldsCount = 165;

extern const calib_field_t kTv450FieldTemplate[kTv450FieldsCount];

// Model parts of the compatibility rows; pattern, CPU range and associations are
// the row's.
extern const CalibDataDesc RegTV450KT_LN_W_V2_1_Def;
extern const CalibDataDesc RegTV450KT_LN_W_V2_2_Def;
extern const CalibDataDesc RegTV450KT_LN_W_V2_3_Def;
extern const CalibDataDesc RegTV450KT_LN_H_V2_1_Def;
extern const CalibDataDesc RegTV450KT_LN_H_V2_2_Def;
extern const CalibDataDesc RegTV450KT_LN_H_V2_3_Def;
