#pragma once
// The TV450 accessor family, shared by the TV450 definitions and the test models:
// storage kinds 0-7, the 52-entry PGA gain table, the ADC counter code, and the
// summary and SetVal conversions over a definition's grid.

#include <cstdint>
#include <vector>

#include "CalibDataDesc.h"
#include "CalibPacking.h"

// What one definition of the family adds to the shared conversions.
struct Tv450FamilyDefinition {
  const char* class_name;  // prefix of the definition's error texts
  const uint16_t* grid;    // rows * columns template indices, row by row
  uint32_t rows;
  uint32_t columns;
  uint32_t cell_base;  // text cells are cell_base characters wide before the value
  uint32_t fields_count;
};

constexpr uint32_t kTv450GainEntries = 52;
constexpr uint32_t kTv450GainSlots = 64;

// The gain table: 64 slots, entries 0-51 used, in increasing gain.
const gain_entry_t* Tv450GainTable();

int32_t Tv450CounterDecode(uint32_t raw);
uint32_t Tv450CounterEncode(int32_t value);

void TV450KT_LN_H_Initialize();
int32_t TV450KT_LN_H_GetFieldValue(const calib_field_t& field);
void TV450KT_LN_H_SetFieldValue(int32_t value, calib_field_t& field);
uint32_t TV450KT_LN_H_GetFieldType(const calib_field_t& field);
int32_t TV450KT_LN_H_GetEnumValue(uint32_t index);
uint32_t TV450KT_LN_H_GetEnumValueRaw(uint32_t index);

void Tv450FamilySetVal(const Tv450FamilyDefinition& definition, calib_field_t* fields,
                       const char* name, const char* value);
void Tv450FamilyGetCalibData(const Tv450FamilyDefinition& definition, const calib_field_t* fields,
                             std::vector<calib_data_entry>& items, bool csv);

// The per-definition operations of a CalibDataDesc, bound to one definition.
template <const Tv450FamilyDefinition& kDefinition>
struct Tv450FamilyOps {
  static void SetVal(calib_field_t* fields, const char* name, const char* value) {
    Tv450FamilySetVal(kDefinition, fields, name, value);
  }
  static void GetCalibData(const calib_field_t* fields, std::vector<calib_data_entry>& items,
                           bool csv) {
    Tv450FamilyGetCalibData(kDefinition, fields, items, csv);
  }
  static uint32_t GetCalibRowsCount() { return kDefinition.rows; }
  static uint32_t GetCalibColumnsCount() { return kDefinition.columns; }
  static uint32_t GetFieldsCount() { return kDefinition.fields_count; }
};

// The model part of a compatibility row of this family: 128 pages packed with
// scheme A, the family's accessors and the definition's summary operations.
template <const Tv450FamilyDefinition& kDefinition>
constexpr CalibDataDesc Tv450FamilyDesc(uint8_t structure_version, uint8_t defaults_version,
                                        const calib_field_t* field_template,
                                        const uint8_t* mode_defaults) {
  using Ops = Tv450FamilyOps<kDefinition>;
  CalibDataDesc desc{};
  desc.structure_version = structure_version;
  desc.defaults_version = defaults_version;
  desc.pages_count = 128;
  desc.packed_page_size = kSchemeAPageSize;
  desc.field_template = field_template;
  desc.unpacked_page_size = kDefinition.fields_count * sizeof(calib_field_t);
  desc.entry_size = sizeof(calib_field_t);
  desc.fields_count = kDefinition.fields_count;
  desc.Initialize = TV450KT_LN_H_Initialize;
  desc.Pack = PackSchemeA;
  desc.Unpack = UnpackSchemeA;
  desc.SetVal = Ops::SetVal;
  desc.GetCalibRowsCount = Ops::GetCalibRowsCount;
  desc.GetCalibColumnsCount = Ops::GetCalibColumnsCount;
  desc.GetCalibData = Ops::GetCalibData;
  desc.mode_defaults = mode_defaults;
  desc.GetFieldValue = TV450KT_LN_H_GetFieldValue;
  desc.SetFieldValue = TV450KT_LN_H_SetFieldValue;
  desc.GetFieldType = TV450KT_LN_H_GetFieldType;
  desc.GetFieldsCount = Ops::GetFieldsCount;
  desc.GetEnumValue = TV450KT_LN_H_GetEnumValue;
  desc.GetEnumValueRaw = TV450KT_LN_H_GetEnumValueRaw;
  return desc;
}
