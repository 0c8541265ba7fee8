// Model, versions, the raw image and its partition record.

#include "CalibDataStructureConverter.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "CalibCsv.h"
#include "CalibError.h"
#include "platform/little_endian.h"

namespace {

// Offsets within the partition record.
constexpr uint32_t kMagic1 = 0;
constexpr uint32_t kMagic2 = 1;
constexpr uint32_t kRecordSizeField = 6;
constexpr uint32_t kEntryCountField = 8;
constexpr uint32_t kUpdateFlagField = 42;
constexpr uint32_t kModesOffsetField = 108;
constexpr uint32_t kModesSizeField = 112;
constexpr uint32_t kStructureVersionField = 116;
constexpr uint32_t kDefaultsVersionField = 117;
constexpr uint32_t kPartitionOffsetField = 120;
constexpr uint32_t kPartitionSizeField = 124;
constexpr uint32_t kLastAreaOffsetField = 132;
constexpr uint32_t kLastAreaSizeField = 136;

constexpr uint8_t kMagicByte1 = 0xCA;
constexpr uint8_t kMagicByte2 = 0x1B;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Truncated(const char* text) {
  std::string value = text != nullptr ? text : "";
  if (value.size() > CalibDataStructureConverter::kMaxTextLength)
    value.resize(CalibDataStructureConverter::kMaxTextLength);
  return value;
}

bool LoadsPages(uint32_t data_type) {
  return data_type == CALIB_DATA_WHOLE_EEPROM || data_type == CALIB_DATA_MODES_AND_PARTITION ||
         data_type == CALIB_DATA_CAMERA_MODES;
}

void FillInfo(const char* operation, CalibDataInfo* info, uint32_t offset, uint32_t size) {
  if (info == nullptr) ThrowCDSError(operation, "Partition info is null");
  info->offset = offset;
  info->size = size;
}

}  // namespace

CalibDataStructureConverter::CalibDataStructureConverter() = default;
CalibDataStructureConverter::~CalibDataStructureConverter() = default;

void CalibDataStructureConverter::SetCameraModel(const char* model) {
  if (model == nullptr) ThrowCDSError("SetCameraModel", "Model name is null");
  if (!IsCameraModelSupported(model))
    ThrowCDSError("SetCameraModel", "Unknown camera model", model);
  model_name_ = Truncated(model);
  current_desc_.reset();
}

void CalibDataStructureConverter::SetCurrentCpuFirmwareVersion(const char* version) {
  current_cpu_fw_ = Truncated(version);
  // An empty version is one no row holds, not a version left unset.
  if (current_cpu_fw_.empty() && !model_name_.empty())
    ThrowCDSError("GetEepromDataStructVersionForCurrentCpu",
                  "Missing EEPROM data structure definition",
                  model_name_ + " and current CPU firmware ");
  const uint8_t structure = GetEepromDataStructVersionForCurrentCpu();
  const uint8_t defaults = GetCameraModeDefaultsVersionForCurrentCpu();
  SetObjectVersions(structure, defaults);
}

void CalibDataStructureConverter::SetPreparedCpuFirmwareVersion(const char* version) {
  prepared_cpu_fw_ = Truncated(version);
}

void CalibDataStructureConverter::SetObjectVersions(uint8_t structure, uint8_t defaults) {
  // The description copy belongs to one (structure, defaults) pair; a stale one
  // would pack pages with another version's layout.
  if (structure != structure_version_ || defaults != defaults_version_) current_desc_.reset();
  structure_version_ = structure;
  defaults_version_ = defaults;
}

void CalibDataStructureConverter::AllocateCacheIfNeeded() {
  if (!raw_data_cache_.empty()) return;
  try {
    raw_data_cache_.assign(kCacheSize, 0xFF);
  } catch (const std::bad_alloc&) {
    ThrowCDSError("AllocateCacheIfNeeded", "Failed to allocate raw data cache");
  }
  cache_size_ = kCacheSize;
}

void CalibDataStructureConverter::GetWholeEepromDataInfo(CalibDataInfo* info) {
  FillInfo("GetWholeEepromDataInfo", info, 0, kCacheSize);
}

void CalibDataStructureConverter::GetPartitionTableDataInfo(CalibDataInfo* info) {
  FillInfo("GetPartitionTableDataInfo", info, kPartitionOffset, 0x100);
}

void CalibDataStructureConverter::GetCameraModesTableDataInfo(CalibDataInfo* info) {
  FillInfo("GetCameraModesTableDataInfo", info, 0, 0x4000);
}

void CalibDataStructureConverter::GetCameraModesAndPartitionDataInfo(CalibDataInfo* info) {
  FillInfo("GetCameraModesAndPartitionDataInfo", info, 0, 0xFF00);
}

