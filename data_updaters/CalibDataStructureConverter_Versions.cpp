// Version texts and the searches of the compatibility table.

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "CalibCompatibilityTable.h"
#include "CalibDataStructureConverter.h"
#include "CalibError.h"

namespace {

struct VersionPair {
  int64_t major = 0;
  int64_t minor = 0;
  auto operator<=>(const VersionPair&) const = default;
};

// Two decimals separated by "."; a missing part counts 0.
VersionPair ReadVersion(const char* text) {
  VersionPair version;
  char* end = nullptr;
  version.major = std::strtol(text, &end, 10);
  if (end == text) return {};
  if (*end == '.') version.minor = std::strtol(end + 1, nullptr, 10);
  return version;
}

// The first row whose pattern finds the model, for the association queries.
const CalibDataDesc& FirstRowForModel(const char* operation, const char* model) {
  if (model == nullptr) ThrowCDSError(operation, "Input value is not valid.");
  for (const CalibDataDesc& row : GetCalibCompatibilityTable())
    if (CalibPatternFindsModel(row, model)) return row;
  ThrowCDSError(operation, "Value is not defined.");
}

}  // namespace

void CalibDataStructureConverter::SplitVersionString(const char* version, int32_t* major,
                                                     int32_t* minor) {
  if (version == nullptr) ThrowCDSError("SplitVersionString ERROR", "Invalid version string");
  if (major == nullptr) ThrowCDSError("SplitVersionString ERROR", "Invalid major version pointer");
  if (minor == nullptr) ThrowCDSError("SplitVersionString ERROR", "Invalid minor version pointer");
  const char* point = std::strchr(version, '.');
  if (point == nullptr || std::strchr(point + 1, '.') != nullptr)
    ThrowCDSError("SetCameraDataVersion", "Version string does not contain major/minor definition");
  *major = std::stoi(std::string(version, point));
  *minor = std::stoi(std::string(point + 1));
}

bool CalibDataStructureConverter::IsVersionInRange(const char* version, const char* from,
                                                   const char* to) {
  if (version == nullptr) ThrowCDSError("IsVersionInRange ERROR", "Invalid current version string");
  if (from == nullptr)
    ThrowCDSError("IsVersionInRange ERROR", "ThrowCDSError invalid version from string");
  if (to == nullptr) ThrowCDSError("IsVersionInRange ERROR", "Invalid version to string");
  const VersionPair current = ReadVersion(version);
  return ReadVersion(from) <= current && current <= ReadVersion(to);
}

bool CalibDataStructureConverter::UpdateCurrentCalibDataDesc() {
  if (current_desc_) return true;
  try {
    current_desc_ = std::make_unique<CalibDataDesc>();
  } catch (const std::bad_alloc&) {
    ThrowCDSError("UpdateCurrentCalibDataDesc",
                  "Failed to allocate local calibration data description instance");
  }
  if (GetCurrentCalibInfo(current_desc_.get(), model_name_.c_str(), structure_version_,
                          defaults_version_))
    return true;
  current_desc_.reset();
  return false;
}

bool CalibDataStructureConverter::GetCurrentCalibInfo(CalibDataDesc* description, const char* model,
                                                      uint8_t structure_version,
                                                      uint8_t defaults_version) {
  if (description == nullptr || model == nullptr)
    ThrowCDSError("GetCurrentCalibInfo", "Invalid input parameters");
  if (*model == '\0') ThrowCDSError("GetCurrentCalibInfo", "Model name is not defined");
  const CalibDataDesc* found = nullptr;
  for (const CalibDataDesc& row : GetCalibCompatibilityTable()) {
    if (row.structure_version == structure_version && row.defaults_version == defaults_version &&
        CalibPatternFindsModel(row, model))
      found = &row;
  }
  if (found == nullptr) {
    ReportCDSError("GetCurrentCalibInfo", "CDS definition not available",
                   StringPrintf("%s %02d.%02d", model, structure_version, defaults_version));
    return false;
  }
  *description = *found;
  return true;
}

const CalibDataDesc* CalibDataStructureConverter::FindRowForCpu(const char* version) const {
  const CalibDataDesc* found = nullptr;
  for (const CalibDataDesc& row : GetCalibCompatibilityTable()) {
    if (IsVersionInRange(version, row.cpu_version_from, row.cpu_version_to) &&
        CalibPatternFindsModel(row, model_name_.c_str()))
      found = &row;
  }
  return found;
}

