// Sensor-mode pages: loading from and saving to the cache, packing and
// unpacking, and the field cursor.

#include <algorithm>
#include <cstring>
#include <string>

#include "CalibCompatibilityTable.h"
#include "CalibDataStructureConverter.h"
#include "CalibError.h"

namespace {

constexpr char kCtrlWord[] = "IMG_CTRL";
constexpr char kCtr2Word[] = "IMG_CTR2";
constexpr uint32_t kSpecificBits = 16;

bool NameIs(const calib_field_t& field, const char* name) {
  return field.name != nullptr && std::strcmp(field.name, name) == 0;
}

// First bit of the specific-fields table for a word entry, or -1 for other entries.
int32_t SpecificTableBase(const calib_field_t& field) {
  if (NameIs(field, kCtrlWord)) return 0;
  if (NameIs(field, kCtr2Word)) return kSpecificBits;
  return -1;
}

// pages_count pages of packed_page_size bytes each from `image`, packed.
void BuildPages(const CalibDataDesc& desc, const uint8_t* image, CalibPages& pages) {
  pages.clear();
  pages.reserve(desc.pages_count);
  for (uint32_t i = 0; i < desc.pages_count; ++i) {
    auto page = std::make_unique<CalibDataPage>();
    page->AllocateBuffers(desc.packed_page_size, desc.unpacked_page_size);
    page->SetPackedData(image + static_cast<size_t>(i) * desc.packed_page_size,
                        desc.packed_page_size);
    page->SetUnPackedData(desc.field_template, desc.unpacked_page_size);
    page->page_index = i;
    pages.push_back(std::move(page));
  }
}

// Fresh template fields, then the packed bytes over them; a page that fails its
// check keeps the template defaults.
void UnpackPage(const CalibDataDesc& desc, CalibDataPage& page) {
  if (page.unpacked_size != desc.unpacked_page_size)
    page.ReAllocUnapckedDataBuffer(desc.unpacked_page_size);
  page.SetUnPackedData(desc.field_template, desc.unpacked_page_size);
  desc.Unpack(page.packed_data.data(), page.unpacked_data.data());
  page.packed_flag = 0;
}

}  // namespace

void CalibDataStructureConverter::CheckDefined(const char* operation) const {
  const char* missing = nullptr;
  if (model_name_.empty())
    missing = "model name is not defined";
  else if (structure_version_ == 0)
    missing = "EEPROM data structure is not defined";
  else if (current_cpu_fw_.empty())
    missing = "current firmware version is not defined";
  else if (prepared_cpu_fw_.empty())
    missing = "prepared firmware version is not defined";
  if (missing != nullptr) ThrowCDSText(std::string(operation) + " - " + missing);
}

void CalibDataStructureConverter::CheckPagesLoaded(const char* operation) const {
  CheckDefined(operation);
  if (raw_data_cache_.empty())
    ThrowCDSText(std::string(operation) + " - partition was not allocated");
  if (pages_.empty()) ThrowCDSText(std::string(operation) + " - camera mode data was not loaded");
}

const CalibDataDesc& CalibDataStructureConverter::RequireDescription(const char* operation) {
  if (!UpdateCurrentCalibDataDesc()) ThrowCDSError(operation, "CDS definition not available");
  return *current_desc_;
}

CalibDataPage& CalibDataStructureConverter::SelectedUnpackedPage(const char* operation) {
  CheckPagesLoaded(operation);
  if (selected_page_ >= pages_.size())
    ThrowCDSError(operation, "Page index is too high",
                  StringPrintf("curr. %d, max. %d", static_cast<int>(selected_page_),
                               static_cast<int>(pages_.size())));
  CalibDataPage& page = *pages_[selected_page_];
  if (page.IsPacked()) ThrowCDSError(operation, "Selected page was not unpacked");
  return page;
}

