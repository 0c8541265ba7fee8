// The camera wrapper over the virtual API cameras of an in-process bench.
#include "api/qzAPIplus_Camera.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ApiBench.h"
#include "api/FW_Updater_FAPI.h"
#include "platform/clock.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Runs `call` and returns the code and description it raised ("" when none).
std::string Raised(const std::function<void()>& call) {
  try {
    call();
  } catch (const qzAPIplus_Exception& e) {
    return std::to_string(e.GetCode()) + ":" + e.GetDescription();
  }
  return "";
}

class CameraTest : public testing::Test {
 protected:
  void Write(qzAPIplus_Camera& camera, const char* name, const Bytes& data, uint32_t offset = 0) {
    camera.SetFFSFileName(name);
    camera.SetFFSFileOffset(offset);
    camera.SetQZAPIParamStr("write_file_ffs", data.data(), static_cast<uint32_t>(data.size()));
  }
  Bytes Read(qzAPIplus_Camera& camera, const char* name, uint32_t size, uint32_t offset = 0) {
    Bytes data(size);
    camera.SetFFSFileName(name);
    camera.SetFFSFileOffset(offset);
    camera.GetReadFileFFS(data.data(), size);
    return data;
  }

  testsupport::ApiBench bench_;
};

TEST_F(CameraTest, ClosedCameraRefusesHandleOperationsWithoutCallingTheLibrary) {
  qzAPIplus_Camera camera;
  char text[50];
  const struct {
    const char* name;
    std::function<void()> call;
  } operations[] = {
      {"IsExist", [&] { camera.IsExist(); }},
      {"GetCameraName", [&] { camera.GetCameraName(text, sizeof text); }},
      {"GetModelId", [&] { camera.GetModelId(); }},
      {"SetDeviceReset", [&] { camera.SetDeviceReset(1); }},
      {"GetVersionFPGA1", [&] { camera.GetVersionFPGA1(text, sizeof text); }},
      {"SetLEDMode", [&] { camera.SetLEDMode(7); }},
      {"GetDeviceUnitRegister", [&] { camera.GetDeviceUnitRegister(); }},
      {"SetFFSAccessKey", [&] { camera.SetFFSAccessKey(1); }},
      {"GetQZAPIParamStr - device_sn", [&] { camera.GetQZAPIParamStr("device_sn", text, 50); }},
      {"SetQZAPIParamStr - write_file_ffs",
       [&] { camera.SetQZAPIParamStr("write_file_ffs", text, 1); }},
  };
  for (const auto& op : operations) {
    const uint64_t calls = sim::api::LibraryCallCount();
    EXPECT_EQ(Raised(op.call), std::string("1:Invalid handle (qzAPIplus_Camera::") + op.name + ")");
    EXPECT_EQ(sim::api::LibraryCallCount(), calls) << op.name;
  }
}

TEST_F(CameraTest, OpensBySelectorAndReadsIdentity) {
  bench_.AddCamera("TR083KT-Q4-RSE");
  const int id = bench_.AddCamera();
  bench_.Set(id, "/model_id", 77);
  const std::vector<std::function<void(qzAPIplus_Camera&)>> opens = {
      [](qzAPIplus_Camera& c) { c.OpenByID(1); },
      [](qzAPIplus_Camera& c) { c.OpenByPath("SIM#QZAPI#1"); },
      [](qzAPIplus_Camera& c) { c.OpenBySN("QZSIM1234001"); },
      [](qzAPIplus_Camera& c) { c.OpenByLocation("PCIROOT(0)#PCI(200)"); },
  };
  for (const auto& open : opens) {
    qzAPIplus_Camera camera;
    open(camera);
    ASSERT_TRUE(camera.IsOpen());
    EXPECT_TRUE(camera.IsExist());
    char name[100], serial[30], device_id[100];
    camera.GetCameraName(name, sizeof name);
    camera.GetSerialNumber(serial, sizeof serial);
    camera.GetDeviceId(device_id, sizeof device_id);
    EXPECT_EQ(std::string(name), "TV450KT-LN-W");
    EXPECT_EQ(std::string(serial), "QZSIM1234001");
    EXPECT_EQ(std::string(device_id), "QZA-1");
    EXPECT_EQ(camera.GetModelId(), 77);
  }
  EXPECT_EQ(qzAPIplus_Camera::GetNumberOfConnectedCameras(), 2);
}

