// The firmware file pre-check of prog and verify.
#include "FW_Updater.h"
#include "FirmwareFile.h"
#include "platform/text_exception.h"

bool FW_Updater::CheckFileChecksum() {
  // These types take a flag or value, not a firmware file.
  if (firmware_type == FW_TYPE_MMDESC || firmware_type == FW_TYPE_FLAG_U3V ||
      firmware_type == FW_TYPE_FLAG_U2F || firmware_type == FW_TYPE_REST_INFO)
    return true;
  FirmwareFile file;
  if (!encrypted_file) file.SetPlainFile();
  // Always read as binary: an enciphered HEX file does not exist.
  if (file_name == nullptr) throw TextException("Invalid filename");
  if (!file.LoadFile(file_name)) throw TextException("Error loading file");
  if (!file.VerifyChecksum()) throw TextException("Error checksum file");
  file.Release();
  return true;
}
