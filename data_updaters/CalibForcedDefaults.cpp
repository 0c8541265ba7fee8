#include "CalibForcedDefaults.h"

#include "CalibCsv.h"

CalibForcedDefaults::CalibForcedDefaults(const char* csv_text) {
  if (csv_text == nullptr) return;
  for (const std::string& line : SplitCsvLines(csv_text)) {
    const std::vector<std::string> cells = SplitFieldLine(line);
    if (cells.empty()) continue;
    entries_.emplace(CsvPageNumber(cells[0]), cells[1]);
  }
}

bool CalibForcedDefaults::Contains(uint32_t page, const std::string& field_name) const {
  return entries_.contains({page, field_name});
}