TEST_F(CameraTest, FailuresNameTheOperation) {
  bench_.AddCamera();
  qzAPIplus_Camera camera;
  char small[5];
  EXPECT_EQ(Raised([&] { camera.OpenByID(1); }),
            "56:No Devices Found (qzAPIplus_Camera::OpenByID)");
  EXPECT_EQ(Raised([&] { camera.OpenBySN("nobody"); }),
            "56:No Devices Found (qzAPIplus_Camera::OpenBySN)");
  camera.OpenByID(0);
  EXPECT_EQ(Raised([&] { camera.GetCameraName(small, sizeof small); }),
            "105:Input buffer is too small (qzAPIplus_Camera::GetCameraName)");
  EXPECT_EQ(Raised([&] { camera.GetQZAPIParamStr("no_such_key", small, sizeof small); }),
            "100:Unknown parameter (qzAPIplus_Camera::GetQZAPIParamStr - no_such_key)");
  EXPECT_EQ(Raised([&] { camera.SetQZAPIParamStr("device_model_id", small, 1); }),
            "103:Wrong parameter type (qzAPIplus_Camera::SetQZAPIParamStr - device_model_id)");
  camera.SetFFSFileName("NoSuchFile");
  EXPECT_EQ(Raised([&] { camera.GetFFSFileSize(); }),
            "113:FFS file not found (qzAPIplus_Camera::GetFFSFileSize)");
  EXPECT_EQ(Raised([&] { camera.SetFFSFileName("../escape"); }),
            "112:FFS file selector is invalid or NULL (qzAPIplus_Camera::SetFFSFileName)");
  EXPECT_EQ(Raised([&] { camera.SetLEDSelector(4); }),
            "114:Parameter value cannot be set (might be out of range or invalid). "
            "(qzAPIplus_Camera::SetLEDSelector)");
}

TEST_F(CameraTest, IsExistSwallowsAFailingStatus) {
  const int id = bench_.AddCamera();
  qzAPIplus_Camera camera;
  camera.OpenByID(0);
  bench_.Set(id, "/faults/key_status/isexist", 2);
  EXPECT_FALSE(camera.IsExist());
  bench_.Set(id, "/faults/key_status/isexist", 0);
  EXPECT_TRUE(camera.IsExist());
}

TEST_F(CameraTest, InjectedKeyStatusAnswersThatKey) {
  const int id = bench_.AddCamera();
  bench_.Set(id, "/faults/key_status/version_mcu1", 7);
  qzAPIplus_Camera camera;
  camera.OpenByID(0);
  char text[20];
  EXPECT_EQ(Raised([&] { camera.GetVersionMCU1(text, sizeof text); }),
            "7:Read block error (qzAPIplus_Camera::GetVersionMCU1)");
  camera.GetVersionMCU2(text, sizeof text);
  EXPECT_EQ(std::string(text), "01.00");
}

TEST_F(CameraTest, FlashFilesAreReplacedAtOffsetZeroAndPatchedFurtherOn) {
  const int id = bench_.AddCamera();
  qzAPIplus_Camera camera;
  camera.OpenByID(0);
  Write(camera, "UserSet1", Bytes(10, 0x11));
  Write(camera, "UserSet1", {0x22, 0x22}, 4);
  EXPECT_EQ(bench_.ReadFfs(id, "UserSet1"),
            (Bytes{0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x11, 0x11, 0x11, 0x11}));
  // Past the end: the gap reads as erased flash, and so does what lies beyond.
  Write(camera, "UserSet1", {0x33}, 12);
  EXPECT_EQ(camera.GetFFSFileSize(), 13);
  EXPECT_EQ(Read(camera, "UserSet1", 8, 8),
            (Bytes{0x11, 0x11, 0xFF, 0xFF, 0x33, 0xFF, 0xFF, 0xFF}));
  Write(camera, "UserSet1", {0x44, 0x44, 0x44});
  EXPECT_EQ(bench_.ReadFfs(id, "UserSet1"), (Bytes{0x44, 0x44, 0x44}));
  Write(camera, "UserSet1", {});
  EXPECT_EQ(camera.GetFFSFileSize(), 0);
}

