#pragma once
// The C51 microcontroller of the TR cameras and its bootloader: 64 KiB of flash
// and 64 KiB of EEPROM, reached through packets that the controller carries in
// one or two pieces, with the MCU's reply fetched back in pieces.
//
// Bootloader packets (16-bit fields little-endian):
//   FD 00 00 00, 256, 0                      probe (answered by newer bootloaders)
//   F0 A5 F1 03 03 00 00 00 02, count hi, lo  flash erase (CCD bootloaders)
//   F1 A5 F1 01, length, address, bytes       flash write; length 0 ends the write
//   F2 00 00 00, length, address              flash read
//   E1 00 00 00, length, address, bytes       EEPROM write
//   E0 00 00 00, length, address              EEPROM read
// A CCD bootloader programs only erased bits and, when a write ends, sends back
// every byte written since the erase; the others erase each block they write.

#include <cstdint>
#include <vector>

#include "simulator/usb3/MemoryFile.h"

namespace sim {

class C51Mcu {
 public:
  static constexpr uint32_t kMemorySize = 0x10000;

  struct Bootloader {
    bool answers_probe = true;
    bool ccd = false;
  };

  struct PieceAnswer {
    bool accepted = false;  // false: the controller refuses the piece
    std::vector<uint8_t> data;
    uint64_t busy_us = 0;  // until the answer is ready
  };

  C51Mcu(MemoryFile& flash, MemoryFile& eeprom) : flash_(flash), eeprom_(eeprom) {}

  // One piece: kind (0 send, 1 fetch), phase (3 whole, 1 first, 2 second),
  // length, then the bytes when sending.
  PieceAnswer Piece(const uint8_t* piece, uint32_t size, const Bootloader& bootloader,
                    uint64_t now_us);

  void PowerUp();

 private:
  // Runs one packet; sets the reply (or none) and the time the MCU is busy.
  void Process(const std::vector<uint8_t>& packet, const Bootloader& bootloader, uint64_t now_us);
  void Reply(std::vector<uint8_t> bytes);

  MemoryFile& flash_;
  MemoryFile& eeprom_;
  std::vector<uint8_t> packet_;  // first piece of a packet in two pieces
  bool collecting_ = false;
  std::vector<uint8_t> reply_;
  size_t reply_position_ = 0;
  bool has_reply_ = false;
  uint32_t written_since_erase_ = 0;
  uint64_t ready_at_us_ = 0;
};

}  // namespace sim