calib_field_t& CalibDataStructureConverter::SelectedField(const char* operation) {
  CalibDataPage& page = SelectedUnpackedPage(operation);
  if (selected_field_ >= page.unpacked_data.size())
    ThrowCDSError(operation, "Field index is too high",
                  StringPrintf("curr. %d, max. %d", static_cast<int>(selected_field_),
                               static_cast<int>(page.unpacked_data.size())));
  return page.unpacked_data[selected_field_];
}

void CalibDataStructureConverter::LoadSensorModes() {
  CheckDefined("LoadSensorModes");
  if (raw_data_cache_.empty()) ThrowCDSError("LoadSensorModes", "Partition was not allocated");
  if (!UpdateCurrentCalibDataDesc())
    ThrowCDSText("LoadSensorModes CDS definition not available for model and eeprom_version");
  const CalibDataDesc& desc = *current_desc_;
  if (static_cast<uint64_t>(desc.pages_count) * desc.packed_page_size > cache_size_)
    ThrowCDSError("LoadSensorModes", "New data are out of bounds of camera memory space");
  BuildPages(desc, raw_data_cache_.data(), pages_);
}

void CalibDataStructureConverter::SaveSensorModes() {
  CheckDefined("SaveSensorModes");
  if (raw_data_cache_.empty()) ThrowCDSError("SaveSensorModes", "Partition was not allocated");
  const CalibDataDesc& desc = RequireDescription("SaveSensorModes");
  size_t offset = 0;
  for (const auto& page : pages_) {
    if (!page->IsPacked()) {
      desc.Pack(page->packed_data.data(), page->unpacked_data.data());
      page->packed_flag = 1;
    }
    if (offset + page->packed_size > raw_data_cache_.size())
      ThrowCDSError("SaveSensorModes", "New data are out of bounds of camera memory space");
    std::memcpy(CacheAt(static_cast<uint32_t>(offset)), page->packed_data.data(),
                page->packed_size);
    offset += page->packed_size;
  }
}

void CalibDataStructureConverter::UnpackSensorModesData() {
  CheckPagesLoaded("UnpackSensorModesData");
  const CalibDataDesc& desc = RequireDescription("UnpackSensorModesData");
  // A page already unpacked holds the newer values (perhaps edited); unpacking its
  // stale packed bytes again would throw the edits away.
  for (const auto& page : pages_)
    if (page->IsPacked()) UnpackPage(desc, *page);
}

void CalibDataStructureConverter::PackSensorModesData() {
  CheckPagesLoaded("PackSensorModesData");
  const CalibDataDesc& desc = RequireDescription("PackSensorModesData");
  // Only unpacked pages have fields to pack: the field array of a packed page is
  // no calibration, and packing it would overwrite the page's real bytes.
  for (const auto& page : pages_) {
    if (page->IsPacked()) continue;
    desc.Pack(page->packed_data.data(), page->unpacked_data.data());
    page->packed_flag = 1;
    std::fill(page->unpacked_data.begin(), page->unpacked_data.end(), calib_field_t{});
  }
}

void CalibDataStructureConverter::UnpackSensorModesDefaultsData() {
  CheckDefined("UnpackSensorModesDefaultsData");
  const CalibDataDesc& desc = RequireDescription("UnpackSensorModesDefaultsData");
  pages_.clear();
  LoadAndUnpackDstModeDefaults(model_name_.c_str(), desc, pages_);
}

void CalibDataStructureConverter::LoadAndUnpackDstModeDefaults(const char* model,
                                                               const CalibDataDesc& description,
                                                               CalibPages& pages) {
  const uint8_t* image = description.mode_defaults;
  if (image == nullptr) {
    for (const CalibDataDesc& row : GetCalibCompatibilityTable()) {
      if (row.mode_defaults != nullptr && row.structure_version == description.structure_version &&
          row.defaults_version == description.defaults_version &&
          CalibPatternFindsModel(row, model))
        image = row.mode_defaults;
    }
  }
  if (image == nullptr)
    ThrowCDSError("LoadAndUnpackDstModeDefaults", "ERROR mode defaults file is not defined");
  CalibPages built;
  BuildPages(description, image, built);
  for (const auto& page : built) UnpackPage(description, *page);
  pages = std::move(built);
}