TEST_F(CameraTest, EepromFileTakesWritesOnlyUnderItsKey) {
  const int id = bench_.AddCamera();
  bench_.WriteFfs(id, "File_EEPROM1", Bytes(16, 0x5A));
  qzAPIplus_Camera camera;
  camera.OpenByID(0);
  const uint32_t default_key = 0x6B2E0D47;
  for (uint32_t key : {0u, default_key, kEepromAccessKey ^ 1}) {
    camera.SetFFSAccessKey(key);
    EXPECT_EQ(Raised([&] { Write(camera, "File_EEPROM1", Bytes(16, 0)); }),
              "52:Application does not have enough privileges (one or more app) "
              "(qzAPIplus_Camera::SetQZAPIParamStr - write_file_ffs)")
        << key;
  }
  EXPECT_EQ(bench_.ReadFfs(id, "File_EEPROM1"), Bytes(16, 0x5A));
  // Reading needs no key; writing under the EEPROM key goes through.
  camera.SetFFSAccessKey(default_key);
  EXPECT_EQ(Read(camera, "File_EEPROM1", 16), Bytes(16, 0x5A));
  camera.SetFFSAccessKey(kEepromAccessKey);
  Write(camera, "File_EEPROM1", Bytes(16, 0x01));
  EXPECT_EQ(bench_.ReadFfs(id, "File_EEPROM1"), Bytes(16, 0x01));
}

std::vector<int> g_progress;
void RecordProgress(int percent) {
  g_progress.push_back(percent);
}

TEST_F(CameraTest, ProgressRisesDuringTransfersUntilUnregistered) {
  bench_.AddCamera();
  qzAPIplus_Camera camera;
  camera.OpenByID(0);
  camera.SetQZAPIParamStr("api_progress_callback", reinterpret_cast<const void*>(&RecordProgress),
                          0);
  for (bool write : {true, false}) {
    g_progress.clear();
    if (write)
      Write(camera, "File_FW_CPU1", Bytes(40000, 0xAB));
    else
      Read(camera, "File_FW_CPU1", 40000);
    ASSERT_GE(g_progress.size(), 5u) << write;
    for (size_t i = 1; i < g_progress.size(); ++i) EXPECT_GT(g_progress[i], g_progress[i - 1]);
    EXPECT_EQ(g_progress.back(), 100);
  }
  camera.SetQZAPIParamStr("api_progress_callback", nullptr, 0);
  g_progress.clear();
  Write(camera, "File_FW_CPU1", Bytes(40000, 0xAB));
  EXPECT_TRUE(g_progress.empty());
}

TEST_F(CameraTest, PowerCutStoresHalfTheChosenWrite) {
  const int id = bench_.AddCamera();
  bench_.Set(id, "/faults/cut_write", 2);
  qzAPIplus_Camera camera;
  camera.OpenByID(0);
  Write(camera, "File_FW_FPGA1", Bytes(1000, 0x01));
  EXPECT_EQ(Raised([&] { Write(camera, "File_FW_FPGA1", Bytes(1000, 0x02)); }),
            "8:Write block error (qzAPIplus_Camera::SetQZAPIParamStr - write_file_ffs)");
  EXPECT_EQ(bench_.ReadFfs(id, "File_FW_FPGA1"), Bytes(500, 0x02));
  Write(camera, "File_FW_FPGA1", Bytes(1000, 0x03));
  EXPECT_EQ(bench_.ReadFfs(id, "File_FW_FPGA1"), Bytes(1000, 0x03));
  EXPECT_EQ(bench_.Settings(id)["faults"]["cut_write"], 0);
}

TEST_F(CameraTest, FailingOpensAreCountedDown) {
  const int id = bench_.AddCamera();
  bench_.Set(id, "/faults/fail_opens", 2);
  qzAPIplus_Camera camera;
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(Raised([&] { camera.OpenByPath("SIM#QZAPI#0"); }),
              "49:Device not ready to operate (qzAPIplus_Camera::OpenByPath)");
  EXPECT_FALSE(camera.IsOpen());
  camera.OpenByPath("SIM#QZAPI#0");
  EXPECT_TRUE(camera.IsOpen());
}

