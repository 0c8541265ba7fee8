#pragma once
// The calibration data structure converter: owns one 64 KiB EEPROM calibration
// image, its partition record and its sensor-mode pages, and converts them
// between the packed form of the camera and named, typed fields, text and CSV.
//
// Callers create one per operation, tell it the camera model and the CPU firmware
// versions, load the raw image, work on it and read or write it back. Every
// failure throws TextException; nothing returns an error code.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CalibDataDesc.h"
#include "CalibDataPage.h"

class CalibDataStructureConverter {
 public:
  static constexpr uint32_t kCacheSize = 0x10000;
  static constexpr uint32_t kPartitionOffset = 0xFE00;
  static constexpr uint32_t kPartitionRecordSize = 180;
  static constexpr size_t kMaxTextLength = 259;  // model and version texts

  CalibDataStructureConverter();
  ~CalibDataStructureConverter();
  CalibDataStructureConverter(const CalibDataStructureConverter&) = delete;
  CalibDataStructureConverter& operator=(const CalibDataStructureConverter&) = delete;

  // --- Model and versions --------------------------------------------------
  void SetCameraModel(const char* model);
  // Also derives the structure and defaults versions from the compatibility table.
  void SetCurrentCpuFirmwareVersion(const char* version);
  void SetPreparedCpuFirmwareVersion(const char* version);
  const std::string& GetCameraModelName() const { return model_name_; }
  uint8_t GetStructureVersion() const { return structure_version_; }
  uint8_t GetDefaultsVersion() const { return defaults_version_; }

  // --- Raw image (data types: CalibDataType) --------------------------------
  void AllocateCacheIfNeeded();
  void ReadRawData(const char* file_name, uint32_t data_type);
  void SetRawData(const uint8_t* buffer, uint32_t size, uint32_t data_type);
  void GetRawData(uint8_t* buffer, uint32_t size, uint32_t data_type);
  void WriteRawData(const char* file_name, uint32_t data_type);

  static void GetWholeEepromDataInfo(CalibDataInfo* info);
  static void GetPartitionTableDataInfo(CalibDataInfo* info);
  static void GetCameraModesTableDataInfo(CalibDataInfo* info);
  static void GetCameraModesAndPartitionDataInfo(CalibDataInfo* info);
  static void GetDataTypeDescription(uint32_t data_type, uint32_t* offset, uint32_t* size);

  // --- Partition record -----------------------------------------------------
  bool IsPartitionValid();
  void CreatePartition();
  // "SS.DD": structure version, then defaults version.
  void SetCameraCalibDataVersion(const char* version);
  void SetCalibrationDataStructureVersion(uint8_t version);
  // The out values are written only when the stored byte holds a version.
  void GetCalibrationDataStructureVersion(uint8_t& version);
  void SetCameraModeDefaultsVersion(uint8_t version);
  void GetCameraModeDefaultsVersion(uint8_t& version);
  void SetUpdateInProgressFlag(uint8_t flag);
  uint8_t GetUpdateInProgressFlag();

  static void SplitVersionString(const char* version, int32_t* major, int32_t* minor);
  static bool IsVersionInRange(const char* version, const char* from, const char* to);

  // --- Compatibility table --------------------------------------------------
  bool UpdateCurrentCalibDataDesc();
  static bool GetCurrentCalibInfo(CalibDataDesc* description, const char* model,
                                  uint8_t structure_version, uint8_t defaults_version);
  uint8_t GetEepromDataStructVersionForCurrentCpu();
  uint8_t GetCameraModeDefaultsVersionForCurrentCpu();
  bool IsCpuFirmwareVersionSupported(const char* version);
  bool IsEEPROMStructModeDefaultsVersionSupported(uint8_t structure_version,
                                                  uint8_t defaults_version);
  static bool IsCameraModelSupported(const char* model);
  static void GetAssociatedFwType(const char* model, uint32_t* fw_type);
  static void GetAssocQzFwType(const char* model, uint32_t* qz_fw_type);
  static void GetAccocDevUnitSelector(const char* model, uint32_t* selector);
  static void GetAssocFfsFileName(const char* model, char* buffer, uint32_t length);

  // --- Pages ------------------------------------------------------------------
  void LoadSensorModes();
  void SaveSensorModes();
  void UnpackSensorModesData();
  void PackSensorModesData();
  void UnpackSensorModesDefaultsData();
  static void LoadAndUnpackDstModeDefaults(const char* model, const CalibDataDesc& description,
                                           CalibPages& pages);
  uint32_t GetPagesCount();
  uint32_t GetPackedPagesCount();
  uint32_t GetPackedPageSize();
  const CalibPages& GetPages() const { return pages_; }

