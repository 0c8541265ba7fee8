#include "simulator/usb3/FpgaPort.h"

#include <string>

namespace sim {
namespace {

constexpr uint8_t kChipIdFirst = 29;
constexpr uint16_t kUnlockValues[3] = {0x0000, 0x47A9, 0x0001};

}  // namespace

uint32_t FpgaPort::Value(uint8_t r) {
  const nlohmann::json& json = store_.Json();
  if (unlock_step_ == 3 && r >= kChipIdFirst && r < kChipIdFirst + 3) {
    // The id text is the words of registers 31, 30 and 29, four digits each.
    const std::string id = Setting<std::string>(json, "fpga_chip_id", "000000000000");
    const size_t word = static_cast<size_t>(kChipIdFirst + 2 - r);
    if (id.size() < (word + 1) * 4) return 0;
    return static_cast<uint32_t>(std::stoul(id.substr(word * 4, 4), nullptr, 16));
  }
  auto registers = json.find("fpga_registers");
  if (registers == json.end() || !registers->is_object()) return 0;
  return Setting<uint32_t>(*registers, std::to_string(r).c_str(), 0);
}

void FpgaPort::Store(uint8_t r, uint32_t value) {
  Usb3CameraStore::Guard guard(store_);
  nlohmann::json& json = store_.Edit();
  json["fpga_registers"][std::to_string(r)] = value;
  store_.Save();
}

bool FpgaPort::WriteFrame(const uint8_t* frame, uint32_t size) {
  if ((size != 3 && size != 5) || (frame[0] & 0x80) == 0) return false;
  const uint8_t r = frame[0] & 0x7F;
  uint32_t value = 0;
  for (uint32_t i = 1; i < size; ++i) value = value << 8 | frame[i];
  Store(r, value);
  if (r >= kChipIdFirst && r < kChipIdFirst + 3) {
    const int step = r - kChipIdFirst;
    if (step == unlock_step_ && value == kUnlockValues[step])
      ++unlock_step_;
    else
      unlock_step_ = (r == kChipIdFirst && value == kUnlockValues[0]) ? 1 : 0;
  }
  return true;
}

std::vector<uint8_t> FpgaPort::Read(uint8_t r, uint32_t n) {
  const uint32_t value = Value(r);
  std::vector<uint8_t> bytes(n);
  for (uint32_t i = 0; i < n; ++i) bytes[i] = i < 4 ? static_cast<uint8_t>(value >> (8 * i)) : 0;
  return bytes;
}

void FpgaPort::ShiftOut(const uint8_t* data, uint32_t n) {
  if (!selected_ || n == 0 || have_register_) return;
  register_ = data[0] & 0x7F;
  have_register_ = true;
}

void FpgaPort::ShiftIn(uint8_t* data, uint32_t n) {
  if (!selected_ || !have_register_) {
    for (uint32_t i = 0; i < n; ++i) data[i] = 0xFF;
    return;
  }
  const std::vector<uint8_t> bytes = Read(register_, n);
  for (uint32_t i = 0; i < n; ++i) data[i] = bytes[n - 1 - i];
}

void FpgaPort::PowerUp() {
  selected_ = false;
  have_register_ = false;
  unlock_step_ = 0;
}

}  // namespace sim