TEST_F(CameraTest, ResetConfirmsTheFirmwareOfTheBootCpu) {
  for (const char* model : {"TV450KT-LN-W", "TR083KT-Q4-RSE"}) {
    const int id = bench_.AddCamera(model);
    const std::string boot_file = model[1] == 'R' ? "File_FW_CPU2" : "File_FW_CPU1";
    const std::string other_file = model[1] == 'R' ? "File_FW_CPU1" : "File_FW_CPU2";
    bench_.WriteFfs(id, boot_file, Bytes(64, 0xFF));
    bench_.WriteFfs(id, other_file, Bytes(64, 0xFF));
    qzAPIplus_Camera camera;
    camera.OpenByID(static_cast<uint32_t>(id));
    camera.SetDeviceReset(1);
    EXPECT_EQ(bench_.ReadFfs(id, boot_file)[0x22], 0xA5) << model;
    EXPECT_EQ(bench_.ReadFfs(id, other_file)[0x22], 0xFF) << model;
    EXPECT_TRUE(camera.IsExist()) << model;  // no absence configured
  }
}

TEST_F(CameraTest, CameraIsAbsentForAWhileAfterAReset) {
  const int id = bench_.AddCamera();
  bench_.Set(id, "/faults/absent_after_reset_ms", 5000);
  qzAPIplus_Camera camera;
  camera.OpenByID(0);
  camera.SetDeviceReset(1);
  EXPECT_FALSE(camera.IsExist());
  char name[50];
  EXPECT_EQ(Raised([&] { camera.GetCameraName(name, sizeof name); }),
            "49:Device not ready to operate (qzAPIplus_Camera::GetCameraName)");
  EXPECT_EQ(qzAPIplus_Camera::GetNumberOfConnectedCameras(), 0);
  qzAPIplus_Camera other;
  EXPECT_EQ(Raised([&] { other.OpenByID(0); }), "56:No Devices Found (qzAPIplus_Camera::OpenByID)");

  platform::SleepMs(4000);
  EXPECT_EQ(qzAPIplus_Camera::GetNumberOfConnectedCameras(), 0);
  platform::SleepMs(1000);
  EXPECT_EQ(qzAPIplus_Camera::GetNumberOfConnectedCameras(), 1);
  other.OpenByID(0);
  EXPECT_TRUE(other.IsExist());
  // The handle from before the restart stays lost.
  EXPECT_FALSE(camera.IsExist());
}

TEST_F(CameraTest, AbsenceOutlastsTheRunThatResetTheCamera) {
  const int id = bench_.AddCamera();
  bench_.Set(id, "/faults/absent_after_reset_ms", 600000);
  {
    qzAPIplus_Camera camera;
    camera.OpenByID(0);
    camera.SetDeviceReset(1);
    platform::SleepMs(1000);
    EXPECT_FALSE(camera.IsExist());
  }
  sim::api::ResetLibraryState();  // the next run
  EXPECT_EQ(qzAPIplus_Camera::GetNumberOfConnectedCameras(), 0);
  platform::SleepMs(598000);
  EXPECT_EQ(qzAPIplus_Camera::GetNumberOfConnectedCameras(), 0);
  platform::SleepMs(1000);
  EXPECT_EQ(qzAPIplus_Camera::GetNumberOfConnectedCameras(), 1);
}

TEST_F(CameraTest, GlobalSettingsTakeANullHandle) {
  const int id = bench_.AddCamera();
  bench_.Set(id, "/golden", true);
  EXPECT_EQ(qzAPIplus_Camera::GetNumberOfConnectedCameras(), 0);
  qzAPIplus_Camera::EnableCamEnumGoldenEnabled();
  EXPECT_EQ(qzAPIplus_Camera::GetNumberOfConnectedCameras(), 1);

  qzAPIplus_Camera camera;
  EXPECT_FALSE(camera.IsCameraSensorInitDisabled());
  camera.EnableCameraSensorInitDisabled();  // closed: the library's setting
  camera.DisableAutoBandwidthCalculation();
  camera.OpenByID(0);
  EXPECT_TRUE(camera.IsCameraSensorInitDisabled());
  camera.Close();
  camera.DisableCameraSensorInitDisabled();
  EXPECT_FALSE(camera.IsCameraSensorInitDisabled());
  EXPECT_EQ(Raised([&] { camera.SetFFSFileName("File_FW_CPU1"); }),
            "1:Invalid handle (qzAPIplus_Camera::SetFFSFileName)");
}

