#pragma once
// One memory chip of a virtual camera, kept in a file of the camera's folder.
// Every write goes straight to the file, so another process sees it at once
// and a process that dies half-way leaves a half-written chip behind.

#include <cstdint>
#include <filesystem>

namespace sim {

class MemoryFile {
 public:
  // Opens the file, creating it erased (0xFF) when it does not exist; throws
  // std::runtime_error when it cannot be opened.
  MemoryFile(const std::filesystem::path& file, uint32_t size);
  ~MemoryFile();
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  uint32_t size() const { return size_; }

  // Bytes outside the chip, or beyond a file cut short, read as 0xFF.
  void Read(uint32_t offset, uint8_t* out, uint32_t n) const;
  uint8_t ReadByte(uint32_t offset) const;
  void Write(uint32_t offset, const uint8_t* data, uint32_t n);
  void Fill(uint32_t offset, uint32_t n, uint8_t value);
  // Flash programming: bits can only go from 1 to 0.
  void Program(uint32_t offset, const uint8_t* data, uint32_t n);

 private:
  int fd_ = -1;
  uint32_t size_;
};

}  // namespace sim
