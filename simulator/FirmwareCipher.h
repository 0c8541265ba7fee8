#pragma once
// The maker's firmware enciphering, as its build tools apply it: the bench tool
// uses it to make firmware files the updater accepts.

#include <cstdint>
#include <vector>

namespace sim {

// Enciphers a plain firmware image and appends the 4-byte checksum trailer.
std::vector<uint8_t> EncipherFirmware(const std::vector<uint8_t>& plain);

}  // namespace sim
