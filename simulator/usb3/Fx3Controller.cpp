#include "simulator/usb3/Fx3Controller.h"
#include "simulator/usb3/CameraBytes.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace sim {
namespace fs = std::filesystem;

namespace {

// The controller's serial port shifts a byte in a quarter of a microsecond
// (about 32 Mbit/s); an MCU command costs the MCU about a millisecond.
constexpr uint64_t kMcuCommandUs = 1000;

// The controller's RAM: 512 KiB of system memory and 16 KiB of
// instruction memory.
constexpr uint32_t kSysMemBase = 0x40000000;
constexpr uint32_t kSysMemSize = 0x80000;
constexpr uint32_t kItcmSize = 0x4000;

VendorAnswer Accept(std::vector<uint8_t> data = {}) {
  VendorAnswer answer;
  answer.accepted = true;
  answer.data = std::move(data);
  return answer;
}

VendorAnswer Refuse() {
  return VendorAnswer{};
}

}  // namespace

const Fx3Controller::Handler Fx3Controller::kHandlers[] = {
    {0x90, &Fx3Controller::McuCommand},    {0x91, &Fx3Controller::TrMcuCommand},
    {0xA0, &Fx3Controller::WriteRam},      {0xB0, &Fx3Controller::SpiWrite},
    {0xB1, &Fx3Controller::SpiRead},       {0xB6, &Fx3Controller::Ping},
    {0xB9, &Fx3Controller::FlashDeselect}, {0xBA, &Fx3Controller::FlashSelect},
    {0xBB, &Fx3Controller::FpgaDeselect},  {0xBC, &Fx3Controller::FpgaSelect},
    {0xC0, &Fx3Controller::GetFwVersion},  {0xC1, &Fx3Controller::GetReady},
    {0xE3, &Fx3Controller::FpgaWrite},     {0xE4, &Fx3Controller::SetTransferParams},
    {0xE6, &Fx3Controller::FlashRead},     {0xE7, &Fx3Controller::FpgaRead},
    {0xE8, &Fx3Controller::FlashWrite},    {0xEA, &Fx3Controller::McuProgInit},
    {0xEB, &Fx3Controller::McuWrite},      {0xEC, &Fx3Controller::McuRead},
    {0xEE, &Fx3Controller::McuErase},      {0xF3, &Fx3Controller::McuSetReset},
    {0xFF, &Fx3Controller::Reset},
};

Fx3Controller::Fx3Controller(Usb3CameraStore& store, const fs::path& dir, uint32_t flash_size)
    : store_(store),
      spi_memory_(dir / "spi_flash.bin", flash_size),
      stm32_memory_(dir / "stm32_flash.bin", Stm32Mcu::kFlashSize),
      c2_memory_(dir / "c2_flash.bin", C2Mcu::kFlashSize),
      c51_flash_(dir / "c51_flash.bin", C51Mcu::kMemorySize),
      c51_eeprom_(dir / "c51_eeprom.bin", C51Mcu::kMemorySize),
      flash_(spi_memory_),
      fpga_(store),
      stm32_(stm32_memory_),
      c2_(c2_memory_),
      c51_(c51_flash_, c51_eeprom_) {}

void Fx3Controller::PowerUp() {
  flash_.PowerUp();
  fpga_.PowerUp();
  c51_.PowerUp();
  port_ = Port::kNone;
  have_params_ = false;
  mcu_address_ = 0;
  mcu_channel_open_ = false;
  ram_.clear();
}

VendorAnswer Fx3Controller::Handle(const VendorRequest& request, uint64_t now_us, bool ready) {
  now_us_ = start_us_ = now_us;
  ready_ = ready;
  flash_.SetSectorEraseUs(Setting<uint64_t>(store_.Json(), "erase_ms", 150) * 1000);
  for (const Handler& handler : kHandlers) {
    if (handler.code != request.code) continue;
    VendorAnswer answer = (this->*handler.run)(request);
    answer.busy_us += now_us_ - start_us_;
    return answer;
  }
  return Refuse();
}

