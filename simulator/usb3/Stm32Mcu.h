#pragma once
// The STM32F4xx microcontroller: 512 KiB of flash at 0x8000000 in eight
// sectors (erased by sector number), a reset line, and the framed commands for
// its firmware version and unique id.

#include <cstdint>
#include <string>
#include <vector>

#include "simulator/usb3/McuFlash.h"
#include "simulator/usb3/MemoryFile.h"

namespace sim {

class Stm32Mcu : public McuFlash {
 public:
  static constexpr uint32_t kFlashBase = 0x8000000;
  static constexpr uint32_t kFlashSize = 0x80000;

  // What the MCU answers to its commands; reply_fault spoils one field of every
  // reply: "bad_prefix", "bad_status" or "bad_request_id" ("ok" spoils none).
  struct Identity {
    uint16_t version = 0;
    std::string unique_id;  // 24 hex digits: six words, each high byte first
    std::string reply_fault = "ok";
  };

  explicit Stm32Mcu(MemoryFile& flash) : flash_(flash) {}

  bool Erase(uint32_t sector, uint64_t* busy_us) override;
  bool Program(uint32_t address, const uint8_t* data, uint32_t n, uint64_t* busy_us) override;
  bool Read(uint32_t address, uint8_t* out, uint32_t n, uint64_t* busy_us) override;

  // The reply to a 10-byte command frame; empty when the frame is not one.
  std::vector<uint8_t> Command(const uint8_t* frame, uint32_t size, const Identity& identity);

 private:
  bool Inside(uint32_t address, uint32_t n) const;

  MemoryFile& flash_;
};

}  // namespace sim
