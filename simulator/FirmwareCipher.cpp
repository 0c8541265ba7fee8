#include "simulator/FirmwareCipher.h"

#include <bit>

namespace sim {
namespace {

// A 32-bit shift register with feedback taps at bits 0, 8, 14 and 24; each
// plain byte is shifted in behind the key byte it was enciphered with.
class KeyStream {
 public:
  uint8_t Next(uint8_t plain_before) {
    constexpr uint32_t kTaps = 1u << 0 | 1u << 8 | 1u << 14 | 1u << 24;
    for (int i = 7; i >= 0; --i) {
      const uint32_t in = (plain_before >> i) & 1u;
      const uint32_t feedback = static_cast<uint32_t>(std::popcount(state_ & kTaps) & 1) ^ in;
      state_ = (state_ << 1) | feedback;
    }
    return static_cast<uint8_t>(state_ & 0xFF);
  }
  uint32_t state() const { return state_; }

 private:
  uint32_t state_ = 0x4C6D;
};

}  // namespace

std::vector<uint8_t> EncipherFirmware(const std::vector<uint8_t>& plain) {
  std::vector<uint8_t> out;
  out.reserve(plain.size() + 4);
  KeyStream keys;
  uint8_t before = 0;
  for (uint8_t byte : plain) {
    out.push_back(byte ^ keys.Next(before));
    before = byte;
  }
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<uint8_t>(keys.state() >> shift));
  return out;
}

}  // namespace sim