int Fx3Controller::Generation() {
  const std::string version = Setting<std::string>(store_.Json(), "controller_version", "04.22");
  unsigned major = 0, minor = 0;
  std::sscanf(version.c_str(), "%x.%x", &major, &minor);
  if (major < 2 || (major == 2 && minor <= 6)) return 0;
  if (major < 4 || (major == 4 && minor <= 0x21)) return 1;
  return 2;
}

McuFlash* Fx3Controller::McuChannel() {
  const std::string channel = Setting<std::string>(store_.Json(), "mcu_channel", "c2");
  if (channel == "stm32") return &stm32_;
  if (channel == "c2") return &c2_;
  return nullptr;
}

void Fx3Controller::ShiftCost(uint32_t bytes) {
  now_us_ += (bytes + 3) / 4;
}

void Fx3Controller::WaitFlashReady() {
  now_us_ = std::max(now_us_, flash_.BusyUntilUs());
}

bool Fx3Controller::ParamsAre(uint8_t command, uint32_t bits) const {
  return have_params_ && params_[0] == command && Le32(params_ + 4) == bits;
}

// --- The serial port

VendorAnswer Fx3Controller::SpiWrite(const VendorRequest& r) {
  if (r.direction != kDirWrite) return Refuse();
  if (port_ == Port::kFlash) flash_.ShiftOut(r.payload, r.length);
  if (port_ == Port::kFpga) fpga_.ShiftOut(r.payload, r.length);
  ShiftCost(r.length);
  return Accept();
}

VendorAnswer Fx3Controller::SpiRead(const VendorRequest& r) {
  if (r.direction != kDirRead) return Refuse();
  std::vector<uint8_t> data(r.length, 0xFF);
  if (port_ == Port::kFlash) flash_.ShiftIn(data.data(), r.length, now_us_);
  if (port_ == Port::kFpga) fpga_.ShiftIn(data.data(), r.length);
  ShiftCost(r.length);
  return Accept(std::move(data));
}

VendorAnswer Fx3Controller::FlashSelect(const VendorRequest& r) {
  if (r.direction != kDirWrite || r.length != 0) return Refuse();
  if (port_ == Port::kFpga) fpga_.Deselect();
  flash_.Select();
  port_ = Port::kFlash;
  return Accept();
}

VendorAnswer Fx3Controller::FlashDeselect(const VendorRequest& r) {
  if (r.direction != kDirWrite || r.length != 0) return Refuse();
  flash_.Deselect(now_us_);
  if (port_ == Port::kFlash) port_ = Port::kNone;
  return Accept();
}

VendorAnswer Fx3Controller::FpgaSelect(const VendorRequest& r) {
  if (r.direction != kDirWrite || r.length != 0) return Refuse();
  if (port_ == Port::kFlash) flash_.Deselect(now_us_);
  fpga_.Select();
  port_ = Port::kFpga;
  return Accept();
}

VendorAnswer Fx3Controller::FpgaDeselect(const VendorRequest& r) {
  if (r.direction != kDirWrite || r.length != 0) return Refuse();
  fpga_.Deselect();
  if (port_ == Port::kFpga) port_ = Port::kNone;
  return Accept();
}

// --- Controller requests

VendorAnswer Fx3Controller::Ping(const VendorRequest& r) {
  if (r.direction != kDirWrite) return Refuse();
  return Accept();
}

VendorAnswer Fx3Controller::GetFwVersion(const VendorRequest& r) {
  if (r.direction != kDirRead) return Refuse();
  const std::string version = Setting<std::string>(store_.Json(), "controller_version", "04.22");
  unsigned major = 0, minor = 0;
  std::sscanf(version.c_str(), "%x.%x", &major, &minor);
  std::vector<uint8_t> data = {static_cast<uint8_t>(minor), static_cast<uint8_t>(major)};
  data.resize(std::min<size_t>(r.length, 2));
  return Accept(std::move(data));
}

