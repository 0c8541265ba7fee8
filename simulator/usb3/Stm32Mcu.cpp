#include "simulator/usb3/Stm32Mcu.h"
#include "simulator/usb3/CameraBytes.h"

namespace sim {
namespace {

constexpr uint32_t kSectorSizes[8] = {0x4000,  0x4000,  0x4000,  0x4000,
                                      0x10000, 0x20000, 0x20000, 0x20000};
// Typical erase times of the chip's 16, 64 and 128 KiB sectors, and the time to
// program one byte (a 32-bit word in 16 us).
uint64_t SectorEraseUs(uint32_t size) {
  if (size <= 0x4000) return 250000;
  if (size <= 0x10000) return 550000;
  return 1000000;
}
constexpr uint64_t kProgramUsPerByte = 4;

constexpr uint16_t kPrefix = 0xF30C;
constexpr uint16_t kAckOk = 0;
constexpr uint16_t kUnknownCommand = 1;
constexpr uint16_t kCommandVersion = 0;
constexpr uint16_t kCommandUniqueId = 16;

}  // namespace

bool Stm32Mcu::Inside(uint32_t address, uint32_t n) const {
  return address >= kFlashBase && address - kFlashBase <= kFlashSize &&
         n <= kFlashSize - (address - kFlashBase);
}

bool Stm32Mcu::Erase(uint32_t sector, uint64_t* busy_us) {
  if (sector >= 8) return false;
  uint32_t start = 0;
  for (uint32_t s = 0; s < sector; ++s) start += kSectorSizes[s];
  flash_.Fill(start, kSectorSizes[sector], 0xFF);
  *busy_us = SectorEraseUs(kSectorSizes[sector]);
  return true;
}

bool Stm32Mcu::Program(uint32_t address, const uint8_t* data, uint32_t n, uint64_t* busy_us) {
  if (!Inside(address, n)) return false;
  flash_.Program(address - kFlashBase, data, n);
  *busy_us = n * kProgramUsPerByte;
  return true;
}

bool Stm32Mcu::Read(uint32_t address, uint8_t* out, uint32_t n, uint64_t* busy_us) {
  if (!Inside(address, n)) return false;
  flash_.Read(address - kFlashBase, out, n);
  *busy_us = n / 16;
  return true;
}

std::vector<uint8_t> Stm32Mcu::Command(const uint8_t* frame, uint32_t size,
                                       const Identity& identity) {
  if (size != 10 || Le16(frame) != kPrefix || Le16(frame + 2) != 10) return {};
  const uint16_t command = Le16(frame + 6);
  const uint16_t request_id = Le16(frame + 8);
  std::vector<uint8_t> payload;
  uint16_t status = kAckOk;
  if (command == kCommandVersion) {
    PutLe16(payload, identity.version);
  } else if (command == kCommandUniqueId) {
    for (size_t word = 0; word < 6; ++word) {
      const bool present = identity.unique_id.size() >= (word + 1) * 4;
      PutLe16(payload, present ? static_cast<uint16_t>(std::stoul(
                                     identity.unique_id.substr(word * 4, 4), nullptr, 16))
                               : 0);
    }
  } else {
    status = kUnknownCommand;
  }
  std::vector<uint8_t> reply;
  PutLe16(reply, identity.reply_fault == "bad_prefix" ? kPrefix + 1 : kPrefix);
  PutLe16(reply, static_cast<uint16_t>(8 + payload.size()));
  PutLe16(reply, identity.reply_fault == "bad_status" ? 2 : status);
  PutLe16(reply, identity.reply_fault == "bad_request_id" ? request_id + 1 : request_id);
  reply.insert(reply.end(), payload.begin(), payload.end());
  return reply;
}

}  // namespace sim
