#include "usb3/Fx3BootLoader.h"

#include <algorithm>
#include <vector>

#include "TracePrint.h"
#include "platform/little_endian.h"
#include "usb3/VendorRequests.h"

namespace {

constexpr uint16_t kSignature = 0x5943;  // "CY"
constexpr uint32_t kPiece = 64;
constexpr int kFailed = 255;

struct Section {
  uint64_t data_offset;
  uint64_t words;
  uint32_t address;
};

int Truncated() {
  TracePrint(4, "LoadFW_From_Buffer: truncated image\n");
  return kFailed;
}

}  // namespace

int LoadFW_From_Buffer(Usb3Device* device, const uint8_t* image, uint32_t length) {
  if (image == nullptr || length < 2) return Truncated();
  const uint16_t signature = ReadLe16(image);
  if (signature != kSignature) {
    TracePrint(4, "LoadFW_From_Buffer: invalid signature x%x\n", signature);
    return kFailed;
  }
  // Walk the sections first: an image cut short sends nothing.
  std::vector<Section> sections;
  uint64_t offset = 4;
  uint64_t entry_offset = 0;
  for (;;) {
    if (offset + 4 > length) return Truncated();
    const uint64_t words = ReadLe32(image + offset);
    if (words == 0) {
      entry_offset = offset + 4;
      break;
    }
    if (offset + 8 + 4 * words > length) return Truncated();
    sections.push_back({offset + 8, words, ReadLe32(image + offset + 4)});
    offset += 8 + 4 * words;
    // Sections that reach the end without a terminator: the entry address
    // and the checksum follow the last one.
    if (offset >= length) {
      entry_offset = offset;
      break;
    }
  }
  if (entry_offset + 8 > length) return Truncated();
  const uint32_t entry = ReadLe32(image + entry_offset);
  const uint32_t checksum = ReadLe32(image + entry_offset + 4);

  uint32_t sum = 0;
  for (const Section& section : sections) {
    const uint8_t* data = image + section.data_offset;
    const uint64_t bytes = 4 * section.words;
    uint32_t address = section.address;
    for (uint64_t done = 0; done < bytes;) {
      const uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(kPiece, bytes - done));
      if (u3VrReq(device, VR_WRITE_RAM, static_cast<uint16_t>(address),
                  static_cast<uint16_t>(address >> 16), const_cast<uint8_t*>(data + done), piece,
                  true, true) != 0) {
        TracePrint(4, "LoadFW_From_Buffer: write memory error\n");
        return kFailed;
      }
      address += piece;
      done += piece;
    }
    for (uint64_t word = 0; word < section.words; ++word) sum += ReadLe32(data + 4 * word);
  }
  // Starting the image ends the controller's answers; the result is not used.
  u3VrReq(device, VR_WRITE_RAM, static_cast<uint16_t>(entry), static_cast<uint16_t>(entry >> 16),
          nullptr, 0, true, true);
  if (sum != checksum) {
    TracePrint(4, "LoadFW_From_Buffer: invalid checksum x%x expected x%x\n", sum, checksum);
    return kFailed;
  }
  return 0;
}
