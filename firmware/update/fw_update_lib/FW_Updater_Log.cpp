// The camera's firmware operation log.
#include <openssl/evp.h>
#include <zip.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "FW_Updater.h"
#include "FirmwareFile.h"
#include "api/qzAPIplus_Camera.h"
#include "platform/clock.h"

namespace {

constexpr size_t kMessageBufferSize = 1024;
constexpr size_t kDigestLength = 10;
constexpr int kCompressionLevel = 6;
// A log entry claiming more than this is damaged, not a log.
constexpr zip_uint64_t kLogEntryMax = 64u << 20;

// The first characters of the lower-case hex MD5 of the payload.
std::string ShortDigest(const uint8_t* data, size_t size) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(data, size, md, &length, EVP_md5(), nullptr) != 1) return {};
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", md[i]);
    hex += pair;
  }
  return hex.substr(0, kDigestLength);
}

bool IsLoggedWithoutDigest(int32_t type_id) {
  return type_id == FW_TYPE_SN || type_id == FW_TYPE_SSN || type_id == FW_TYPE_DEVVER ||
         type_id == FW_TYPE_PFFS || type_id == FW_TYPE_FFC;
}

// Closing after a failure must not raise a second error over the first.
void CloseQuietly(qzAPIplus_Camera& camera) {
  try {
    camera.Close();
  } catch (...) {
  }
}

}  // namespace

void FW_Updater::LogFirmwareOperation(int32_t firmware_type_id, const char* status) {
  const FirmwareTypeEntry& type = FindFirmwareTypeById(firmware_type_id);
  std::string digest;
  // A value given in place of a file name names no file to digest.
  if (!IsLoggedWithoutDigest(firmware_type_id) && type.takes_file && !file_name_is_hex &&
      !file_name_is_sn_sne) {
    FirmwareFile file;
    if (!encrypted_file) file.SetPlainFile();
    if (hex_file_format) file.SetHexFormat();
    if (!file.LoadFile(file_name)) {
      std::printf("LogFirmwareOperation: Error loading file");
      return;
    }
    if (!file.VerifyChecksum()) {
      std::printf("LogFirmwareOperation: Error file checksum");
      return;
    }
    if (file.GetData() == nullptr) {
      std::printf("LogFirmwareOperation: Error getting FW data");
      return;
    }
    if (file.GetPayloadSize() == 0) {
      std::printf("LogFirmwareOperation: Error zero size of file");
      return;
    }
    digest = ShortDigest(file.GetData(), file.GetPayloadSize());
  }
  const char* name = GetFirmwareTypeName(firmware_type_id);
  char line[kMessageBufferSize];
  if (!digest.empty())
    std::snprintf(line, sizeof line, "FW prog of %s [%s] %s", name, digest.c_str(), status);
  else
    std::snprintf(line, sizeof line, "FW prog of %s %s", name, status);
  AppendToOperationLog(line);
}

