#include "CalibCompatibilityTable.h"

#include <regex>

#include "Tv450Definitions.h"

namespace {

template <size_t N>
void CopyText(char (&to)[N], const char* from) {
  size_t i = 0;
  for (; from != nullptr && from[i] != '\0' && i + 1 < N; ++i) to[i] = from[i];
  for (; i < N; ++i) to[i] = '\0';
}

constexpr CalibFirmwareAssociation kCpu1 = {1, 2, 6, "File_FW_CPU1"};

std::span<const CalibDataDesc> BuiltInTable() {
  static const CalibDataDesc rows[] = {
      CalibCompatibilityRow("^TV450.*T-LN-W.*", "01.02", "03.99", RegTV450KT_LN_W_V2_1_Def, kCpu1),
      CalibCompatibilityRow("^TV450.*T-LN-W.*", "01.02", "03.99", RegTV450KT_LN_W_V2_2_Def, kCpu1),
      CalibCompatibilityRow("^TV450.*T-LN-W.*", "01.02", "03.99", RegTV450KT_LN_W_V2_3_Def, kCpu1),
      CalibCompatibilityRow("^TV450.*T-LN-H.*", "01.02", "03.99", RegTV450KT_LN_H_V2_1_Def, kCpu1),
      CalibCompatibilityRow("^TV450.*T-LN-H.*", "01.02", "03.99", RegTV450KT_LN_H_V2_2_Def, kCpu1),
      CalibCompatibilityRow("^TV450.*T-LN-H.*", "01.02", "03.99", RegTV450KT_LN_H_V2_3_Def, kCpu1),
  };
  return rows;
}

std::span<const CalibDataDesc> installed;

}  // namespace

CalibDataDesc CalibCompatibilityRow(const char* model_pattern, const char* cpu_version_from,
                                    const char* cpu_version_to, const CalibDataDesc& definition,
                                    const CalibFirmwareAssociation& association) {
  CalibDataDesc row = definition;
  CopyText(row.model_pattern, model_pattern);
  CopyText(row.cpu_version_from, cpu_version_from);
  CopyText(row.cpu_version_to, cpu_version_to);
  row.associated_fw_type = association.fw_type;
  row.associated_qz_fw_type = association.qz_fw_type;
  row.device_unit_selector = association.device_unit_selector;
  CopyText(row.ffs_file_name, association.ffs_file_name);
  return row;
}

std::span<const CalibDataDesc> GetCalibCompatibilityTable() {
  return installed.empty() ? BuiltInTable() : installed;
}

std::span<const CalibDataDesc> SetCalibCompatibilityTable(std::span<const CalibDataDesc> rows) {
  const std::span<const CalibDataDesc> previous = installed;
  installed = rows;
  return previous;
}

bool CalibPatternFindsModel(const CalibDataDesc& row, const char* model) {
  if (model == nullptr) return false;
  const std::regex pattern(row.model_pattern, std::regex::ECMAScript);
  return std::regex_search(model, pattern);
}
