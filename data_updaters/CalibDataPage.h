#pragma once
// One sensor mode of the camera modes table: its packed bytes and its unpacked
// fields, of which only one side is authoritative at a time.

#include <cstdint>
#include <vector>

#include "CalibDataDesc.h"

class CalibDataPage {
 public:
  CalibDataPage() = default;

  // Drops both buffers and allocates them anew, zero-filled. unpacked_size is in
  // bytes, a whole number of fields.
  void AllocateBuffers(uint32_t packed_size, uint32_t unpacked_size);
  // Resizes the field buffer to `size` bytes and zeroes it.
  void ReAllocUnapckedDataBuffer(uint32_t size);
  // Copy `size` bytes in; size must be 1 to the buffer's size.
  void SetPackedData(const uint8_t* data, uint32_t size);
  void SetUnPackedData(const calib_field_t* data, uint32_t size);

  // 1: the packed bytes count and the fields are not valid; 0: the fields count.
  uint8_t packed_flag = 1;
  std::vector<uint8_t> packed_data;
  std::vector<calib_field_t> unpacked_data;
  uint32_t packed_size = 0;
  uint32_t unpacked_size = 0;
  uint32_t page_index = 0;

  bool IsPacked() const { return packed_flag != 0; }
};