void FW_Updater::LogOperationMessage(const char* format, ...) {
  char message[kMessageBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  AppendToOperationLog(message);
}

void FW_Updater::AppendToOperationLog(const char* message) {
  try {
    qzAPIplus_Camera camera;
    if (OpenCameraForLogging(camera)) UpdateOperationLogArchive(camera, message);
    camera.Close();
  } catch (...) {
    std::printf("Failed to update firmware operation log in camera.\n");
  }
}

bool FW_Updater::OpenCameraForLogging(qzAPIplus_Camera& camera) {
  try {
    if (camera_id != -1) {
      camera.OpenByID(static_cast<uint32_t>(camera_id));
    } else if (!camera_sn.empty()) {
      camera.OpenBySN(camera_sn.c_str());
    } else if (!camera_path.empty()) {
      camera.OpenByPath(camera_path.c_str());
    } else if (!camera_location.empty()) {
      camera.OpenByLocation(camera_location.c_str());
    } else {
      std::printf("Unable to open camera for firmware operation logging.\n");
      return false;
    }
    return true;
  } catch (const qzAPIplus_Exception& e) {
    e.Print();
    return false;
  } catch (...) {
    return false;
  }
}

void FW_Updater::UpdateOperationLogArchive(qzAPIplus_Camera& camera, const char* message) {
  if (!camera.IsExist()) return;
  const bool sensor_init_was_disabled = camera.IsCameraSensorInitDisabled();
  try {
    // Opening for the log must not start the sensor.
    camera.EnableCameraSensorInitDisabled();
    camera.SetFFSFileName(kOperationLogFile);
    int stored_size = 0;
    try {
      stored_size = camera.GetFFSFileSize();
    } catch (const qzAPIplus_Exception&) {
      stored_size = 0;  // no log yet
    }
    std::string log;
    if (stored_size > 0) {
      std::vector<uint8_t> stored(static_cast<size_t>(stored_size), 0);
      camera.GetReadFileFFS(stored.data(), static_cast<uint32_t>(stored.size()));
      std::vector<uint8_t> content;
      // An unreadable archive is replaced: the new line starts a new log.
      if (UnpackFwLog(stored.data(), stored.size(), content)) {
        const char* text = reinterpret_cast<const char*>(content.data());
        log.assign(text, strnlen(text, content.size()));
      }
    }
    if (!log.empty()) log += "\n";
    log += "[" + MakeTimeStamp() + "] " + message;
    const std::vector<uint8_t> archive = PackFwLog(log);
    if (!archive.empty())
      camera.SetQZAPIParamStr("write_file_ffs", archive.data(),
                              static_cast<uint32_t>(archive.size()));
    camera.Close();
  } catch (const qzAPIplus_Exception& e) {
    CloseQuietly(camera);
    e.Print();
  } catch (...) {
    CloseQuietly(camera);
  }
  // With the camera closed this reaches the camera API's global setting.
  if (!sensor_init_was_disabled) camera.DisableCameraSensorInitDisabled();
}

std::vector<uint8_t> FW_Updater::PackFwLog(const std::string& text) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* archive = target != nullptr ? zip_open_from_source(target, ZIP_TRUNCATE, &error) : nullptr;
  zip_error_fini(&error);
  if (archive == nullptr) {
    if (target != nullptr) zip_source_free(target);
    std::printf("FW_Updater::PackFwLog ERROR: Failed to create firmware logs archive file.");
    return {};
  }
  // The archive's bytes stay in `target` after the archive is closed.
  zip_source_keep(target);
  auto give_up = [&]() {
    zip_discard(archive);
    zip_source_free(target);
    return std::vector<uint8_t>();
  };

  // The entry's bytes are read when the archive is closed, so they live until then.
  const std::vector<char> entry_data(text.c_str(), text.c_str() + text.size() + 1);
  zip_source_t* entry = zip_source_buffer(archive, entry_data.data(), entry_data.size(), 0);
  const zip_int64_t index =
      entry != nullptr ? zip_file_add(archive, kOperationLogEntry, entry, 0) : zip_int64_t{-1};
  if (index < 0) {
    if (entry != nullptr) zip_source_free(entry);
    std::printf("FW_Updater::PackFwLog ERROR: Failed create archive entry.");
    return give_up();
  }
  if (zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                               kCompressionLevel) != 0)
    return give_up();
  if (zip_close(archive) != 0) {
    std::printf("FW_Updater::PackFwLog ERROR: Failed close archive entry.");
    return give_up();
  }

  std::vector<uint8_t> bytes;
  if (zip_source_open(target) == 0) {
    if (zip_source_seek(target, 0, SEEK_END) == 0) {
      const zip_int64_t size = zip_source_tell(target);
      if (size > 0 && zip_source_seek(target, 0, SEEK_SET) == 0) {
        bytes.resize(static_cast<size_t>(size));
        if (zip_source_read(target, bytes.data(), static_cast<zip_uint64_t>(size)) != size)
          bytes.clear();
      }
    }
    zip_source_close(target);
  }
  zip_source_free(target);
  return bytes;
}

bool FW_Updater::UnpackFwLog(const uint8_t* archive_bytes, size_t size,
                             std::vector<uint8_t>& content) {
  content.clear();
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(archive_bytes, size, 0, &error);
  zip_t* archive = source != nullptr
                       ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error)
                       : nullptr;
  zip_error_fini(&error);
  if (archive == nullptr) {
    if (source != nullptr) zip_source_free(source);
    std::printf("FW_Updater::UnpackFwLog ERROR: Failed to open firmware logs archive file.");
    return false;
  }
  if (zip_get_num_entries(archive, 0) <= 0) {
    zip_discard(archive);
    std::printf("FW_Updater::UnpackFwLog ERROR: Firmware logs archive file is empty.");
    return false;
  }
  zip_stat_t stat;
  zip_stat_init(&stat);
  zip_file_t* entry = zip_fopen(archive, kOperationLogEntry, 0);
  bool read = entry != nullptr && zip_stat(archive, kOperationLogEntry, 0, &stat) == 0 &&
              (stat.valid & ZIP_STAT_SIZE) != 0 && stat.size <= kLogEntryMax;
  if (read) {
    content.resize(static_cast<size_t>(stat.size));
    read = zip_fread(entry, content.data(), stat.size) == static_cast<zip_int64_t>(stat.size);
  }
  if (entry != nullptr) zip_fclose(entry);
  zip_discard(archive);
  if (!read) {
    content.clear();
    std::printf("FW_Updater::UnpackFwLog ERROR: Failed to load log text file from archive.");
    return false;
  }
  return true;
}

std::string FW_Updater::MakeTimeStamp() {
  const std::tm local = platform::GetLocalTime();
  char text[64];
  if (std::strftime(text, sizeof text, "%Y-%m-%d %H%M%S", &local) == 0) return {};
  return text;
}