uint32_t CalibDataStructureConverter::GetPagesCount() {
  CheckDefined("GetPagesCount");
  return RequireDescription("GetPagesCount").pages_count;
}

uint32_t CalibDataStructureConverter::GetPackedPagesCount() {
  CheckDefined("GetPackedPagesCount");
  return RequireDescription("GetPackedPagesCount").pages_count;
}

uint32_t CalibDataStructureConverter::GetPackedPageSize() {
  CheckDefined("GetPackedPageSize");
  return RequireDescription("GetPackedPageSize").packed_page_size;
}

void CalibDataStructureConverter::SelectFieldsPage(uint32_t page_index) {
  CheckPagesLoaded("SelectFieldsPage");
  const CalibDataDesc& desc = RequireDescription("SelectFieldsPage");
  if (page_index >= desc.pages_count || page_index >= pages_.size())
    ThrowCDSError("SelectFieldsPage", "Page index is too high",
                  StringPrintf("curr. %d, max. %d", static_cast<int>(page_index),
                               static_cast<int>(desc.pages_count)));
  selected_page_ = page_index;
}

uint32_t CalibDataStructureConverter::GetFieldsCount() {
  CheckDefined("GetFieldsCount");
  const CalibDataDesc& desc = RequireDescription("GetFieldsCount");
  if (desc.unpacked_page_size == 0 || desc.entry_size == 0)
    ThrowCDSError("GetFieldsCount", "Invalid unpacked data definitions");
  return desc.fields_count;
}

void CalibDataStructureConverter::SelectFieldByIndex(uint32_t field_index) {
  CheckPagesLoaded("SelectFieldByIndex");
  const CalibDataDesc& desc = RequireDescription("SelectFieldByIndex");
  if (desc.unpacked_page_size == 0 || desc.entry_size == 0)
    ThrowCDSError("SelectFieldByIndex", "Invalid unpacked data definitions");
  if (field_index >= desc.fields_count)
    ThrowCDSError("SelectFieldByIndex", "Field index is too high",
                  StringPrintf("curr. %d, max. %d", static_cast<int>(field_index),
                               static_cast<int>(desc.fields_count)));
  const CalibDataPage& page = SelectedUnpackedPage("SelectFieldByIndex");
  if (field_index >= page.unpacked_data.size())
    ThrowCDSError("SelectFieldByIndex", "Field index is too high",
                  StringPrintf("curr. %d, max. %d", static_cast<int>(field_index),
                               static_cast<int>(page.unpacked_data.size())));
  const calib_field_t& field = page.unpacked_data[field_index];
  selected_field_ = field_index;
  selected_field_name_ = field.name != nullptr ? field.name : "";
  // Chosen by index, a name holding "." (such as "Vdd1.8A") is still a whole field.
  selected_specific_ = false;
}

void CalibDataStructureConverter::SelectFieldByName(const char* name) {
  if (name != nullptr && std::strchr(name, '.') != nullptr) {
    SelectSpecificFieldByName(name);
    return;
  }
  CheckPagesLoaded("SelectFieldByName");
  const CalibDataDesc& desc = RequireDescription("SelectFieldByName");
  if (desc.unpacked_page_size == 0 || desc.entry_size == 0)
    ThrowCDSError("SelectFieldByName", "Invalid unpacked data definitions");
  const CalibDataPage& page = SelectedUnpackedPage("SelectFieldByName");
  const size_t count = std::min<size_t>(desc.fields_count, page.unpacked_data.size());
  for (size_t i = 0; name != nullptr && i < count; ++i) {
    if (NameIs(page.unpacked_data[i], name)) {
      selected_field_ = static_cast<uint32_t>(i);
      selected_field_name_ = name;
      selected_specific_ = false;
      return;
    }
  }
  ThrowCDSError("SelectFieldByName", "Field name not present in unpacked calibration data");
}