  // --- Field cursor -----------------------------------------------------------
  void SelectFieldsPage(uint32_t page_index);
  uint32_t GetFieldsCount();
  void SelectFieldByIndex(uint32_t field_index);
  // A name holding "." names a bit of a specific field ("IMG_CTRL.<bit>").
  void SelectFieldByName(const char* name);
  void GetFieldName(char* buffer, uint32_t length);
  void GetFieldDescription(char* buffer, uint32_t length);
  uint32_t GetFieldType();
  void SetFieldType(uint32_t type);
  int32_t GetFieldValueInt32();
  void SetFieldValueInt32(int32_t value);
  uint32_t GetEnumValueCount();
  uint32_t GetEnumValueIndex() const { return selected_enum_index_; }
  void SetEnumValueIndex(uint32_t index) { selected_enum_index_ = index; }
  int32_t GetEnumValueItem();
  void SelectSpecificFieldByName(const char* name);
  int32_t GetSpecificFieldValueInt32();
  void SetSpecificFieldValueInt32(int32_t value);
  void UpdateUnpackedSpecificField(calib_field_t* fields, const char* name, int32_t value);
  // name is "<field name>::<bit number>".
  void UpdateUnpackedFieldBit(uint32_t page_index, const char* name, int32_t value);

  // --- Text and CSV files -----------------------------------------------------
  void WriteUnpackedCalibData(const char* file_name, bool csv);
  void WriteUnpackedCalibDataCsv(const char* file_name);
  void WriteUnpackedPageData(const char* file_name, uint16_t page_index);
  void WritePackedPageData(const char* file_name, uint16_t page_index);
  void UpdatePagesFromCsv(const char* file_name, int32_t first_page, int32_t last_page);
  void UpdatePagesFromCsv(const char* file_name, const std::vector<uint32_t>& pages);
  void UpdateAllPagesFromCsv(const char* file_name);
  // Appends the IMG_CTRL and IMG_CTR2 bit lines of one page to `text`.
  void WriteUnpackedSpecificFields(uint32_t page_index, std::string& text, bool csv);

 private:
  // Precondition checks of the page and cursor operations, in their fixed order.
  void CheckDefined(const char* operation) const;
  void CheckPagesLoaded(const char* operation) const;
  const CalibDataDesc& RequireDescription(const char* operation);
  CalibDataPage& SelectedUnpackedPage(const char* operation);
  calib_field_t& SelectedField(const char* operation);
  // Follows a change of the versions; drops a description copy made for others.
  void SetObjectVersions(uint8_t structure, uint8_t defaults);
  void ReadPartitionRecord(uint8_t* record);
  void WritePartitionByte(const char* operation, uint32_t field, uint8_t value);
  uint8_t ReadPartitionByte(const char* operation, uint32_t field);
  void WritePartitionRecord(const uint8_t* record);
  uint8_t* CacheAt(uint32_t offset) { return raw_data_cache_.data() + offset; }
  void AfterRawDataLoaded(uint32_t data_type);
  const CalibDataDesc* FindRowForCpu(const char* version) const;
  uint8_t VersionForCurrentCpu(const char* operation, bool structure);
  const CalibDataPage& DumpedPage(const char* operation, uint16_t page_index);
  std::string FormatCalibSummary(bool csv);
  std::string FormatFieldCsv();
  void ApplyCsvLine(uint32_t page_index, const std::string& name, const std::string* value,
                    bool bit_names);

  std::unique_ptr<CalibDataDesc> current_desc_;
  std::string model_name_;
  std::vector<uint8_t> raw_data_cache_;  // empty until allocated
  uint32_t cache_size_ = 0;
  std::string current_cpu_fw_;
  std::string prepared_cpu_fw_;
  uint8_t structure_version_ = 0;  // 0 = not defined
  uint8_t defaults_version_ = 0;
  uint8_t reserved1_ = 0;
  uint8_t reserved2_ = 0;
  CalibPages pages_;
  uint32_t selected_page_ = 0;
  uint32_t selected_field_ = 0;
  uint32_t selected_bit_ = 0;
  uint32_t selected_enum_index_ = 0;
  std::string selected_field_name_;
  uint32_t selected_field_type_ = 0;
  // Set by SelectSpecificFieldByName: the value operations then address one bit.
  bool selected_specific_ = false;
};
