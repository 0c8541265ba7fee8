#pragma once
// Records of the calibration data converter: one unpacked field, one summary
// item, one data area, one gain-table entry and the structure description that
// drives everything model-specific (one row of the compatibility table).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CalibDataPage;
class CalibDataStructureConverter;

// One unpacked field. Descriptor bits 0-7 width (bits 0-8 in the 512-byte page
// packing), bits 8-11 group number, bits 12-15 storage kind; width 0 ends a list.
struct calib_field_t {
  uint32_t descriptor;
  uint32_t value;
  const char* name;     // may be null
  const char* comment;  // may be null
};
static_assert(sizeof(calib_field_t) == 24, "pages and templates count 24-byte entries");

// One item of the calibration summary. In text form the name comes padded or cut
// to the width its cell leaves beside the value.
struct calib_data_entry {
  std::string name;
  std::string value;
  std::string unit;
};

// One fixed data area of the EEPROM image; `reserved` is never written.
struct CalibDataInfo {
  uint32_t offset;
  uint32_t size;
  uint32_t reserved;
};

// One entry of a PGA gain table.
struct gain_entry_t {
  double gain;
  double gain_db;
  int32_t code;
  int32_t index;
};

// Data areas of the EEPROM image, chosen by the callers of the raw-data operations.
enum CalibDataType : uint32_t {
  CALIB_DATA_WHOLE_EEPROM = 1,
  CALIB_DATA_MODES_AND_PARTITION = 2,
  CALIB_DATA_PARTITION_TABLE = 3,
  CALIB_DATA_CAMERA_MODES = 4,
};

using CalibPages = std::vector<std::unique_ptr<CalibDataPage>>;

// One structure description: model pattern and CPU firmware range of the row,
// the two versions, the page geometry, the field template and the operations of
// the model's definition. Plain data: the converter copies the matching row.
struct CalibDataDesc {
  char model_pattern[64];  // ECMAScript regular expression, searched in the model name
  char cpu_version_from[64];
  char cpu_version_to[64];
  uint8_t structure_version;
  uint8_t defaults_version;
  uint32_t pages_count;
  uint32_t packed_page_size;
  const calib_field_t* field_template;  // the default unpacked page
  uint32_t unpacked_page_size;          // bytes: fields_count * entry_size
  uint32_t entry_size;
  uint32_t fields_count;  // terminators included

  void (*Initialize)();
  void (*Pack)(uint8_t* packed, const calib_field_t* fields);
  // Returns false (and changes nothing) when the packed page fails its check.
  bool (*Unpack)(const uint8_t* packed, calib_field_t* fields);
  void (*SetVal)(calib_field_t* fields, const char* name, const char* value);
  uint32_t (*GetCalibRowsCount)();
  uint32_t (*GetCalibColumnsCount)();
  void (*GetCalibData)(const calib_field_t* fields, std::vector<calib_data_entry>& items, bool csv);

  const uint8_t* mode_defaults;     // pages_count * packed_page_size bytes, or null
  const char* forced_defaults_csv;  // or null
  // Converts the pages of the previous version into this one; null when the row
  // is no upgrade step.
  void (*UpdateProcedure)(CalibDataStructureConverter& converter, CalibPages& pages,
                          const char* model);

  int32_t (*GetFieldValue)(const calib_field_t& field);
  void (*SetFieldValue)(int32_t value, calib_field_t& field);
  uint32_t (*GetFieldType)(const calib_field_t& field);
  uint32_t (*GetFieldsCount)();
  // 32 entries naming bits 0-15 of IMG_CTRL and then of IMG_CTR2, or null.
  const calib_field_t* (*GetSpecificFields)();
  int32_t (*GetEnumValue)(uint32_t index);
  uint32_t (*GetEnumValueRaw)(uint32_t index);

  uint32_t associated_fw_type;     // 1 = CPU1, 2 = CPU2
  uint32_t associated_qz_fw_type;  // the same firmware as a camera API type code
  uint32_t device_unit_selector;
  char ffs_file_name[68];
};
