#pragma once
// One firmware source held in memory: a binary file (by default enciphered and
// ending in a 4-byte checksum trailer), an Intel HEX text file, or a value given
// on the command line in place of a file name.

#include <cstddef>
#include <cstdint>
#include <vector>

class FirmwareFile {
 public:
  // Spare zeroed bytes after the content of a binary file.
  static constexpr uint32_t kSpareBytes = 4096;
  // A HEX file becomes an image of this size, pre-filled with 0xFF.
  static constexpr uint32_t kHexImageSize = 65536;
  // Length of the checksum trailer of an enciphered file.
  static constexpr uint32_t kTrailerSize = 4;
  // The cipher register's value before the first byte is deciphered.
  static constexpr uint32_t kCipherSeed = 0x4C6D;

  // Back to the state after construction: no data, enciphered binary file.
  void Reset();
  // The file is plain: no deciphering, no trailer.
  void SetPlainFile() { encrypted_ = false; }
  void SetHexFormat() { hex_format_ = true; }

  // Reads the whole file. Returns true; failures are thrown as TextException.
  bool LoadFile(const char* file_name);

  // Deciphers the payload in place and compares the trailer with the cipher
  // register. True for HEX and plain files, which carry no trailer.
  bool VerifyChecksum();

  // The content (deciphered after VerifyChecksum); null when nothing is loaded.
  uint8_t* GetData() { return data_.empty() ? nullptr : data_.data(); }
  // The bytes to program: the content without its trailer.
  uint32_t GetPayloadSize() const;

  // Frees the content.
  void Release();

  // One keystream step: shifts the 8 bits of x through the cipher register and
  // returns the register's low byte.
  uint8_t CipherStep(uint8_t x);

  uint32_t GetSize() const { return size_; }
  bool IsEncrypted() const { return encrypted_; }
  bool IsHexFormat() const { return hex_format_; }
  int32_t GetLowestAddress() const { return lowest_address_; }
  uint32_t GetCipherRegister() const { return cipher_register_; }

 private:
  void LoadBinary(const char* file_name);
  void LoadHex(const char* file_name);
  // Replaces the content with `count` bytes of `fill`, raising `message` when
  // the memory cannot be had.
  void Allocate(size_t count, uint8_t fill, const char* message);

  friend bool ParseHexFromStringToBuffer(FirmwareFile& file, const char* text);
  friend bool ParseSnSneFromStringToBuffer(FirmwareFile& file, const char* text);
  friend bool SSnFromNameToBuffer(FirmwareFile& file, const char* text);

  uint32_t size_ = 0;
  uint32_t read_position_ = 0;
  std::vector<uint8_t> data_;
  uint32_t cipher_register_ = 0;
  bool hex_format_ = false;
  bool encrypted_ = true;
  int32_t lowest_address_ = -1;
};

// Values given in place of a file name. Each replaces the content of `file`;
// returns true, failures are thrown as TextException.

// Hex digits written most significant byte first; the buffer holds the bytes
// least significant first. "-" gives an empty value.
bool ParseHexFromStringToBuffer(FirmwareFile& file, const char* text);

// A legacy serial number (8 hex digits), an SNE (12 characters) or both (20).
bool ParseSnSneFromStringToBuffer(FirmwareFile& file, const char* text);

// A sensor serial number: the text itself.
bool SSnFromNameToBuffer(FirmwareFile& file, const char* text);
