#pragma once
// The compatibility table: which structure description belongs to which camera
// model and CPU firmware range. Rows are searched in order; each is a structure
// definition with the row's model pattern, CPU range and firmware associations.

#include <cstdint>
#include <span>

#include "CalibDataDesc.h"

// Which firmware carries the calibration data of a row's cameras.
struct CalibFirmwareAssociation {
  uint32_t fw_type;
  uint32_t qz_fw_type;
  uint32_t device_unit_selector;
  const char* ffs_file_name;
};

// One row: the definition's model part completed with the row's own columns.
CalibDataDesc CalibCompatibilityRow(const char* model_pattern, const char* cpu_version_from,
                                    const char* cpu_version_to, const CalibDataDesc& definition,
                                    const CalibFirmwareAssociation& association);

// The rows in use: the built-in table unless a test installed others.
std::span<const CalibDataDesc> GetCalibCompatibilityTable();

// Installs `rows` for the code under test and returns the ones it replaces; an
// empty span restores the built-in table. The rows must outlive their use.
std::span<const CalibDataDesc> SetCalibCompatibilityTable(std::span<const CalibDataDesc> rows);

// Whether the row's pattern (ECMAScript) is found anywhere in the model name.
bool CalibPatternFindsModel(const CalibDataDesc& row, const char* model);