VendorAnswer Fx3Controller::GetReady(const VendorRequest& r) {
  if (r.direction != kDirRead) return Refuse();
  std::vector<uint8_t> data(std::min<size_t>(r.length, 1), ready_ ? 1 : 0);
  return Accept(std::move(data));
}

VendorAnswer Fx3Controller::Reset(const VendorRequest&) {
  VendorAnswer answer;
  answer.no_answer = true;
  answer.restart = true;
  return answer;
}

VendorAnswer Fx3Controller::WriteRam(const VendorRequest& r) {
  if (r.direction != kDirWrite) return Refuse();
  const uint32_t address = static_cast<uint32_t>(r.index) << 16 | r.value;
  if (r.length == 0) {
    // Start the loaded image: note what was booted, then leave the bus.
    Usb3CameraStore::Guard guard(store_);
    uint32_t sum = 0;
    for (const auto& [at, byte] : ram_) sum += static_cast<uint32_t>(byte) << (8 * (at % 4));
    nlohmann::json& json = store_.Edit();
    json["state"]["last_boot"] = {
        {"entry", address}, {"bytes_loaded", ram_.size()}, {"word_sum", sum}};
    store_.Save();
    VendorAnswer answer = Accept();
    answer.restart = true;
    return answer;
  }
  const bool in_itcm = address < kItcmSize && r.length <= kItcmSize - address;
  const bool in_sysmem = address >= kSysMemBase && address - kSysMemBase < kSysMemSize &&
                         r.length <= kSysMemSize - (address - kSysMemBase);
  if (!in_itcm && !in_sysmem) return Refuse();
  for (uint32_t i = 0; i < r.length; ++i) ram_[address + i] = r.payload[i];
  return Accept();
}

// --- FPGA registers and block transfers

VendorAnswer Fx3Controller::FpgaWrite(const VendorRequest& r) {
  if (r.direction != kDirWrite || !fpga_.WriteFrame(r.payload, r.length)) return Refuse();
  ShiftCost(r.length);
  return Accept();
}

VendorAnswer Fx3Controller::SetTransferParams(const VendorRequest& r) {
  if (r.direction != kDirWrite || r.length != 8) return Refuse();
  std::copy(r.payload, r.payload + 8, params_);
  have_params_ = true;
  mcu_address_ = Le32(params_);
  return Accept();
}

VendorAnswer Fx3Controller::FlashRead(const VendorRequest& r) {
  if (r.direction != kDirRead || Generation() == 0 || !ParamsAre(0x03, 32)) return Refuse();
  WaitFlashReady();
  std::vector<uint8_t> data(r.length);
  flash_.Select();
  flash_.ShiftOut(params_, 4);
  flash_.ShiftIn(data.data(), r.length, now_us_);
  flash_.Deselect(now_us_);
  ShiftCost(4 + r.length);
  port_ = Port::kNone;
  return Accept(std::move(data));
}

VendorAnswer Fx3Controller::FlashWrite(const VendorRequest& r) {
  const int generation = Generation();
  if (r.direction != kDirWrite || generation == 0 || !ParamsAre(0x02, 32)) return Refuse();
  if (generation == 1 && r.length > 64) return Refuse();
  WaitFlashReady();
  const uint8_t write_enable = 0x06;
  flash_.Select();
  flash_.ShiftOut(&write_enable, 1);
  flash_.Deselect(now_us_);
  flash_.Select();
  flash_.ShiftOut(params_, 4);
  flash_.ShiftOut(r.payload, r.length);
  ShiftCost(5 + r.length);
  flash_.Deselect(now_us_);
  WaitFlashReady();
  port_ = Port::kNone;
  return Accept();
}

