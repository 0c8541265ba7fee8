#include "simulator/usb3/MemoryFile.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace sim {

MemoryFile::MemoryFile(const std::filesystem::path& file, uint32_t size) : size_(size) {
  fd_ = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) {
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) throw std::runtime_error("cannot open " + file.string());
    Fill(0, size, 0xFF);
  }
}

MemoryFile::~MemoryFile() {
  if (fd_ >= 0) ::close(fd_);
}

void MemoryFile::Read(uint32_t offset, uint8_t* out, uint32_t n) const {
  std::fill(out, out + n, 0xFF);
  if (offset >= size_) return;
  const uint32_t inside = std::min(n, size_ - offset);
  const ssize_t got = ::pread(fd_, out, inside, offset);
  (void)got;  // a short file leaves the rest erased
}

uint8_t MemoryFile::ReadByte(uint32_t offset) const {
  uint8_t value = 0xFF;
  Read(offset, &value, 1);
  return value;
}

void MemoryFile::Write(uint32_t offset, const uint8_t* data, uint32_t n) {
  if (offset >= size_) return;
  const uint32_t inside = std::min(n, size_ - offset);
  const ssize_t put = ::pwrite(fd_, data, inside, offset);
  (void)put;
}

void MemoryFile::Fill(uint32_t offset, uint32_t n, uint8_t value) {
  const std::vector<uint8_t> bytes(std::min<uint32_t>(n, 65536), value);
  while (n > 0) {
    const uint32_t piece = std::min<uint32_t>(n, static_cast<uint32_t>(bytes.size()));
    Write(offset, bytes.data(), piece);
    offset += piece;
    n -= piece;
  }
}

void MemoryFile::Program(uint32_t offset, const uint8_t* data, uint32_t n) {
  std::vector<uint8_t> cells(n);
  Read(offset, cells.data(), n);
  for (uint32_t i = 0; i < n; ++i) cells[i] &= data[i];
  Write(offset, cells.data(), n);
}

}  // namespace sim
