// Calibration summary, field CSV and page dumps, and updates from CSV files.
// Files are composed in memory and written whole, so a failure part-way never
// leaves a truncated file behind in place of an earlier good one.

#include <cstring>
#include <string>

#include "CalibCsv.h"
#include "CalibDataStructureConverter.h"
#include "CalibError.h"
#include "CalibPacking.h"

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kCtrlWord[] = "IMG_CTRL";
constexpr char kCtr2Word[] = "IMG_CTR2";

const char* TextOrEmpty(const char* text) {
  return text != nullptr ? text : "";
}

}  // namespace

void CalibDataStructureConverter::WriteUnpackedCalibData(const char* file_name, bool csv) {
  constexpr const char* kOperation = "WriteUnpackedCalibData";
  if (file_name == nullptr) ThrowCDSError(kOperation, "File name is null");
  if (model_name_.empty()) ThrowCDSError(kOperation, "Model name is not defined");
  if (structure_version_ == 0) ThrowCDSError(kOperation, "EEPROM data structure is not defined");
  RequireDescription(kOperation);
  const std::string text = FormatCalibSummary(csv);
  WriteWholeFile(kOperation, file_name, text.data(), text.size(),
                 "Failed to open file for storing unpacked EEPROM calibration data");
}

std::string CalibDataStructureConverter::FormatCalibSummary(bool csv) {
  constexpr const char* kOperation = "WriteUnpackedCalibData";
  const CalibDataDesc& desc = RequireDescription(kOperation);
  std::string text;
  if (csv) text += std::string("Mode ID,Name,Value,Unit") + kLineEnd;
  std::vector<calib_data_entry> items;
  for (const auto& page : pages_) {
    if (page->IsPacked())
      ThrowCDSError(kOperation, "Cannot convert packed page data, please unpack them first");
    desc.Initialize();
    desc.GetCalibData(page->unpacked_data.data(), items, csv);
    const uint32_t rows = desc.GetCalibRowsCount();
    const uint32_t columns = desc.GetCalibColumnsCount();
    if (items.size() != static_cast<size_t>(rows) * columns || items.empty())
      ThrowCDSError(kOperation, "Reported file structure is not valid");
    if (csv) {
      // The grid's last cell is the page's Mode_ID: it names the mode on every line.
      const std::string& mode = items.back().value;
      for (uint32_t row = 0; row < rows; ++row) {
        for (uint32_t column = 0; column < columns; ++column) {
          const calib_data_entry& item = items[column * rows + row];
          if (item.name.empty()) continue;
          text += mode + "," + item.name + "," + item.value + "," + item.unit + kLineEnd;
        }
      }
      WriteUnpackedSpecificFields(page->page_index, text, true);
    } else {
      for (uint32_t row = 0; row < rows; ++row) {
        for (uint32_t column = 0; column < columns; ++column) {
          const calib_data_entry& item = items[column * rows + row];
          text += "| " + item.name + ":" + item.value + " " + item.unit;
          if (column + 1 < columns) text += "\t";
        }
        text += std::string(" |") + kLineEnd;
      }
      WriteUnpackedSpecificFields(page->page_index, text, false);
      text += std::string(kLineEnd) + kLineEnd + kLineEnd;
    }
  }
  return text;
}

void CalibDataStructureConverter::WriteUnpackedSpecificFields(uint32_t page_index,
                                                              std::string& text, bool csv) {
  const CalibDataDesc& desc = RequireDescription("WriteUnpackedSpecificFields");
  const calib_field_t* table = desc.GetSpecificFields ? desc.GetSpecificFields() : nullptr;
  if (table == nullptr || page_index >= pages_.size()) return;
  const CalibDataPage& page = *pages_[page_index];
  const size_t count = std::min<size_t>(desc.fields_count, page.unpacked_data.size());
  for (const char* word : {kCtrlWord, kCtr2Word}) {
    const uint32_t base = word == kCtrlWord ? 0 : 16;
    for (size_t i = 0; i < count; ++i) {
      const calib_field_t& field = page.unpacked_data[i];
      if (field.name == nullptr || std::strcmp(field.name, word) != 0) continue;
      for (uint32_t b = 0; b < 16; ++b) {
        const int bit = static_cast<int>((field.value >> b) & 1);
        const char* bit_name = TextOrEmpty(table[base + b].name);
        if (csv)
          text += StringPrintf("0x5A%02X,%s.%s,%d,", static_cast<unsigned>(page_index), word,
                               bit_name, bit);
        else
          text += StringPrintf("%s.%s : %d", word, bit_name, bit);
        text += kLineEnd;
      }
    }
  }
}