void CalibDataStructureConverter::GetDataTypeDescription(uint32_t data_type, uint32_t* offset,
                                                         uint32_t* size) {
  if (offset == nullptr) ThrowCDSError("GetDataTypeDescription", "Partition base is null");
  if (size == nullptr) ThrowCDSError("GetDataTypeDescription", "Partition size is null");
  CalibDataInfo info{};
  switch (data_type) {
    case CALIB_DATA_WHOLE_EEPROM:
      GetWholeEepromDataInfo(&info);
      break;
    case CALIB_DATA_MODES_AND_PARTITION:
      GetCameraModesAndPartitionDataInfo(&info);
      break;
    case CALIB_DATA_PARTITION_TABLE:
      GetPartitionTableDataInfo(&info);
      break;
    case CALIB_DATA_CAMERA_MODES:
      GetCameraModesTableDataInfo(&info);
      break;
    default:
      ThrowCDSError("GetDataTypeDescription", "Unknown data type selected",
                    std::to_string(data_type));
  }
  *offset = info.offset;
  *size = info.size;
}

void CalibDataStructureConverter::AfterRawDataLoaded(uint32_t data_type) {
  if (data_type <= CALIB_DATA_PARTITION_TABLE) {
    uint8_t structure = structure_version_;
    uint8_t defaults = defaults_version_;
    GetCalibrationDataStructureVersion(structure);
    GetCameraModeDefaultsVersion(defaults);
    SetObjectVersions(structure, defaults);
  }
  if (LoadsPages(data_type)) LoadSensorModes();
}

void CalibDataStructureConverter::ReadRawData(const char* file_name, uint32_t data_type) {
  if (file_name == nullptr) ThrowCDSError("ReadRawData", "File name is not defined");
  uint32_t offset = 0;
  uint32_t size = 0;
  GetDataTypeDescription(data_type, &offset, &size);
  File file(std::fopen(file_name, "rb"));
  if (!file) ThrowCDSError("ReadRawData", "Failed to open file", file_name);
  long length = -1;
  if (std::fseek(file.get(), 0, SEEK_END) == 0) length = std::ftell(file.get());
  if (length < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0)
    ThrowCDSError("ReadRawData", "Failed to open file", file_name);
  if (static_cast<unsigned long>(length) > size) {
    file.reset();
    ThrowCDSError(
        "ReadRawData", "Failed to open file",
        StringPrintf("expected %d, read %d", static_cast<int>(size), static_cast<int>(length)));
  }
  AllocateCacheIfNeeded();
  if (offset + static_cast<uint32_t>(length) > cache_size_)
    ThrowCDSError("ReadRawData", "New data are out of bounds of camera memory space",
                  StringPrintf("%d is higher than %d", static_cast<int>(offset + length),
                               static_cast<int>(cache_size_)));
  const size_t read = std::fread(CacheAt(offset), 1, static_cast<size_t>(length), file.get());
  file.reset();
  if (read != static_cast<size_t>(length))
    ThrowCDSError("ReadRawData", "Failed to read file", file_name);
  AfterRawDataLoaded(data_type);
}

void CalibDataStructureConverter::SetRawData(const uint8_t* buffer, uint32_t size,
                                             uint32_t data_type) {
  if (buffer == nullptr) ThrowCDSError("SetRawData", "Data pointer is null");
  if (size == 0) ThrowCDSError("SetRawData", "Data size is zero");
  uint32_t offset = 0;
  uint32_t area_size = 0;
  GetDataTypeDescription(data_type, &offset, &area_size);
  if (size > area_size && data_type != CALIB_DATA_CAMERA_MODES)
    ThrowCDSError(
        "SetRawData - unexpected data size",
        StringPrintf("current %d, expected %d", static_cast<int>(size), static_cast<int>(area_size))
            .c_str());
  AllocateCacheIfNeeded();
  if (static_cast<uint64_t>(offset) + size > cache_size_)
    ThrowCDSError("SetRawData", "New data are out of bounds of camera memory space",
                  StringPrintf("%d is bigger than %d", static_cast<int>(offset + size),
                               static_cast<int>(cache_size_)));
  std::memcpy(CacheAt(offset), buffer, size);
  AfterRawDataLoaded(data_type);
}

void CalibDataStructureConverter::GetRawData(uint8_t* buffer, uint32_t size, uint32_t data_type) {
  if (buffer == nullptr) ThrowCDSError("GetRawData", "Data buffer is null");
  if (size == 0) ThrowCDSError("GetRawData", "Data size is zero");
  if (raw_data_cache_.empty()) ThrowCDSError("GetRawData", "Data cache was not allocated");
  uint32_t offset = 0;
  uint32_t area_size = 0;
  GetDataTypeDescription(data_type, &offset, &area_size);
  if (static_cast<uint64_t>(offset) + size > cache_size_)
    ThrowCDSError("GetRawData", "New data are out of bounds of camera memory space",
                  StringPrintf("%d is bigger than %d", static_cast<int>(offset + size),
                               static_cast<int>(cache_size_)));
  if (LoadsPages(data_type)) SaveSensorModes();
  std::memcpy(buffer, CacheAt(offset), size);
}

