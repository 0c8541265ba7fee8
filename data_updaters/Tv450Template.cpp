#include "CalibPacking.h"
#include "Tv450Definitions.h"

// The default unpacked page: the register chain from its highest bit down (the
// number opening each name is the field's lowest chain bit), then the
// calibration words in page order.
const calib_field_t kTv450FieldTemplate[kTv450FieldsCount] = {
    {CalibDescriptor(5, 0), 8, "379 I_VBN_VTEST", "383:379"},                                // 0
    {CalibDescriptor(1, 0), 0, "378 No use", "378"},                                         // 1
    {CalibDescriptor(1, 0), 1, "377 LP_ADC_TIMING_EN", "377"},                               // 2
    {CalibDescriptor(1, 0), 1, "376 CLK_MAIN_EN", "376"},                                    // 3
    {CalibDescriptor(1, 0), 1, "375 SAMP_READ_EN", "375"},                                   // 4
    {CalibDescriptor(1, 0), 0, "374 S_SIG_CTR_EN", "374"},                                   // 5
    {CalibDescriptor(1, 0), 1, "372 TOP_DIG_EN", "Enable of top digital readout chain"},     // 6
    {CalibDescriptor(1, 0), 1, "372 BOT_DIG_EN", "Enable of bottom digital readout chain"},  // 7
    {CalibDescriptor(1, 0), 0, "371 TSIG_EN", "371"},                                        // 8
    {CalibDescriptor(1, 0), 0, "370 RAMP_TO_READ_EN", "370"},                                // 9
    {CalibDescriptor(1, 0), 0, "369 GATE_CLKH_EN",
     "Gate high speed counter clock when nothing to counter"},  // 10
    {CalibDescriptor(1, 0), 0, "368 ADC_CLK_STANDBY_EN",
     "Disable the input clock of counter"},                                                // 11
    {CalibDescriptor(1, 0), 0, "367 SAMP_READ_DELAY_EN", nullptr},                         // 12
    {CalibDescriptor(4, 0), 0, "363 CLKL_CTR<3:0>", "ADC slow clock edge phase control"},  // 13
    {CalibDescriptor(1, 0), 0, "362 SER_STANDBY_EN",
     "Disable the high speed input clock of serializer"},                                      // 14
    {CalibDescriptor(1, 0), 1, "361 DELAY_LOAD_EN", nullptr},                                  // 15
    {CalibDescriptor(1, 0), 1, "360 COL_DEC_VOTER_EN", nullptr},                               // 16
    {CalibDescriptor(5, 0), 8, "355 LVDS_REC_OTA1", "Analog bias of OTA1 in LVDS receiver"},   // 17
    {CalibDescriptor(5, 0), 8, "350 LVDS_REC_OTA2", "Analog bias of OTA2 in LVDS receiver"},   // 18
    {CalibDescriptor(1, 0), 1, "349 LVDS_REC_EN", "LVDS receiver enable"},                     // 19
    {CalibDescriptor(9, 1), 511, "340 LVDS_T_EN", "Enable of top LVDS output channels"},       // 20
    {CalibDescriptor(14, 0), 2446, "326 TRAIN_DATA", "Training pattern"},                      // 21
    {CalibDescriptor(1, 0), 1, "325 ADC_MSB_EN", nullptr},                                     // 22
    {CalibDescriptor(1, 0), 1, "324 ADC_LSB_EN", nullptr},                                     // 23
    {CalibDescriptor(1, 0), 1, "323 ADC_LSBE_EN", nullptr},                                    // 24
    {CalibDescriptor(1, 0), 1, "322 LP_ADC_EN", nullptr},                                      // 25
    {CalibDescriptor(1, 0), 1, "321 LC_LVDS_EN", "Low current mode for LVDS output driver"},   // 26
    {CalibDescriptor(1, 0), 0, "320 DIG_READ_PL_EN", nullptr},                                 // 27
    {CalibDescriptor(1, 0), 0, "319 ADC_14BIT_EN", "Enable of 14-bit ADC"},                    // 28
    {CalibDescriptor(1, 0), 1, "318 SER_BIN_EN", nullptr},                                     // 29
    {CalibDescriptor(1, 0), 0, "317 DELAY_SAMP_EN", nullptr},                                  // 30
    {CalibDescriptor(1, 0), 1, "316 SER_BIN_2TO1_EN", nullptr},                                // 31
    {CalibDescriptor(1, 0), 1, "315 FA_EN", "ADC full adder"},                                 // 32
    {CalibDescriptor(1, 0), 1, "314 NEW_LP_ADC_EN", nullptr},                                  // 33
    {CalibDescriptor(1, 0), 0, "313 MUX_2TO1_EN", "Enable of 2-to-1 LVDS multiplexing"},       // 34
    {CalibDescriptor(1, 0), 0, "312 MUX_4TO1_EN", "Enable of 4-to-1 LVDS multiplexing"},       // 35
    {CalibDescriptor(1, 0), 0, "311 MUX_8TO1_EN", "Enable of 8-to-1 LVDS multiplexing"},       // 36
    {CalibDescriptor(1, 0), 0, "310 MUX_BUF_EN", nullptr},                                     // 37
    {CalibDescriptor(1, 0), 1, "309 DEC_SEL_EN", nullptr},                                     // 38
    {CalibDescriptor(1, 0), 1, "308 COMP_T_EN", "Enable of comparator in top readout chain"},  // 39
    {CalibDescriptor(2, 0), 0, "306 BW_LIM_T",
     "PGA bandwidth limiter control for top readout chain"},                                  // 40
    {CalibDescriptor(1, 0), 1, "305 SC_OTA_T_EN", "Enable of PGA OTA in top readout chain"},  // 41
    {CalibDescriptor(2, 0), 0, "303 VREF_T_EN", nullptr},                                     // 42
    {CalibDescriptor(6, 4), 9, "297 PGA_GAIN_T", "PGA gain of top readout chain"},            // 43
    {CalibDescriptor(2, 0), 0, "295 VTREF_T_EN", nullptr},                                    // 44
    {CalibDescriptor(1, 0), 1, "294 COL_LOAD_T_EN",
     "Enable of pixel bus constant current load in top readout chain"},  // 45
    {CalibDescriptor(2, 0), 2, "292 CBUS_CTR_DUM_T", nullptr},           // 46
    {CalibDescriptor(2, 0), 0, "290 VTSIG_T_EN", nullptr},               // 47
    {CalibDescriptor(21, 3), 2085636, "269 CNT_INT_T",
     "ADC count setting for top readout chain"},                                        // 48
    {CalibDescriptor(4, 0), 0, "265 TANA2", "Program the output of analog test pin2"},  // 49
    {CalibDescriptor(4, 0), 0, "261 TANA1", "Program the output of analog test pin1"},  // 50
    {CalibDescriptor(1, 0), 0, "260 No use", nullptr},                                  // 51
    {CalibDescriptor(1, 0), 1, "259 LC_I_LVDS_EN",
     "Low current mode for LVDS output driver"},                                          // 52
    {CalibDescriptor(5, 0), 1, "254 I_LVDS", "Current setting for LVDS output driver"},   // 53
    {CalibDescriptor(5, 0), 8, "249 I_COL_DEC", "Slew rate control of column decoder"},   // 54
    {CalibDescriptor(1, 0), 1, "248 V_VINT_REF_EN", nullptr},                             // 55
    {CalibDescriptor(6, 0), 0, "242 V_VTSIG", nullptr},                                   // 56
    {CalibDescriptor(1, 0), 0, "241 VTSIG_INT_EN", nullptr},                              // 57
    {CalibDescriptor(6, 0), 0, "235 V_VTREF", nullptr},                                   // 58
    {CalibDescriptor(1, 0), 0, "234 VTREF_INT_EN", nullptr},                              // 59
    {CalibDescriptor(5, 0), 5, "229 I_COMP", "Analog bias of ADC’s comparator"},          // 60
    {CalibDescriptor(5, 0), 4, "224 I_PGA", "Analog bias of PGA OTA"},                    // 61
    {CalibDescriptor(3, 0), 5, "221 VCASN_PGA", "Analog bias of PGA OTA"},                // 62
    {CalibDescriptor(3, 0), 5, "218 VCASP_PGA", "Analog bias of PGA OTA"},                // 63
    {CalibDescriptor(5, 0), 0, "213 I_VBP_COL_BUF", nullptr},                             // 64
    {CalibDescriptor(5, 0), 0, "208 I_VBN_COL_BUF", nullptr},                             // 65
    {CalibDescriptor(1, 0), 0, "207 No use", nullptr},                                    // 66
    {CalibDescriptor(6, 0), 0, "201 V_VPC<5:0>", nullptr},                                // 67
    {CalibDescriptor(1, 0), 0, "200 VPC_INT_EN", nullptr},                                // 68
    {CalibDescriptor(1, 0), 0, "199 VHIGH_VPC_CTR", nullptr},                             // 69
    {CalibDescriptor(1, 0), 0, "198 VLOW_VPC_CTR", nullptr},                              // 70
    {CalibDescriptor(6, 0), 32, "192 V_VREF", "Reference voltage setting for PGA bias"},  // 71
    {CalibDescriptor(1, 0), 1, "191 VREF_INT_EN",
     "Enable of reference voltage for PGA bias"},  // 72
    {CalibDescriptor(1, 0), 1, "190 VHIGH_VREF_CTR",
     "Reference voltage setting for PGA bias"},  // 73
    {CalibDescriptor(1, 0), 0, "189 VLOW_VREF_CTR",
     "Reference voltage setting for PGA bias"},  // 74
    {CalibDescriptor(5, 0), 8, "184 I_DDR_DRIV",
     "Analog bias for the reference voltage buffer (for PGA bias)"},                         // 75
    {CalibDescriptor(5, 0), 5, "179 I_COMP_INV", "Slew rate control of comparator output"},  // 76
    {CalibDescriptor(5, 0), 4, "174 I_COL_LOAD",
     "Analog bias of pixel bus constant current load"},  // 77
    {CalibDescriptor(5, 0), 18, "169 I_COL_PCHLOAD",
     "Analog bias of pixel bus pre-charge current"},                                         // 78
    {CalibDescriptor(5, 0), 8, "164 I_ROW_LOGIC", "Slew rate control of row decoder"},       // 79
    {CalibDescriptor(6, 0), 2, "158 V_CLIP_SIG_LG", "Clip voltage for signal sampling"},     // 80
    {CalibDescriptor(6, 0), 0, "152 V_CLIP_SIG_HG", "Clip voltage for signal sampling"},     // 81
    {CalibDescriptor(6, 0), 0, "146 V_CLIP_RST_LG", "Clip voltage for reset sampling"},      // 82
    {CalibDescriptor(6, 0), 41, "140 V_CLIP_RST_HG", "Clip voltage for reset sampling"},     // 83
    {CalibDescriptor(1, 0), 1, "139 V_CLIP_EN", "Enable of anti-black-sun buffer"},          // 84
    {CalibDescriptor(5, 0), 8, "134 I_DRIV_CLIP", "Analog bias for anti-black-sun buffer"},  // 85
    {CalibDescriptor(1, 0), 1, "133 COMP_B_EN",
     "Enable of comparator in bottom readout chain"},  // 86
    {CalibDescriptor(1, 0), 1, "132 SC_OTA_B_EN",
     "Enable of PGA OTA in bottom readout chain"},                                     // 87
    {CalibDescriptor(2, 0), 0, "130 VREF_B_EN", nullptr},                              // 88
    {CalibDescriptor(6, 4), 9, "124 PGA_GAIN_B", "PGA gain of bottom readout chain"},  // 89
    {CalibDescriptor(2, 0), 0, "122 VTREF_B_EN", nullptr},                             // 90
    {CalibDescriptor(1, 0), 1, "121 COL_LOAD_B_EN",
     "Enable of pixel bus constant current load in bottom readout chain"},  // 91
    {CalibDescriptor(2, 0), 1, "119 CBUS_CTR_DUM_B", nullptr},              // 92
    {CalibDescriptor(2, 0), 0, "117 VTSIG_B_EN", nullptr},                  // 93
    {CalibDescriptor(21, 3), 2085636, " 96 CNT_INT_B",
     "ADC count setting for bottom readout chain"},                                           // 94
    {CalibDescriptor(5, 0), 0, " 91 TDIG2", "Program the output of digital test pin2"},       // 95
    {CalibDescriptor(5, 0), 0, " 86 TDIG1", "Program the output of digital test pin1"},       // 96
    {CalibDescriptor(9, 1), 511, " 77 LVDS_B_EN", "Enable of bottom LVDS output channels."},  // 97
    {CalibDescriptor(1, 0), 0, " 76 VREF_RAMP_EN", nullptr},                                  // 98
    {CalibDescriptor(6, 0), 0, " 70 INT_VREF_RAMP", nullptr},                                 // 99
    {CalibDescriptor(3, 0), 0, " 67 I_VREF_RAMP", nullptr},                                   // 100
    {CalibDescriptor(1, 0), 0, " 66 VSIG_RAMP_EN", nullptr},                                  // 101
    {CalibDescriptor(6, 0), 0, " 60 INT_VSIG_RAMP", nullptr},                                 // 102
    {CalibDescriptor(3, 0), 0, " 57 I_VSIG_RAMP", nullptr},                                   // 103
    {CalibDescriptor(6, 0), 29, " 51 VRAMP_SLOPE",
     "ADC ramp slope control (ADC gain)-small gain adjusting step"},  // 104
    {CalibDescriptor(3, 0), 2, " 48 I_RAMP_OTA", nullptr},            // 105
    {CalibDescriptor(4, 0), 8, " 44 DIG_GAIN",
     "ADC ramp slope control (ADC gain)-large gain adjusting step"},  // 106
    {CalibDescriptor(1, 0), 1, " 43 RST_CTR",
     "Pixel reset transistor state control during integration"},  // 107
    {CalibDescriptor(1, 0), 1, " 42 HDR_CTR",
     "Pixel HDR transistor state control during integration"},                // 108
    {CalibDescriptor(1, 0), 1, " 41 BLOCK_SEL_EN", "Enable of row decoder"},  // 109
    {CalibDescriptor(2, 0), 0, " 39 BW_LIM_B",
     "PGA bandwidth limiter control for bottom readout chain"},  // 110
    {CalibDescriptor(1, 0), 0, " 38 VHIGH_VREF_RAMP", nullptr},  // 111
    {CalibDescriptor(1, 0), 0, " 37 VLOW_VREF_RAMP", nullptr},   // 112
    {CalibDescriptor(1, 0), 0, " 36 VHIGH_VSIG_RAMP", nullptr},  // 113
    {CalibDescriptor(1, 0), 0, " 35 VLOW_VSIG_RAMP", nullptr},   // 114
    {CalibDescriptor(1, 0), 1, " 34 LVDS_CLK_T_EN",
     "Enable of DDR clock in top readout chain"},  // 115
    {CalibDescriptor(1, 0), 1, " 33 LVDS_CLK_B_EN",
     "Enable of DDR clock in bottom readout chain"},  // 116
    {CalibDescriptor(1, 0), 1, " 32 COL_EB_CTR",
     "Enable of selectable electrical black pixels"},                        // 117
    {CalibDescriptor(2, 0), 2, " 30 CBUS_CTRL_T", nullptr},                  // 118
    {CalibDescriptor(2, 0), 1, " 28 CBUS_CTRL_B", nullptr},                  // 119
    {CalibDescriptor(1, 0), 0, " 27 HDR_EN", nullptr},                       // 120
    {CalibDescriptor(1, 0), 0, " 26 RAMP_SEL_TOP_ENB", nullptr},             // 121
    {CalibDescriptor(26, 0), 0, "  0 No use", nullptr},                      // 122
    {0, 0, nullptr, nullptr},                                                // 123: end of list
    {CalibDescriptor(16, 1), 23040, "Mode_ID", nullptr},                     // 124
    {CalibDescriptor(16, 2), 0, "DAC0x", "DAC 0 (---)"},                     // 125
    {CalibDescriptor(16, 2), 1500, "VRD", "DAC 1 (1.5V  0..2.5V)"},          // 126
    {CalibDescriptor(16, 2), 2000, "VLDC", "DAC 2 (2.0V  0..2.5V)"},         // 127
    {CalibDescriptor(16, 2), 1300, "VRF", "DAC 3 (1.2V  0..2.5V)"},          // 128
    {CalibDescriptor(16, 2), 1500, "VPC", "DAC 4 (1.5V  0..2.5V)"},          // 129
    {CalibDescriptor(16, 2), 1300, "VRS", "DAC 5 (1.1V  0..2.5V)"},          // 130
    {CalibDescriptor(16, 2), 0, "VDRL", "DAC 6 (0V    0..2.5V)"},            // 131
    {CalibDescriptor(16, 2), 5000, "VDRV", "DAC 7 (5.0V  5..6.7V)"},         // 132
    {CalibDescriptor(16, 2), 5800, "VDDSF", "DAC 8 (5.8V  2.2V..6.7V)"},     // 133
    {CalibDescriptor(16, 2), 5000, "VTD", "DAC 9 (5.0V  0..8V)"},            // 134
    {CalibDescriptor(16, 2), 6100, "VddPIX", "DAC 10 (6.1V 0..8V)"},         // 135
    {CalibDescriptor(16, 2), 5000, "VTXH", "DAC 11 (5.0V 0..8V)"},           // 136
    {CalibDescriptor(16, 2), 0, "DAC12x", "DAC 12 (---)"},                   // 137
    {CalibDescriptor(16, 2), 7000, "VRH_VDRH", "DAC 13 (7.0V 0..8V)"},       // 138
    {CalibDescriptor(16, 2), 1850, "Vdd1_8A", "DAC 14 (1.85V 1.6V..1.9V)"},  // 139
    {CalibDescriptor(16, 2), 6500, "Vdd5A", "DAC 15 (6.5V 2.2V..6.7V)"},     // 140
    {CalibDescriptor(16, 5), 4300, "HDR_GAIN", "HDR : G1"},                  // 141
    {CalibDescriptor(16, 7), 32768, "FFC_GAIN", nullptr},                    // 142
    {CalibDescriptor(16, 5), 0, "Crop X", "..."},                            // 143
    {CalibDescriptor(16, 1), 0, "FFC_CTR", "..."},                           // 144
    {CalibDescriptor(16, 5), 1, "Sensor S/N", "Sensor S/N"},                 // 145
    {CalibDescriptor(16, 5), 1000, "FFC_OT", "..."},                         // 146
    {CalibDescriptor(16, 5), 1000, "FFC_OB", "..."},                         // 147
    {CalibDescriptor(16, 5), 0, "_TM0", nullptr},                            // 148
    {CalibDescriptor(16, 5), 10, "_TM1", nullptr},                           // 149
    {CalibDescriptor(16, 5), 20, "_TM2", nullptr},                           // 150
    {CalibDescriptor(16, 5), 30, "_TM3", nullptr},                           // 151
    {CalibDescriptor(16, 5), 40, "_TM4", nullptr},                           // 152
    {CalibDescriptor(16, 5), 50, "_TM5", nullptr},                           // 153
    {CalibDescriptor(16, 5), 60, "_TM6", nullptr},                           // 154
    {CalibDescriptor(16, 5), 70, "_TM7", nullptr},                           // 155
    {CalibDescriptor(16, 5), 80, "_TM8", nullptr},                           // 156
    {CalibDescriptor(16, 5), 90, "_TM9", nullptr},                           // 157
    {CalibDescriptor(16, 5), 100, "_TM10", nullptr},                         // 158
    {CalibDescriptor(16, 5), 110, "_TM11", nullptr},                         // 159
    {CalibDescriptor(16, 5), 120, "_TM12", nullptr},                         // 160
    {CalibDescriptor(16, 5), 130, "_TM13", nullptr},                         // 161
    {CalibDescriptor(16, 5), 140, "_TM14", nullptr},                         // 162
    {CalibDescriptor(16, 5), 150, "_TM15", nullptr},                         // 163
    {0, 0, nullptr, nullptr},                                                // 164: end of list
};
