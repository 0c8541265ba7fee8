#pragma once
// Vendor request codes of the camera's FX3 controller firmware.

#include <cstdint>

enum VendorRequestCode : uint8_t {
  VR_MCU_COMMAND = 0x90,
  VR_TR_MCU_COMMAND = 0x91,
  VR_WRITE_RAM = 0xA0,
  VR_SPI_WRITE = 0xB0,
  VR_SPI_READ = 0xB1,
  VR_PING = 0xB6,
  VR_FLASH_DESELECT = 0xB9,
  VR_FLASH_SELECT = 0xBA,
  VR_FPGA_DESELECT = 0xBB,
  VR_FPGA_SELECT = 0xBC,
  VR_GET_FW_VERSION = 0xC0,
  VR_GET_READY = 0xC1,
  VR_FPGA_WRITE = 0xE3,
  VR_SET_TRANSFER_PARAMS = 0xE4,
  VR_FLASH_READ = 0xE6,
  VR_FPGA_READ = 0xE7,
  VR_FLASH_WRITE = 0xE8,
  VR_STM32F4XX_FLASH_PROG_INIT = 0xEA,
  VR_MCU_WRITE = 0xEB,
  VR_MCU_READ = 0xEC,
  VR_MCU_ERASE = 0xEE,
  VR_MCU_SET_RESET = 0xF3,
  VR_RESET = 0xFF,
};