void CalibDataStructureConverter::WriteRawData(const char* file_name, uint32_t data_type) {
  if (file_name == nullptr) ThrowCDSError("WriteRawData", "Data file is not defined");
  if (raw_data_cache_.empty()) ThrowCDSError("WriteRawData", "Data cache was not allocated");
  uint32_t offset = 0;
  uint32_t size = 0;
  GetDataTypeDescription(data_type, &offset, &size);
  if (LoadsPages(data_type)) SaveSensorModes();
  WriteWholeFile("WriteRawData", file_name, CacheAt(offset), size, "Failed to open file");
}

void CalibDataStructureConverter::ReadPartitionRecord(uint8_t* record) {
  GetRawData(record, kPartitionRecordSize, CALIB_DATA_PARTITION_TABLE);
}

void CalibDataStructureConverter::WritePartitionRecord(const uint8_t* record) {
  SetRawData(record, kPartitionRecordSize, CALIB_DATA_PARTITION_TABLE);
}

bool CalibDataStructureConverter::IsPartitionValid() {
  uint8_t record[kPartitionRecordSize];
  ReadPartitionRecord(record);
  return record[kMagic1] == kMagicByte1 && record[kMagic2] == kMagicByte2;
}

void CalibDataStructureConverter::CreatePartition() {
  AllocateCacheIfNeeded();
  uint8_t record[kPartitionRecordSize] = {};
  record[kMagic1] = kMagicByte1;
  record[kMagic2] = kMagicByte2;
  WriteLe16(record + kRecordSizeField, kPartitionRecordSize);
  WriteLe16(record + kEntryCountField, 3);
  WriteLe32(record + kModesOffsetField, 0);
  WriteLe32(record + kModesSizeField, 0x4000);
  record[kStructureVersionField] = 0xFF;
  record[kDefaultsVersionField] = 0xFF;
  WriteLe32(record + kPartitionOffsetField, kPartitionOffset);
  WriteLe32(record + kPartitionSizeField, 0x100);
  WriteLe32(record + kLastAreaOffsetField, 0xFF00);
  WriteLe32(record + kLastAreaSizeField, 0x100);
  WritePartitionRecord(record);
}

void CalibDataStructureConverter::SetCameraCalibDataVersion(const char* version) {
  if (version == nullptr) ThrowCDSError("SetCameraCalibDataVersion", "Version is null");
  if (raw_data_cache_.empty())
    ThrowCDSError("SetCameraCalibDataVersion", "Raw data cache not allocated");
  int32_t major = 0;
  int32_t minor = 0;
  SplitVersionString(version, &major, &minor);
  SetCalibrationDataStructureVersion(static_cast<uint8_t>(major));
  SetCameraModeDefaultsVersion(static_cast<uint8_t>(minor));
}

void CalibDataStructureConverter::WritePartitionByte(const char* operation, uint32_t field,
                                                     uint8_t value) {
  if (raw_data_cache_.empty()) ThrowCDSError(operation, "Raw data cache not allocated");
  uint8_t record[kPartitionRecordSize];
  ReadPartitionRecord(record);
  record[field] = value;
  WritePartitionRecord(record);
}

uint8_t CalibDataStructureConverter::ReadPartitionByte(const char* operation, uint32_t field) {
  if (raw_data_cache_.empty()) ThrowCDSError(operation, "Raw data cache not allocated");
  return *CacheAt(kPartitionOffset + field);
}

void CalibDataStructureConverter::SetCalibrationDataStructureVersion(uint8_t version) {
  WritePartitionByte("SetCalibrationDataStructureVersion", kStructureVersionField, version);
  SetObjectVersions(version, defaults_version_);
}

void CalibDataStructureConverter::GetCalibrationDataStructureVersion(uint8_t& version) {
  const uint8_t stored =
      ReadPartitionByte("GetCalibrationDataStructureVersion", kStructureVersionField);
  if (stored != 0xFF && stored != 0) version = stored;
}

void CalibDataStructureConverter::SetCameraModeDefaultsVersion(uint8_t version) {
  WritePartitionByte("SetCameraModeDefaultsVersion", kDefaultsVersionField, version);
  SetObjectVersions(structure_version_, version);
}

void CalibDataStructureConverter::GetCameraModeDefaultsVersion(uint8_t& version) {
  const uint8_t stored = ReadPartitionByte("GetCameraModeDefaultsVersion", kDefaultsVersionField);
  if (stored != 0xFF) version = stored;  // 0 is a valid defaults version
}

void CalibDataStructureConverter::SetUpdateInProgressFlag(uint8_t flag) {
  WritePartitionByte("SetUpdateInProgressFlag", kUpdateFlagField, flag);
}

uint8_t CalibDataStructureConverter::GetUpdateInProgressFlag() {
  const uint8_t stored = ReadPartitionByte("GetUpdateInProgressFlag", kUpdateFlagField);
  return stored == 0xFF ? 0 : stored;
}