void CalibDataStructureConverter::WriteUnpackedCalibDataCsv(const char* file_name) {
  constexpr const char* kOperation = "WriteUnpackedCalibDataCsv";
  if (file_name == nullptr) ThrowCDSError(kOperation, "File name is null");
  if (model_name_.empty()) ThrowCDSError(kOperation, "Model name is not defined");
  if (structure_version_ == 0) ThrowCDSError(kOperation, "EEPROM data structure is not defined");
  RequireDescription(kOperation);
  const std::string text = FormatFieldCsv();
  WriteWholeFile(kOperation, file_name, text.data(), text.size(),
                 "Failed to open file for storing unpacked EEPROM calibration data");
}

std::string CalibDataStructureConverter::FormatFieldCsv() {
  constexpr const char* kOperation = "WriteUnpackedCalibDataCsv";
  std::string text = std::string("Mode ID,Name,Value") + kLineEnd;
  for (uint32_t p = 0; p < pages_.size(); ++p) {
    if (pages_[p]->IsPacked())
      ThrowCDSError(kOperation, "Cannot convert packed page data, please unpack them first");
    SelectFieldsPage(p);
    const uint32_t count = GetFieldsCount();
    for (uint32_t i = 0; i < count; ++i) {
      SelectFieldByIndex(i);
      const uint32_t type = GetFieldType();
      const int32_t value = GetFieldValueInt32();
      if (type == 0) continue;
      char name[260];
      GetFieldName(name, sizeof name);
      std::string value_text;
      switch (type) {
        case 1:
          value_text = StringPrintf("%d", value);
          break;
        case 2:
          value_text = StringPrintf("%f", static_cast<float>(value) / 100.0f);
          break;
        case 3:
        case 6:
          value_text = StringPrintf("%f", static_cast<float>(value) / 1000.0f);
          break;
        case 4:
          value_text = StringPrintf("%f", static_cast<float>(value) / 32768.0f);
          break;
        case 5:
          value_text = StringPrintf("0x%x", static_cast<unsigned>(value));
          break;
        default:
          ThrowCDSError(kOperation, "Unknown data type");
      }
      text += StringPrintf("%04d,%s,", static_cast<int>(p), name) + value_text + kLineEnd;
    }
  }
  return text;
}

const CalibDataPage& CalibDataStructureConverter::DumpedPage(const char* operation,
                                                             uint16_t page_index) {
  if (page_index >= pages_.size())
    ThrowCDSError(operation, "Page index too high",
                  StringPrintf("input %d, max. %llu", page_index,
                               static_cast<unsigned long long>(pages_.size())));
  return *pages_[page_index];
}

void CalibDataStructureConverter::WriteUnpackedPageData(const char* file_name,
                                                        uint16_t page_index) {
  constexpr const char* kOperation = "WriteUnpackedPageData";
  if (file_name == nullptr) ThrowCDSError(kOperation, "File name is null");
  const CalibDataPage& page = DumpedPage(kOperation, page_index);
  const CalibDataDesc& desc = RequireDescription(kOperation);
  std::string text = std::string("Bit count\tData\tName\tComment") + kLineEnd;
  const size_t count = std::min<size_t>(desc.fields_count, page.unpacked_data.size());
  for (size_t i = 0; i < count; ++i) {
    const calib_field_t& field = page.unpacked_data[i];
    // Typed fields show their whole descriptor in hexadecimal.
    text += StringPrintf(field.descriptor <= 32 ? "%d\t%d\t%s\t%s" : "0x%X\t%d\t%s\t%s",
                         field.descriptor, field.value, TextOrEmpty(field.name),
                         TextOrEmpty(field.comment));
    text += kLineEnd;
  }
  WriteWholeFile(kOperation, file_name, text.data(), text.size(),
                 "Failed to open file for storing unpacked EEPROM page data");
}

void CalibDataStructureConverter::WritePackedPageData(const char* file_name, uint16_t page_index) {
  constexpr const char* kOperation = "WritePackedPageData";
  if (file_name == nullptr) ThrowCDSError(kOperation, "Data file is not defined");
  const CalibDataPage& page = DumpedPage(kOperation, page_index);
  const CalibDataDesc& desc = RequireDescription(kOperation);
  std::vector<uint8_t> bytes = page.packed_data;
  // The packed bytes of an unpacked page are stale; dump what its fields hold.
  if (!page.IsPacked()) desc.Pack(bytes.data(), page.unpacked_data.data());
  WriteWholeFile(kOperation, file_name, bytes.data(), page.packed_size,
                 "Failed to open file for storing unpacked EEPROM data");
}

