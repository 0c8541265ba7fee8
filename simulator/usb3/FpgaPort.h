#pragma once
// The FPGA's register port: 128 registers of up to 32 bits, reached through the
// controller's register frames or, on old controllers, through the serial port
// (the register number shifted out, the value shifted in most significant byte
// first). Writing 0x0000, 0x47A9 and 0x0001 to registers 29, 30 and 31 in this
// order unlocks the chip id, which registers 31, 30 and 29 then read.
// Register values last across runs in camera.json.

#include <cstdint>
#include <vector>

#include "simulator/usb3/Usb3CameraStore.h"

namespace sim {

class FpgaPort {
 public:
  static constexpr uint8_t kRegisterCount = 128;

  explicit FpgaPort(Usb3CameraStore& store) : store_(store) {}

  // A register write frame: 0x80 | r, then the value's bytes from last to first
  // (2 or 4 of them). False for any other frame.
  bool WriteFrame(const uint8_t* frame, uint32_t size);
  // The low n bytes of register r, least significant first.
  std::vector<uint8_t> Read(uint8_t r, uint32_t n);

  void Select() {
    selected_ = true;
    have_register_ = false;
  }
  void Deselect() { selected_ = false; }
  void ShiftOut(const uint8_t* data, uint32_t n);
  void ShiftIn(uint8_t* data, uint32_t n);

  // Forgets the unlock sequence and the select line (power-up).
  void PowerUp();

 private:
  uint32_t Value(uint8_t r);
  void Store(uint8_t r, uint32_t value);

  Usb3CameraStore& store_;
  bool selected_ = false;
  bool have_register_ = false;
  uint8_t register_ = 0;
  int unlock_step_ = 0;  // 3 = chip id readable
};

}  // namespace sim