VendorAnswer Fx3Controller::FpgaRead(const VendorRequest& r) {
  if (r.direction != kDirRead || Generation() == 0 || !ParamsAre(0, 8)) return Refuse();
  if (params_[1] != 0 || params_[2] != 0 || params_[3] > 0x7F) return Refuse();
  if (r.length < 1 || r.length > 4) return Refuse();
  ShiftCost(1 + r.length);
  return Accept(fpga_.Read(params_[3], r.length));
}

// --- The generic MCU channel

VendorAnswer Fx3Controller::McuProgInit(const VendorRequest& r) {
  if (r.direction == kDirBoth || r.length != 0 || !McuChannel()) return Refuse();
  mcu_channel_open_ = true;
  now_us_ += kMcuCommandUs;
  return Accept();
}

VendorAnswer Fx3Controller::McuWrite(const VendorRequest& r) {
  McuFlash* mcu = McuChannel();
  if (r.direction != kDirWrite || !mcu || !mcu_channel_open_) return Refuse();
  uint64_t busy = 0;
  if (!mcu->Program(mcu_address_, r.payload, r.length, &busy)) return Refuse();
  mcu_address_ += r.length;
  now_us_ += busy;
  return Accept();
}

VendorAnswer Fx3Controller::McuRead(const VendorRequest& r) {
  McuFlash* mcu = McuChannel();
  if (r.direction != kDirRead || !mcu || !mcu_channel_open_) return Refuse();
  std::vector<uint8_t> data(r.length);
  uint64_t busy = 0;
  if (!mcu->Read(mcu_address_, data.data(), r.length, &busy)) return Refuse();
  mcu_address_ += r.length;
  now_us_ += busy;
  return Accept(std::move(data));
}

VendorAnswer Fx3Controller::McuErase(const VendorRequest& r) {
  McuFlash* mcu = McuChannel();
  if (r.direction != kDirWrite || r.length != 0 || !mcu || !mcu_channel_open_) return Refuse();
  uint64_t busy = 0;
  if (!mcu->Erase(mcu_address_, &busy)) return Refuse();
  now_us_ += busy;
  return Accept();
}

VendorAnswer Fx3Controller::McuSetReset(const VendorRequest& r) {
  if (r.direction != kDirWrite || r.length != 1) return Refuse();
  // Driving the line low restarts the MCU out of its programming mode.
  if (r.payload[0] == 0) {
    mcu_channel_open_ = false;
    Usb3CameraStore::Guard guard(store_);
    nlohmann::json& json = store_.Edit();
    json["state"]["mcu_resets"] = Setting<int>(json["state"], "mcu_resets", 0) + 1;
    store_.Save();
  }
  return Accept();
}

VendorAnswer Fx3Controller::McuCommand(const VendorRequest& r) {
  if (r.direction != kDirBoth) return Refuse();
  const nlohmann::json& json = store_.Json();
  if (Setting<std::string>(json, "mcu_channel", "c2") != "stm32") return Refuse();
  Stm32Mcu::Identity identity;
  identity.version = Setting<uint16_t>(json, "stm32_version", 0);
  identity.unique_id = Setting<std::string>(json, "stm32_uid", "");
  identity.reply_fault = Setting<std::string>(json, "stm32_reply", "ok");
  std::vector<uint8_t> reply = stm32_.Command(r.payload, r.length, identity);
  if (reply.empty()) return Refuse();
  now_us_ += kMcuCommandUs;
  return Accept(std::move(reply));
}

VendorAnswer Fx3Controller::TrMcuCommand(const VendorRequest& r) {
  if (r.direction != kDirBoth) return Refuse();
  const nlohmann::json& json = store_.Json();
  C51Mcu::Bootloader bootloader;
  bootloader.answers_probe = Setting<bool>(json, "c51_probe", true);
  bootloader.ccd = Setting<bool>(json, "c51_ccd", false);
  C51Mcu::PieceAnswer piece = c51_.Piece(r.payload, r.length, bootloader, now_us_);
  if (!piece.accepted) return Refuse();
  now_us_ += piece.busy_us;
  return Accept(std::move(piece.data));
}

}  // namespace sim