namespace {

void CopyFieldText(const char* operation, const char* text, char* buffer, uint32_t length,
                   const char* too_small) {
  if (buffer == nullptr) ThrowCDSError(operation, "Invalid field name buffer provided");
  if (text == nullptr) text = "";
  const size_t needed = std::strlen(text) + 1;
  if (needed > length) ThrowCDSError(operation, too_small);
  std::memcpy(buffer, text, needed);
}

}  // namespace

void CalibDataStructureConverter::GetFieldName(char* buffer, uint32_t length) {
  const calib_field_t& field = SelectedField("GetFieldName");
  CopyFieldText("GetFieldName", field.name, buffer, length, "Field name buffer too small");
}

void CalibDataStructureConverter::GetFieldDescription(char* buffer, uint32_t length) {
  const calib_field_t& field = SelectedField("GetFieldDescription");
  CopyFieldText("GetFieldDescription", field.comment, buffer, length,
                "Field description buffer too small");
}

uint32_t CalibDataStructureConverter::GetFieldType() {
  const calib_field_t& field = SelectedField("GetFieldType");
  selected_field_type_ = RequireDescription("GetFieldType").GetFieldType(field);
  return selected_field_type_;
}

void CalibDataStructureConverter::SetFieldType(uint32_t type) {
  selected_field_type_ = type;
}

int32_t CalibDataStructureConverter::GetFieldValueInt32() {
  if (selected_specific_) return GetSpecificFieldValueInt32();
  const calib_field_t& field = SelectedField("GetFieldValueInt32");
  return RequireDescription("GetFieldValueInt32").GetFieldValue(field);
}

void CalibDataStructureConverter::SetFieldValueInt32(int32_t value) {
  if (selected_specific_) {
    SetSpecificFieldValueInt32(value);
    return;
  }
  calib_field_t& field = SelectedField("SetFieldValueInt32");
  RequireDescription("SetFieldValueInt32").SetFieldValue(value, field);
}

uint32_t CalibDataStructureConverter::GetEnumValueCount() {
  const uint32_t type = GetFieldType();
  return type == 6 || type == 7 ? 64 : 0;
}

int32_t CalibDataStructureConverter::GetEnumValueItem() {
  CheckDefined("GetEnumValueItem");
  const CalibDataDesc& desc = RequireDescription("GetEnumValueItem");
  if (selected_field_type_ == 6) return desc.GetEnumValue(selected_enum_index_);
  if (selected_field_type_ == 7)
    return static_cast<int32_t>(desc.GetEnumValueRaw(selected_enum_index_));
  return 0;
}

void CalibDataStructureConverter::SelectSpecificFieldByName(const char* name) {
  constexpr const char* kOperation = "SelectSpecificFieldByName";
  CheckPagesLoaded(kOperation);
  const CalibDataDesc& desc = RequireDescription(kOperation);
  const CalibDataPage& page = SelectedUnpackedPage(kOperation);
  const calib_field_t* table = desc.GetSpecificFields ? desc.GetSpecificFields() : nullptr;
  if (table == nullptr)
    ThrowCDSError(kOperation, "ERROR, not supported for specified camera model and EEPROM version");
  const std::string full = name != nullptr ? name : "";
  const size_t point = full.find('.');
  const std::string word = full.substr(0, point);
  const std::string bit = point == std::string::npos ? std::string() : full.substr(point + 1);
  int64_t found_field = -1;
  uint32_t found_bit = 0;
  const size_t count = std::min<size_t>(desc.fields_count, page.unpacked_data.size());
  for (size_t i = 0; i < count; ++i) {
    const int32_t base = SpecificTableBase(page.unpacked_data[i]);
    if (base < 0 || !NameIs(page.unpacked_data[i], word.c_str())) continue;
    for (uint32_t b = 0; b < kSpecificBits; ++b) {
      if (NameIs(table[base + b], bit.c_str())) {
        found_field = static_cast<int64_t>(i);
        found_bit = b;
        break;
      }
    }
  }
  if (found_field < 0)
    ThrowCDSError(kOperation, "ERROR, field name not present in unpacked calibration data", full);
  selected_field_ = static_cast<uint32_t>(found_field);
  selected_bit_ = found_bit;
  selected_field_name_ = full;
  selected_specific_ = true;
}