void CalibDataStructureConverter::ApplyCsvLine(uint32_t page_index, const std::string& name,
                                               const std::string* value, bool bit_names) {
  calib_field_t* fields = pages_[page_index]->unpacked_data.data();
  if (name.find('.') != std::string::npos) {
    UpdateUnpackedSpecificField(fields, name.c_str(), std::stoi(value ? *value : std::string()));
  } else if (bit_names && name.find("::") != std::string::npos) {
    UpdateUnpackedFieldBit(page_index, name.c_str(), std::stoi(value ? *value : std::string()));
  } else {
    current_desc_->SetVal(fields, name.c_str(), value ? value->c_str() : nullptr);
  }
}

namespace {

// The lines of an update file. A file that cannot be read is an error: carrying
// on would leave the image with factory defaults where calibration was meant.
std::vector<std::string> ReadUpdateFile(const char* operation, const char* file_name) {
  std::string content;
  if (!ReadWholeFile(file_name, content))
    ThrowCDSError(operation, "Failed to open file", file_name);
  return SplitCsvLines(content);
}

}  // namespace

void CalibDataStructureConverter::UpdatePagesFromCsv(const char* file_name, int32_t first_page,
                                                     int32_t last_page) {
  constexpr const char* kOperation = "UpdatePagesFromCsv";
  if (file_name == nullptr) ThrowCDSError(kOperation, "File name is null");
  if (model_name_.empty()) ThrowCDSError(kOperation, "Model name is not defined");
  if (structure_version_ == 0) ThrowCDSError(kOperation, "EEPROM data structure is not defined");
  if (pages_.empty()) ThrowCDSError(kOperation, "Calibration data was not loaded");
  if (first_page < 0 || last_page < first_page)
    ThrowCDSError(kOperation, "Invalid starting index",
                  StringPrintf("range <%d,%d>", first_page, last_page));
  const std::vector<std::string> lines = ReadUpdateFile(kOperation, file_name);
  const CalibDataDesc& desc = RequireDescription(kOperation);
  desc.Initialize();
  for (const std::string& line : lines) {
    const std::vector<std::string> cells = SplitFieldLine(line);
    if (cells.empty() || cells[0].find("0x5A") == std::string::npos) continue;
    const uint32_t page = CsvPageNumber(cells[0]);
    if (page >= pages_.size())
      ThrowCDSError(kOperation, "CSV file contains invalid page number",
                    StringPrintf("curr. %d, max. %llu", static_cast<int>(page),
                                 static_cast<unsigned long long>(pages_.size())));
    if (page < static_cast<uint32_t>(first_page)) continue;
    if (page > static_cast<uint32_t>(last_page)) break;
    if (pages_[page]->IsPacked()) ThrowCDSError(kOperation, "Cannot convert packed page data");
    ApplyCsvLine(page, cells[1], cells.size() > 2 ? &cells[2] : nullptr, true);
  }
}

void CalibDataStructureConverter::UpdatePagesFromCsv(const char* file_name,
                                                     const std::vector<uint32_t>& pages) {
  constexpr const char* kOperation = "UpdatePagesFromCsv";
  if (file_name == nullptr) ThrowCDSError(kOperation, "File name is null");
  if (pages.empty()) ThrowCDSError(kOperation, "Provided pages list is empty");
  if (pages_.empty()) ThrowCDSError(kOperation, "Calibration data was not loaded");
  const CalibDataDesc& desc = RequireDescription(kOperation);
  desc.Initialize();
  for (const uint32_t page : pages) {
    if (page >= pages_.size())
      ThrowCDSError(kOperation, "Page index too high",
                    StringPrintf("input %d, max. %llu", static_cast<int>(page),
                                 static_cast<unsigned long long>(pages_.size())));
    const std::vector<std::string> lines = ReadUpdateFile(kOperation, file_name);
    if (pages_[page]->IsPacked())
      ThrowCDSError(kOperation, "Cannot convert packed page data, please run unpack first");
    for (const std::string& line : lines) {
      const std::vector<std::string> cells = SplitFieldLine(line);
      if (cells.empty() || CsvPageNumber(cells[0]) != page) continue;
      ApplyCsvLine(page, cells[1], cells.size() > 2 ? &cells[2] : nullptr, false);
    }
  }
}

void CalibDataStructureConverter::UpdateAllPagesFromCsv(const char* file_name) {
  constexpr const char* kOperation = "UpdateAllPagesFromCsv";
  if (file_name == nullptr) ThrowCDSError(kOperation, "File name is null");
  if (structure_version_ == 0)
    ThrowCDSError(kOperation, "EEPROM data structure version is not defined");
  UpdatePagesFromCsv(file_name, 0, static_cast<int32_t>(pages_.size()));
}