TEST_F(CameraTest, VersionsUnitsAndLeds) {
  const int id = bench_.AddCamera();
  bench_.Set(id, "/version_units/2", "02.10");
  bench_.Set(id, "/versions/xmlman", "03.04");
  bench_.Set(id, "/units/6/0", 0x30101);
  qzAPIplus_Camera camera;
  camera.OpenByID(0);
  char text[20];
  camera.SetVersionSelector(2);
  camera.GetVersion(text, sizeof text);
  EXPECT_EQ(std::string(text), "02.10");
  camera.GetVersionXMLMAN(text, sizeof text);
  EXPECT_EQ(std::string(text), "03.04");
  EXPECT_EQ(Raised([&] { camera.SetVersionSelector(9); }),
            "101:Wrong parameter value (qzAPIplus_Camera::SetVersionSelector)");

  camera.SetDeviceUnitSelector(6);
  camera.SetDeviceUnitRegisterSelector(0);
  EXPECT_EQ(camera.GetDeviceUnitRegister(), 0x30101);
  camera.SetDeviceUnitRegisterSelector(1);
  EXPECT_EQ(camera.GetDeviceUnitRegister(), 0);
  EXPECT_EQ(Raised([&] { camera.SetDeviceUnitSelector(3); }),
            "101:Wrong parameter value (qzAPIplus_Camera::SetDeviceUnitSelector)");

  EXPECT_EQ(camera.GetLEDSelector_Minimum(), 0);
  EXPECT_EQ(camera.GetLEDSelector_Maximum(), 4);
  camera.SetLEDSelector(3);
  camera.SetLEDMode(8);
  EXPECT_EQ(bench_.Settings(id)["state"]["led_modes"]["3"], 8);
}

TEST_F(CameraTest, ForcedSerialNumberServesTheNextOpenOnly) {
  const int id = bench_.AddCamera();
  bench_.Set(id, "/sne_models/ABCDE", "TV620YV-LN-HC-PW-ZMB");
  EXPECT_EQ(qzSetDeviceInfoString(0, "device_sn", "abc", 3), 101);
  EXPECT_EQ(qzSetDeviceInfoString(1, "device_sn", "ABCDE1234FGH", 12), 56);
  ASSERT_EQ(qzSetDeviceInfoString(0, "device_sn", "ABCDE1234FGH", 12), 0);
  char serial[30], name[50];
  {
    qzAPIplus_Camera camera;
    camera.OpenByID(0);
    camera.GetQZAPIParamStr("device_sn", serial, sizeof serial);
    camera.GetCameraName(name, sizeof name);
    EXPECT_EQ(std::string(serial), "ABCDE1234FGH");
    EXPECT_EQ(std::string(name), "TV620YV-LN-HC-PW-ZMB");
  }
  qzAPIplus_Camera camera;
  camera.OpenByID(0);
  camera.GetSerialNumber(serial, sizeof serial);
  EXPECT_EQ(std::string(serial), "QZSIM1234000");
}

TEST_F(CameraTest, DeviceInfoOfACameraNotOpen) {
  bench_.AddCamera();
  char text[300];
  ASSERT_EQ(qzGetDeviceInfoString(0, "device_loc_path", text, sizeof text), 0);
  EXPECT_EQ(std::string(text), "PCIROOT(0)#PCI(100)");
  EXPECT_EQ(qzGetDeviceInfoString(0, "device_loc_path", text, 5), 105);
  EXPECT_EQ(qzGetDeviceInfoString(1, "device_loc_path", text, sizeof text), 56);
  EXPECT_EQ(qzGetDeviceInfoString(0, "bogus", text, sizeof text), 100);
}

TEST_F(CameraTest, UnknownAndClosedHandlesAreRefused) {
  bench_.AddCamera();
  int value = 0;
  int fake = 0;
  EXPECT_EQ(qzGetParamInt(&fake, "isexist", &value), 1);
  EXPECT_EQ(qzCloseDevice(&fake), 1);
  qzHANDLE handle = nullptr;
  ASSERT_EQ(qzOpenDevice(0, &handle), 0);
  ASSERT_EQ(qzCloseDevice(handle), 0);
  EXPECT_EQ(qzGetParamInt(handle, "isexist", &value), 1);
  EXPECT_EQ(qzGetParamInt(nullptr, "isexist", &value), 1);
  EXPECT_EQ(qzGetParamInt(nullptr, "no_such_key", &value), 100);
}

}  // namespace
