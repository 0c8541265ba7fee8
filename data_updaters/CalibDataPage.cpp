#include "CalibDataPage.h"

#include <cstring>
#include <new>

#include "CalibError.h"

namespace {

size_t FieldsFor(uint32_t bytes) {
  return (bytes + sizeof(calib_field_t) - 1) / sizeof(calib_field_t);
}

}  // namespace

void CalibDataPage::AllocateBuffers(uint32_t packed, uint32_t unpacked) {
  packed_data.clear();
  unpacked_data.clear();
  packed_size = 0;
  unpacked_size = 0;
  try {
    packed_data.assign(packed, 0);
  } catch (const std::bad_alloc&) {
    ThrowCDSError("AllocateBuffers", "Failed to allocate packed data buffer");
  }
  packed_size = packed;
  try {
    unpacked_data.assign(FieldsFor(unpacked), calib_field_t{});
  } catch (const std::bad_alloc&) {
    ThrowCDSError("AllocateBuffers", "Failed to allocate unpacked data buffer");
  }
  unpacked_size = unpacked;
}

void CalibDataPage::ReAllocUnapckedDataBuffer(uint32_t size) {
  if (unpacked_data.empty())
    ThrowCDSError("ReAllocUnapckedDataBuffer", "Unpacked data buffer was not allocated");
  try {
    unpacked_data.assign(FieldsFor(size), calib_field_t{});
  } catch (const std::bad_alloc&) {
    ThrowCDSError("ReAllocUnapckedDataBuffer", "Failed to re-allocate unpacked data buffer");
  }
  unpacked_size = size;
}

void CalibDataPage::SetPackedData(const uint8_t* data, uint32_t size) {
  if (data == nullptr) ThrowCDSError("SetPackedData", "Invalid data pointer.");
  if (size == 0) ThrowCDSError("SetPackedData", "Invalid data size.");
  if (packed_data.empty()) ThrowCDSError("SetPackedData", "Packed data buffer was not allocated");
  if (size > packed_size) ThrowCDSError("SetPackedData", "Invalid data size.");
  std::memcpy(packed_data.data(), data, size);
}

void CalibDataPage::SetUnPackedData(const calib_field_t* data, uint32_t size) {
  if (data == nullptr) ThrowCDSError("SetUnPackedData", "Invalid data pointer.");
  if (size == 0) ThrowCDSError("SetUnPackedData", "Invalid data size.");
  if (unpacked_data.empty())
    ThrowCDSError("SetUnPackedData", "Unpacked data buffer was not allocated.");
  // Only whole entries: a cut entry would leave half a name pointer behind.
  if (size > unpacked_size || size % sizeof(calib_field_t) != 0)
    ThrowCDSError("SetUnPackedData", "Invalid data size.");
  std::memcpy(static_cast<void*>(unpacked_data.data()), data, size);
}
