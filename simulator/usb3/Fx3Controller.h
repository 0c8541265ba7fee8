#pragma once
// The firmware of a virtual camera's FX3 USB controller: what it does with each
// vendor request, seen from the camera. It drives the serial port (SPI flash and
// FPGA), the FPGA register frames, the block transfers of newer firmware, the
// generic MCU channel (STM32 or C2 MCU), the STM32 command exchange, the TR
// pieces of the C51 MCU and the RAM boot loader. Which requests it knows
// depends on its firmware version:
//   up to 02.06   serial port and register frames only (no block transfers)
//   02.07..04.21  block transfers; block writes of at most 64 bytes
//   04.22 and up  block writes as long as a frame carries

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

#include "simulator/usb3/C2Mcu.h"
#include "simulator/usb3/C51Mcu.h"
#include "simulator/usb3/FpgaPort.h"
#include "simulator/usb3/MemoryFile.h"
#include "simulator/usb3/SpiFlash.h"
#include "simulator/usb3/Stm32Mcu.h"
#include "simulator/usb3/Usb3CameraStore.h"

namespace sim {

// Directions of a command frame.
constexpr uint16_t kDirWrite = 0;
constexpr uint16_t kDirRead = 1;
constexpr uint16_t kDirBoth = 2;

struct VendorRequest {
  uint16_t direction;
  uint8_t code;
  uint16_t value;
  uint16_t index;
  uint16_t length;         // payload length, or the bytes a read asks for
  const uint8_t* payload;  // write and bidirectional
};

struct VendorAnswer {
  bool accepted = false;      // false: refused (0x8A)
  std::vector<uint8_t> data;  // returned bytes
  uint64_t busy_us = 0;       // controller and chip time before the answer is ready
  bool restart = false;       // the controller restarts once the answer is out
  bool no_answer = false;     // the request is never acknowledged (reset)
};

class Fx3Controller {
 public:
  Fx3Controller(Usb3CameraStore& store, const std::filesystem::path& dir, uint32_t flash_size);

  // Carries out one request that arrived at now_us; `ready` is what the
  // camera's ready flag reads.
  VendorAnswer Handle(const VendorRequest& request, uint64_t now_us, bool ready);

  // Forgets everything a restart forgets.
  void PowerUp();

 private:
  struct Handler {
    uint8_t code;
    VendorAnswer (Fx3Controller::*run)(const VendorRequest&);
  };
  static const Handler kHandlers[];

  int Generation();  // 0, 1, 2 for firmware up to 02.06, up to 04.21, newer
  McuFlash* McuChannel();
  // Waits (in device time) until the flash has finished its last program or erase.
  void WaitFlashReady();
  void ShiftCost(uint32_t bytes);
  bool ParamsAre(uint8_t command, uint32_t bits) const;

  VendorAnswer WriteRam(const VendorRequest& r);
  VendorAnswer SpiWrite(const VendorRequest& r);
  VendorAnswer SpiRead(const VendorRequest& r);
  VendorAnswer Ping(const VendorRequest& r);
  VendorAnswer FlashDeselect(const VendorRequest& r);
  VendorAnswer FlashSelect(const VendorRequest& r);
  VendorAnswer FpgaDeselect(const VendorRequest& r);
  VendorAnswer FpgaSelect(const VendorRequest& r);
  VendorAnswer GetFwVersion(const VendorRequest& r);
  VendorAnswer GetReady(const VendorRequest& r);
  VendorAnswer FpgaWrite(const VendorRequest& r);
  VendorAnswer SetTransferParams(const VendorRequest& r);
  VendorAnswer FlashRead(const VendorRequest& r);
  VendorAnswer FpgaRead(const VendorRequest& r);
  VendorAnswer FlashWrite(const VendorRequest& r);
  VendorAnswer McuProgInit(const VendorRequest& r);
  VendorAnswer McuWrite(const VendorRequest& r);
  VendorAnswer McuRead(const VendorRequest& r);
  VendorAnswer McuErase(const VendorRequest& r);
  VendorAnswer McuSetReset(const VendorRequest& r);
  VendorAnswer McuCommand(const VendorRequest& r);
  VendorAnswer TrMcuCommand(const VendorRequest& r);
  VendorAnswer Reset(const VendorRequest& r);

  Usb3CameraStore& store_;
  MemoryFile spi_memory_;
  MemoryFile stm32_memory_;
  MemoryFile c2_memory_;
  MemoryFile c51_flash_;
  MemoryFile c51_eeprom_;
  SpiFlash flash_;
  FpgaPort fpga_;
  Stm32Mcu stm32_;
  C2Mcu c2_;
  C51Mcu c51_;

  enum class Port { kNone, kFlash, kFpga };
  Port port_ = Port::kNone;
  uint8_t params_[8] = {};
  bool have_params_ = false;
  uint32_t mcu_address_ = 0;
  bool mcu_channel_open_ = false;
  std::map<uint32_t, uint8_t> ram_;  // bytes loaded by the boot loader
  uint64_t now_us_ = 0;              // device time while a request runs
  uint64_t start_us_ = 0;
  bool ready_ = true;
};

}  // namespace sim
