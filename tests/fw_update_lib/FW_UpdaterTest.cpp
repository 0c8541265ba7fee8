#include "FW_Updater.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/text_exception.h"

namespace {

TEST(FW_Updater, FreshUpdaterHasNoSelectionAndExpectsEncryptedFile) {
  FW_Updater updater;
  EXPECT_EQ(updater.GetCameraId(), -1);
  EXPECT_TRUE(updater.IsEncryptedFile());
  EXPECT_FALSE(updater.IsHexFileFormat());
  EXPECT_EQ(updater.GetFileName(), nullptr);
  EXPECT_EQ(updater.GetCameraSn(), "");
  EXPECT_EQ(updater.GetCameraPath(), "");
  EXPECT_EQ(updater.GetCameraLocation(), "");
  EXPECT_EQ(updater.GetAccessKey(), 0u);
  EXPECT_EQ(updater.GetFirmwareType(), 0);
}

struct Slot {
  const char* message;
  std::function<void(FW_Updater&)> call;
};

TEST(FW_Updater, EveryDefaultOperationRefusesNamingItself) {
  char buffer[100];
  uint8_t flag = 0;
  const Slot slots[] = {
      {"Function SelectCameraOnBus is not implemented for this camera.",
       [](FW_Updater& u) { u.SelectCameraOnBus(0); }},
      {"Function SelectCameraByPath is not implemented for this camera.",
       [](FW_Updater& u) { u.SelectCameraByPath("p"); }},
      {"Function SelectCameraBySN is not implemented for this camera.",
       [](FW_Updater& u) { u.SelectCameraBySN("s"); }},
      {"Function SelectCameraByLocation is not implemented for this camera.",
       [](FW_Updater& u) { u.SelectCameraByLocation("l"); }},
      {"Function ListOfCamerasLocations is not implemented. Try --qzapi",
       [](FW_Updater& u) { u.ListOfCamerasLocations(); }},
      {"Function DiffFirmwareContent is not implemented. Try --qzapi",
       [](FW_Updater& u) { u.DiffFirmwareContent(); }},
      {"Function GetU3VFlag is not implemented for this camera.",
       [&](FW_Updater& u) { u.GetU3VFlag(flag); }},
      {"Function GetCurrentFirmwareVersion is not implemented for this camera.",
       [&](FW_Updater& u) { u.GetCurrentFirmwareVersion(buffer, 100); }},
      {"Function UpdateFirmware is not implemented for this camera.",
       [](FW_Updater& u) { u.UpdateFirmware(); }},
      {"Function VerifyFirmware is not implemented for this camera.",
       [](FW_Updater& u) { u.VerifyFirmware(); }},
      {"Function EmergencyBoot is not implemented for this camera.",
       [](FW_Updater& u) { u.EmergencyBoot(); }},
      {"Function ResetCamera is not implemented for this camera.",
       [](FW_Updater& u) { u.ResetCamera(); }},
      {"Function DumpFlash is not implemented for this camera.",
       [](FW_Updater& u) { u.DumpFlash(); }},
      {"Function ExtractData is not implemented for this camera.",
       [](FW_Updater& u) { u.ExtractData(); }},
      {"Function InsertData is not implemented for this camera.",
       [](FW_Updater& u) { u.InsertData(); }},
      {"Function IsUpdatePossible is not implemented for this camera.",
       [](FW_Updater& u) { u.IsUpdatePossible(); }},
      {"Function IsDataUpgradeNeeded is not implemented for this camera.",
       [](FW_Updater& u) { u.IsDataUpgradeNeeded(); }},
      {"Function UpgradeFirmware is not implemented for this camera.",
       [](FW_Updater& u) { u.UpgradeFirmware(); }},
      {"Function SetNewFirmwareVersion is not implemented for this camera.",
       [](FW_Updater& u) { u.SetNewFirmwareVersion("2.00"); }},
      {"Function GetCameraModel is not implemented for this camera.",
       [&](FW_Updater& u) { u.GetCameraModel(buffer, 100); }},
      {"Function SetLedBlinkCumberAfterInfo is not implemented for this camera.",
       [](FW_Updater& u) { u.SetLedBlinkCumberAfterInfo(3); }},
      {"Function SetCameraHandle is not implemented for this camera.",
       [](FW_Updater& u) { u.SetCameraHandle(nullptr); }},
      {"Function GetLatestAvailableEEPROMDataVersion is not implemented for this camera.",
       [&](FW_Updater& u) { u.GetLatestAvailableEEPROMDataVersion(buffer, 100); }},
  };
  FW_Updater updater;
  for (const Slot& slot : slots) {
    try {
      slot.call(updater);
      ADD_FAILURE() << "no refusal: " << slot.message;
    } catch (const TextException& e) {
      EXPECT_STREQ(e.what(), slot.message);
    }
  }
}

TEST(FW_Updater, TypeTableLookups) {
  const FirmwareTypeEntry& fpga2 = FW_Updater::FindFirmwareTypeByName("FPGA2");
  EXPECT_EQ(fpga2.id, 11);
  EXPECT_TRUE(fpga2.model_check);
  EXPECT_TRUE(fpga2.takes_file);

  const FirmwareTypeEntry& lower = FW_Updater::FindFirmwareTypeByName("fpga2");
  EXPECT_EQ(lower.id, 0);
  EXPECT_STREQ(lower.name, "");
  EXPECT_FALSE(lower.model_check || lower.takes_file);

  const FirmwareTypeEntry& devver = FW_Updater::FindFirmwareTypeById(302);
  EXPECT_STREQ(devver.name, "DEVVER");
  EXPECT_FALSE(devver.model_check);
  EXPECT_TRUE(devver.takes_file);

  EXPECT_STREQ(FW_Updater::GetFirmwareTypeName(52), "");
  EXPECT_STREQ(FW_Updater::GetFirmwareTypeName(1002), "FFC");
  EXPECT_STREQ(kFirmwareTypes[0].name, "CPU1");
  EXPECT_STREQ(kFirmwareTypes[1].name, "MCU1");
  EXPECT_STREQ(kFirmwareTypes[29].name, "FFC");
}

TEST(FW_Updater, ReportProgressReachesCallbackWithContext) {
  FW_Updater updater;
  updater.ReportProgress(50);  // no callback: nothing happens

  struct Sink {
    std::vector<int> seen;
  } sink;
  updater.SetProgressCallback(
      [](int32_t percent, void* context) { static_cast<Sink*>(context)->seen.push_back(percent); },
      &sink);
  updater.ReportProgress(5);
  updater.ReportProgress(100);
  EXPECT_EQ(sink.seen, (std::vector<int>{5, 100}));
}

}  // namespace
