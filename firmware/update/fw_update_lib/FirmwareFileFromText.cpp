// Firmware values written on the command line in place of a file name.
#include <algorithm>
#include <cstring>

#include "FirmwareFile.h"
#include "HexText.h"
#include "SerialNumber.h"
#include "platform/text_exception.h"

bool ParseHexFromStringToBuffer(FirmwareFile& file, const char* text) {
  if (text == nullptr)
    throw TextException("ParseHexFromStringToBuffer - error input string is null");
  const size_t length = std::strlen(text);
  const size_t count = (length + 1) / 2;
  if (std::strcmp(text, "-") == 0 || count == 0) {
    file.Allocate(10, 0, "ParseHexFromStringToBuffer - error allocating memory");
    file.size_ = 0;
    return true;
  }
  file.Allocate(count, 0, "ParseHexFromStringToBuffer - error allocating memory");
  // Read from the left, most significant byte first; the last group of an odd
  // length has one digit.
  for (size_t k = 0; k < count; ++k) {
    const size_t digits = std::min<size_t>(2, length - 2 * k);
    file.data_[count - 1 - k] = static_cast<uint8_t>(LeadingHexValue(text + 2 * k, digits));
  }
  file.size_ = static_cast<uint32_t>(count);
  return true;
}

bool ParseSnSneFromStringToBuffer(FirmwareFile& file, const char* text) {
  if (text == nullptr)
    throw TextException("ParseSnSneFromStringToBuffer - error input string is null");
  file.Allocate(13, 0, "ParseSnSneFromStringToBuffer - error file_buffer is null");
  uint8_t* data = file.data_.data();
  PackedSerialNumber sne{};
  switch (std::strlen(text)) {
    case 8:
      DecodeLegacySN(text, data);
      file.size_ = 4;
      return true;
    case 20:
      DecodeLegacySN(text, data);
      if (SerialNumberFromText(text + 8, sne) != 0)
        throw TextException("ParseSnSneFromStringToBuffer Error on parsing SNE from string");
      break;
    case 12:
      // No legacy serial: its four bytes read as erased.
      std::fill(data, data + 13, 0xFF);
      if (SerialNumberFromText(text, sne) != 0)
        throw TextException("ParseSnSneFromStringToBuffer Error on parsing only SNE from string");
      break;
    default:
      throw TextException("ParseSnSneFromStringToBuffer - error unexpected size of sn_sne_string");
  }
  std::copy(sne.begin(), sne.end(), data + 4);
  file.size_ = 12;
  return true;
}

bool SSnFromNameToBuffer(FirmwareFile& file, const char* text) {
  if (text == nullptr) throw TextException("SSnFromNameToBuffer - error input string is null");
  const size_t length = std::strlen(text);
  file.Allocate(length + 1, 0, "SSnFromNameToBuffer - error file_buffer is null");
  std::memcpy(file.data_.data(), text, length + 1);
  file.size_ = static_cast<uint32_t>(length);
  return true;
}
