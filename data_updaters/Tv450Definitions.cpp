#include "Tv450Definitions.h"

#include "CalibModeDefaults.h"
#include "Tv450Family.h"

namespace {

constexpr uint16_t kChainEnd = 123;  // a terminator: the cell stays empty

constexpr uint32_t kTv450GridRows = 38;
constexpr uint32_t kTv450GridColumns = 4;

// Summary grid, row by row; also the names SetVal accepts.
constexpr uint16_t kTv450Grid[kTv450GridRows * kTv450GridColumns] = {
    43,        89,        104, 126,        // 0
    48,        94,        106, 127,        // 1
    80,        81,        84,  128,        // 2
    82,        83,        85,  129,        // 3
    45,        91,        77,  130,        // 4
    39,        86,        78,  131,        // 5
    6,         7,         11,  132,        // 6
    41,        87,        14,  133,        // 7
    115,       116,       53,  134,        // 8
    20,        97,        19,  135,        // 9
    kChainEnd, kChainEnd, 17,  136,        // 10
    29,        31,        18,  138,        // 11
    40,        110,       26,  139,        // 12
    117,       120,       52,  140,        // 13
    42,        88,        2,   141,        // 14
    44,        90,        3,   142,        // 15
    47,        93,        109, 146,        // 16
    55,        57,        56,  147,        // 17
    121,       59,        58,  144,        // 18
    69,        72,        71,  kChainEnd,  // 19
    70,        68,        67,  kChainEnd,  // 20
    113,       101,       103, 148,        // 21
    114,       9,         102, 149,        // 22
    111,       98,        100, 150,        // 23
    112,       105,       99,  151,        // 24
    4,         15,        79,  152,        // 25
    5,         16,        60,  153,        // 26
    8,         27,        54,  154,        // 27
    12,        30,        76,  155,        // 28
    73,        62,        75,  156,        // 29
    74,        63,        61,  157,        // 30
    32,        33,        0,   158,        // 31
    22,        24,        64,  159,        // 32
    23,        28,        65,  160,        // 33
    25,        10,        13,  161,        // 34
    118,       119,       37,  162,        // 35
    46,        92,        38,  163,        // 36
    95,        107,       108, 124,        // 37
};

constexpr Tv450FamilyDefinition Tv450Definition(const char* class_name) {
  return {class_name, kTv450Grid, kTv450GridRows, kTv450GridColumns, 22, kTv450FieldsCount};
}

constexpr Tv450FamilyDefinition kW21 = Tv450Definition("RegTV450KT_LN_W_V2_1_Def");
constexpr Tv450FamilyDefinition kW22 = Tv450Definition("RegTV450KT_LN_W_V2_2_Def");
constexpr Tv450FamilyDefinition kW23 = Tv450Definition("RegTV450KT_LN_W_V2_3_Def");
constexpr Tv450FamilyDefinition kH21 = Tv450Definition("RegTV450KT_LN_H_V2_1_Def");
constexpr Tv450FamilyDefinition kH22 = Tv450Definition("RegTV450KT_LN_H_V2_2_Def");
constexpr Tv450FamilyDefinition kH23 = Tv450Definition("RegTV450KT_LN_H_V2_3_Def");

}  // namespace

// Both variants carry the same sensor and share the factory mode defaults.
constinit const CalibDataDesc RegTV450KT_LN_W_V2_1_Def =
    Tv450FamilyDesc<kW21>(2, 1, kTv450FieldTemplate, kTV450KT_LN_V2_1_ModeDefaults);
constinit const CalibDataDesc RegTV450KT_LN_W_V2_2_Def =
    Tv450FamilyDesc<kW22>(2, 2, kTv450FieldTemplate, kTV450KT_LN_V2_2_ModeDefaults);
constinit const CalibDataDesc RegTV450KT_LN_W_V2_3_Def =
    Tv450FamilyDesc<kW23>(2, 3, kTv450FieldTemplate, kTV450KT_LN_V2_3_ModeDefaults);
constinit const CalibDataDesc RegTV450KT_LN_H_V2_1_Def =
    Tv450FamilyDesc<kH21>(2, 1, kTv450FieldTemplate, kTV450KT_LN_V2_1_ModeDefaults);
constinit const CalibDataDesc RegTV450KT_LN_H_V2_2_Def =
    Tv450FamilyDesc<kH22>(2, 2, kTv450FieldTemplate, kTV450KT_LN_V2_2_ModeDefaults);
constinit const CalibDataDesc RegTV450KT_LN_H_V2_3_Def =
    Tv450FamilyDesc<kH23>(2, 3, kTv450FieldTemplate, kTV450KT_LN_V2_3_ModeDefaults);