uint8_t CalibDataStructureConverter::VersionForCurrentCpu(const char* operation, bool structure) {
  if (model_name_.empty()) ThrowCDSError(operation, "Model name is not defined");
  if (current_cpu_fw_.empty()) ThrowCDSError(operation, "Current firmware version is not defined");
  const CalibDataDesc* row = FindRowForCpu(current_cpu_fw_.c_str());
  if (row == nullptr)
    ThrowCDSError(operation, "Missing EEPROM data structure definition",
                  model_name_ + " and current CPU firmware " + current_cpu_fw_);
  return structure ? row->structure_version : row->defaults_version;
}

uint8_t CalibDataStructureConverter::GetEepromDataStructVersionForCurrentCpu() {
  return VersionForCurrentCpu("GetEepromDataStructVersionForCurrentCpu", true);
}

uint8_t CalibDataStructureConverter::GetCameraModeDefaultsVersionForCurrentCpu() {
  return VersionForCurrentCpu("GetCameraModeDefaultsVersionForCurrentCpu", false);
}

bool CalibDataStructureConverter::IsCpuFirmwareVersionSupported(const char* version) {
  if (model_name_.empty())
    ThrowCDSError("IsCpuFirmwareVersionSupported", "Model name is not defined");
  for (const CalibDataDesc& row : GetCalibCompatibilityTable()) {
    if (IsVersionInRange(version, row.cpu_version_from, row.cpu_version_to) &&
        CalibPatternFindsModel(row, model_name_.c_str()))
      return true;
  }
  return false;
}

bool CalibDataStructureConverter::IsEEPROMStructModeDefaultsVersionSupported(
    uint8_t structure_version, uint8_t defaults_version) {
  if (model_name_.empty())
    ThrowCDSError("IsEEPROMStructModeDefaultsVersionSupported", "Model name is not defined");
  if (current_cpu_fw_.empty())
    ThrowCDSError("IsEEPROMStructModeDefaultsVersionSupported",
                  "Current firmware version is not defined");
  for (const CalibDataDesc& row : GetCalibCompatibilityTable()) {
    if (row.structure_version == structure_version && row.defaults_version == defaults_version &&
        IsVersionInRange(current_cpu_fw_.c_str(), row.cpu_version_from, row.cpu_version_to) &&
        CalibPatternFindsModel(row, model_name_.c_str()))
      return true;
  }
  return false;
}

bool CalibDataStructureConverter::IsCameraModelSupported(const char* model) {
  if (model == nullptr) return false;
  for (const CalibDataDesc& row : GetCalibCompatibilityTable())
    if (CalibPatternFindsModel(row, model)) return true;
  return false;
}

void CalibDataStructureConverter::GetAssociatedFwType(const char* model, uint32_t* fw_type) {
  if (fw_type == nullptr) ThrowCDSError("GetAssociatedFwType", "Input value is not valid.");
  *fw_type = FirstRowForModel("GetAssociatedFwType", model).associated_fw_type;
}

void CalibDataStructureConverter::GetAssocQzFwType(const char* model, uint32_t* qz_fw_type) {
  if (qz_fw_type == nullptr) ThrowCDSError("GetAssocQzFwType", "Input value is not valid.");
  *qz_fw_type = FirstRowForModel("GetAssocQzFwType", model).associated_qz_fw_type;
}

void CalibDataStructureConverter::GetAccocDevUnitSelector(const char* model, uint32_t* selector) {
  if (selector == nullptr) ThrowCDSError("GetAccocDevUnitSelector", "Input value is not valid.");
  *selector = FirstRowForModel("GetAccocDevUnitSelector", model).device_unit_selector;
}

void CalibDataStructureConverter::GetAssocFfsFileName(const char* model, char* buffer,
                                                      uint32_t length) {
  if (buffer == nullptr) ThrowCDSError("GetAssocFfsFileName", "Input value is not valid.");
  const char* name = FirstRowForModel("GetAssocFfsFileName", model).ffs_file_name;
  const size_t needed = std::strlen(name) + 1;
  if (needed > length) ThrowCDSError("GetAssocFfsFileName", "Input buffer is too small.");
  std::memcpy(buffer, name, needed);
}