int32_t CalibDataStructureConverter::GetSpecificFieldValueInt32() {
  const calib_field_t& field = SelectedField("GetSpecificFieldValueInt32");
  const CalibDataDesc& desc = RequireDescription("GetSpecificFieldValueInt32");
  if (desc.GetSpecificFields == nullptr || desc.GetSpecificFields() == nullptr)
    ThrowCDSError("GetSpecificFieldValueInt32",
                  "ERROR, not supported for specified camera model and EEPROM version");
  return static_cast<int32_t>((field.value >> selected_bit_) & 1);
}

void CalibDataStructureConverter::SetSpecificFieldValueInt32(int32_t value) {
  calib_field_t& field = SelectedField("SetSpecificFieldValueInt32");
  const CalibDataDesc& desc = RequireDescription("SetSpecificFieldValueInt32");
  if (desc.GetSpecificFields == nullptr || desc.GetSpecificFields() == nullptr)
    ThrowCDSError("SetSpecificFieldValueInt32",
                  "ERROR, not supported for specified camera model and EEPROM version");
  if (value != 0)
    field.value |= uint32_t{1} << selected_bit_;
  else
    field.value &= ~(uint32_t{1} << selected_bit_);
}

void CalibDataStructureConverter::UpdateUnpackedSpecificField(calib_field_t* fields,
                                                              const char* name, int32_t value) {
  const CalibDataDesc& desc = RequireDescription("UpdateUnpackedSpecificField");
  const calib_field_t* table = desc.GetSpecificFields ? desc.GetSpecificFields() : nullptr;
  if (table == nullptr || fields == nullptr || name == nullptr) return;
  const char* point = std::strchr(name, '.');
  const char* bit = point != nullptr ? point + 1 : name;
  for (uint32_t i = 0; i < desc.fields_count; ++i) {
    const int32_t base = SpecificTableBase(fields[i]);
    if (base < 0) continue;
    for (uint32_t b = 0; b < kSpecificBits; ++b) {
      if (!NameIs(table[base + b], bit)) continue;
      if (value >= 1)
        fields[i].value |= uint32_t{1} << b;
      else
        fields[i].value &= ~(uint32_t{1} << b);
    }
  }
}

void CalibDataStructureConverter::UpdateUnpackedFieldBit(uint32_t page_index, const char* name,
                                                         int32_t value) {
  const std::string full = name != nullptr ? name : "";
  const size_t separator = full.find("::");
  const std::string field_name = full.substr(0, separator);
  const std::string bit_text = separator == std::string::npos ? "" : full.substr(separator + 2);
  const int bit = std::stoi(bit_text);
  // A negative bit number would shift out of range just as 32 and above.
  if (bit < 0 || bit >= 32)
    ThrowCDSError("UpdateUnpackedFieldBit",
                  "ERROR, not supported to update other bits than in range 0-31",
                  std::to_string(bit));
  SelectFieldsPage(page_index);
  SelectFieldByName(field_name.c_str());
  uint32_t public_value = static_cast<uint32_t>(GetFieldValueInt32());
  if (value > 0)
    public_value |= uint32_t{1} << bit;
  else
    public_value &= ~(uint32_t{1} << bit);
  SetFieldValueInt32(static_cast<int32_t>(public_value));
}
