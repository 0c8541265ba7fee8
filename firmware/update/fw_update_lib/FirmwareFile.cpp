#include "FirmwareFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

#include "HexText.h"
#include "platform/little_endian.h"
#include "platform/text_exception.h"

namespace {

// Closes the file on every way out, thrown failures included.
using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FileHandle OpenFirmwareFile(const char* file_name, const char* mode) {
  if (file_name == nullptr) throw TextException("LoadFile - Can not open fw file");
  std::error_code ec;
  // A folder opens as a stream on some systems but holds no firmware.
  std::FILE* file =
      std::filesystem::is_directory(file_name, ec) ? nullptr : std::fopen(file_name, mode);
  if (file == nullptr) throw TextException("LoadFile - Can not open fw file");
  return FileHandle(file, std::fclose);
}

// Longest HEX line taken, without its line end.
constexpr size_t kHexLineMax = 255;
// ':', count, address and record type.
constexpr size_t kHexHeaderLength = 9;
constexpr uint32_t kHexEndRecord = 1;

// Reads one line without its line end (LF, or CR LF). False at the end of the file.
bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  int c;
  while ((c = std::fgetc(file)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (c == EOF && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

// The byte written as two hex digits at `pos`; false when they are not digits.
bool HexByteAt(const std::string& line, size_t pos, uint32_t& value) {
  const int high = HexDigitValue(line[pos]);
  const int low = HexDigitValue(line[pos + 1]);
  if (high < 0 || low < 0) return false;
  value = static_cast<uint32_t>(high << 4 | low);
  return true;
}

[[noreturn]] void UnknownFormat() {
  throw TextException("Unknown file format");
}

}  // namespace

void FirmwareFile::Reset() {
  *this = FirmwareFile();
}

void FirmwareFile::Release() {
  data_ = std::vector<uint8_t>();
  size_ = 0;
}

uint32_t FirmwareFile::GetPayloadSize() const {
  if (!encrypted_) return size_;
  return size_ >= kTrailerSize ? size_ - kTrailerSize : 0;
}

void FirmwareFile::Allocate(size_t count, uint8_t fill, const char* message) {
  try {
    data_.assign(count, fill);
  } catch (const std::bad_alloc&) {
    data_ = std::vector<uint8_t>();
    throw TextException(message);
  } catch (const std::length_error&) {
    data_ = std::vector<uint8_t>();
    throw TextException(message);
  }
}

bool FirmwareFile::LoadFile(const char* file_name) {
  if (hex_format_ && encrypted_)
    throw TextException("LoadFile - Encrypted hex files are not supported");
  if (hex_format_)
    LoadHex(file_name);
  else
    LoadBinary(file_name);
  read_position_ = 0;
  cipher_register_ = kCipherSeed;
  return true;
}

void FirmwareFile::LoadBinary(const char* file_name) {
  FileHandle file = OpenFirmwareFile(file_name, "rb");
  if (std::fseek(file.get(), 0, SEEK_END) != 0)
    throw TextException("LoadFile - Can not seek file end");
  const long length = std::ftell(file.get());
  if (length < 0) throw TextException("LoadFile - Can not seek file end");
  if (length < static_cast<long>(kTrailerSize)) throw TextException("LoadFile - File is too small");
  // The size is held in 32 bits, spare bytes included.
  if (static_cast<unsigned long>(length) > UINT32_MAX - kSpareBytes)
    throw TextException("LoadFile - error allocating memory");
  size_ = static_cast<uint32_t>(length);
  Allocate(size_t{size_} + kSpareBytes, 0, "LoadFile - error allocating memory");
  std::rewind(file.get());
  if (std::fread(data_.data(), 1, size_, file.get()) != size_)
    throw TextException("LoadFile - read data error");
}

void FirmwareFile::LoadHex(const char* file_name) {
  lowest_address_ = -1;
  FileHandle file = OpenFirmwareFile(file_name, "r");
  // The trailing bytes that the size counts beyond the highest address stay
  // inside the image even when a record ends at the image's last byte.
  Allocate(kHexImageSize + kTrailerSize, 0xFF, "LoadFile - error allocating memory");
  size_ = 0;
  std::string line;
  while (ReadLine(file.get(), line)) {
    if (line.empty() || line[0] != ':') UnknownFormat();
    if (line.size() > kHexLineMax || line.size() < kHexHeaderLength) UnknownFormat();
    uint32_t count = 0, address_high = 0, address_low = 0, type = 0;
    if (!HexByteAt(line, 1, count) || !HexByteAt(line, 3, address_high) ||
        !HexByteAt(line, 5, address_low) || !HexByteAt(line, 7, type))
      UnknownFormat();
    if (type == kHexEndRecord) break;
    // Data bytes, then the checksum byte.
    if (line.size() < kHexHeaderLength + 2 * count + 2) UnknownFormat();
    const uint32_t address = address_high << 8 | address_low;
    if (address + count > kHexImageSize) throw TextException("LoadFile - HEX record out of range");
    uint32_t sum = count + address_low + address_high + type;
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t value = 0;
      if (!HexByteAt(line, kHexHeaderLength + 2 * i, value)) UnknownFormat();
      data_[address + i] = static_cast<uint8_t>(value);
      sum += value;
    }
    uint32_t checksum = 0;
    if (!HexByteAt(line, kHexHeaderLength + 2 * count, checksum)) UnknownFormat();
    if (checksum != ((256 - (sum & 0xFF)) & 0xFF)) throw TextException("LoadFile - Wrong checksum");
    size_ = std::max(size_, address + count);
    if (address < static_cast<uint32_t>(lowest_address_))
      lowest_address_ = static_cast<int32_t>(address);
  }
  size_ += kTrailerSize;
}

uint8_t FirmwareFile::CipherStep(uint8_t x) {
  uint32_t r = cipher_register_;
  for (int bit = 0; bit < 8; ++bit) {
    const uint32_t feedback = (r ^ r >> 8 ^ r >> 14 ^ r >> 24 ^ x >> 7) & 1;
    x = static_cast<uint8_t>(x << 1);
    r = r << 1 | feedback;
  }
  cipher_register_ = r;
  return static_cast<uint8_t>(r);
}

bool FirmwareFile::VerifyChecksum() {
  if (hex_format_ || !encrypted_) return true;
  // Without a trailer there is nothing to check against.
  if (size_ < kTrailerSize || data_.size() < size_) return false;
  const uint32_t end = size_ - kTrailerSize;
  constexpr uint32_t kStep = 256;
  uint32_t done_in_step;
  do {
    done_in_step = 0;
    while (done_in_step < kStep && read_position_ < end) {
      // The keystream follows the plain text: the byte before is already deciphered.
      const uint8_t previous = read_position_ == 0 ? 0 : data_[read_position_ - 1];
      data_[read_position_] ^= CipherStep(previous);
      ++read_position_;
      ++done_in_step;
    }
  } while (done_in_step == kStep);
  return ReadLe32(data_.data() + end) == cipher_register_;
}
