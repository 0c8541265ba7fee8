#pragma once
// Loads an FX3 boot image ("CY" signature, sections of 32-bit words, entry
// address and checksum) into the RAM of the camera's controller and starts it.

#include <cstdint>

#include "usb3/Usb3Device.h"

// 0 on success, 255 on failure. The image is checked whole before anything is
// sent: an image that would be read past its length starts nothing. A wrong
// checksum fails after the image was started.
int LoadFW_From_Buffer(Usb3Device* device, const uint8_t* image, uint32_t length);
