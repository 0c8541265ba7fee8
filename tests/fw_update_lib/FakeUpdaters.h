#pragma once
// Updaters and a console that record what the front end asks of them, for the
// executor and entry-point tests.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FrontEnd.h"
#include "api/FW_Updater_FAPI.h"
#include "platform/console.h"
#include "usb3/FW_Updater_USB30.h"

namespace fakes {

// What the fakes were asked, in order, shared by every fake of a test.
struct Record {
  std::vector<std::string> calls;
  std::string model = "TV450KT-LN-W";
  int32_t cameras = 0;
  bool update_result = true;
  void Add(const std::string& call) { calls.push_back(call); }
};
inline Record* g_record = nullptr;

template <typename Base>
class Recording : public Base {
 public:
  // The settings the front end gave this updater, as one text.
  virtual std::string State() const = 0;

  void SelectCameraOnBus(int32_t index) override {
    g_record->Add("SelectCameraOnBus " + std::to_string(index));
    this->camera_id = index;
  }
  void SelectCameraByPath(const char* path) override {
    g_record->Add(std::string("SelectCameraByPath ") + path);
  }
  void SelectCameraBySN(const char* serial) override {
    g_record->Add(std::string("SelectCameraBySN ") + serial);
  }
  void SelectCameraByLocation(const char* location) override {
    g_record->Add(std::string("SelectCameraByLocation ") + location);
  }
  void GetCurrentFirmwareVersion(char* buffer, int32_t size) override {
    g_record->Add("GetCurrentFirmwareVersion " + std::to_string(size) + " " + State());
    std::snprintf(buffer, static_cast<size_t>(size), "1.23");
  }
  void GetU3VFlag(uint8_t& flag) override {
    g_record->Add("GetU3VFlag");
    flag = 1;
  }
  void GetCameraModel(char* buffer, int32_t size) override {
    g_record->Add("GetCameraModel");
    std::snprintf(buffer, static_cast<size_t>(size), "%s", g_record->model.c_str());
  }
  bool UpdateFirmware() override {
    char line[200];
    std::snprintf(line, sizeof line, "UpdateFirmware type=%d file=%s plain=%d start=%x stop=%x",
                  this->firmware_type, this->file_name ? this->file_name : "(null)",
                  this->encrypted_file ? 0 : 1, this->start_address, this->stop_address);
    g_record->Add(line);
    return g_record->update_result;
  }
  void VerifyFirmware() override { g_record->Add("VerifyFirmware"); }
  void ResetCamera() override { g_record->Add("ResetCamera"); }
  void DumpFlash() override { g_record->Add(std::string("DumpFlash ") + this->file_name); }
  void ExtractData() override { g_record->Add("ExtractData"); }
  void InsertData() override {
    g_record->Add(std::string("InsertData patch=") + this->patch_file_name +
                  " out=" + this->output_file_name);
  }
  void UpgradeFirmware() override { g_record->Add("UpgradeFirmware"); }
  void ListOfCamerasLocations() override { g_record->Add("ListOfCamerasLocations"); }
  void DiffFirmwareContent() override { g_record->Add("DiffFirmwareContent"); }
};

class FakeFapi : public Recording<FW_Updater_FAPI> {
 public:
  FakeFapi() { g_record->Add("new FAPI"); }
  ~FakeFapi() override { g_record->Add("delete FAPI"); }
  int32_t GetNumberOfCameras() override { return g_record->cameras; }
  std::string State() const override {
    char text[600];
    std::snprintf(text, sizeof text,
                  "key=%x progress=%d sne=%d:%s new=%s cur=%s model=%s eeprom=%s skip=%d "
                  "assoc=%d blinks=%d",
                  GetAccessKey(), progress_callback != nullptr, IsModelSneForced(),
                  GetForcedModelSne().c_str(), GetNewFirmwareVersion().c_str(),
                  GetCurrentFirmwareVersionText().c_str(), GetCameraModelName().c_str(),
                  GetEepromVersion().c_str(), IsSkipEepromUpgrade(),
                  IsEepromVersionFromCpuVersion(), GetLedBlinks());
    return text;
  }
};

class FakeUsb30 : public Recording<FW_Updater_USB30> {
 public:
  FakeUsb30() { g_record->Add("new USB30"); }
  ~FakeUsb30() override { g_record->Add("delete USB30"); }
  int32_t GetCameraOnBusCount() override {
    g_record->Add("GetCameraOnBusCount driver " + std::to_string(GetUsb3Driver()));
    return g_record->cameras;
  }
  std::string State() const override {
    char text[200];
    std::snprintf(text, sizeof text, "driver=%d bulk=%d kind=%d ccd=%d progress=%d",
                  GetUsb3Driver(), GetBulkRequests(), GetUsb3CameraKind(), IsCcdMode(),
                  progress_callback != nullptr);
    return text;
  }
};

inline const UpdaterFactory kFakeFactory{
    []() -> std::unique_ptr<FW_Updater_USB30> { return std::make_unique<FakeUsb30>(); },
    []() -> std::unique_ptr<FW_Updater_FAPI> { return std::make_unique<FakeFapi>(); }};

// A console whose standard input is a given text.
class FakeConsole : public platform::Console {
 public:
  std::string input;
  bool has_input = false;
  int handlers_added = 0;
  std::vector<std::string> trace;

  bool AddControlHandler(platform::ConsoleControlHandlerFn) override {
    ++handlers_added;
    return true;
  }
  bool SetPriorityClass(uint32_t) override { return true; }
  bool ReadLine(std::string& line, size_t max_chars) override {
    line = input.substr(0, max_chars);
    return has_input;
  }
  void DebugOutput(const char* text) override { trace.emplace_back(text); }
};

// Installs the fakes and a fresh front-end state for one test.
class Scope {
 public:
  Scope() {
    g_record = &record;
    g_front_end = FrontEndState{};
    previous_factory_ = SetUpdaterFactory(&kFakeFactory);
    previous_console_ = platform::SetConsole(&console);
  }
  ~Scope() {
    SetUpdaterFactory(previous_factory_);
    platform::SetConsole(previous_console_);
    g_record = nullptr;
  }
  Record record;
  FakeConsole console;

 private:
  const UpdaterFactory* previous_factory_;
  platform::Console* previous_console_;
};

}  // namespace fakes
