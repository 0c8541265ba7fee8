// usb3_hammer COUNT REGISTER: adds 1 to an FPGA register of camera 0, COUNT
// times, each time reading and writing it inside one held device lock.
// Exits 0 when every sequence succeeded.

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "usb3/CameraFW.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: usb3_hammer COUNT REGISTER\n");
    return 2;
  }
  const int count = std::atoi(argv[1]);
  const uint32_t reg = static_cast<uint32_t>(std::atoi(argv[2]));
  try {
    CameraFW camera;
    camera.SetBulkRequests(1);
    camera.OpenCamera();
    for (int i = 0; i < count; ++i) {
      if (LockResourceAccess(camera.GetDevice()) != 0) {
        std::fprintf(stderr, "lock failed at %d\n", i);
        return 1;
      }
      uint8_t value[2] = {};
      camera.ReadDeviceInfo(reg, value, 2, CameraFW::kTargetFpga);
      const uint16_t next = static_cast<uint16_t>((value[0] | value[1] << 8) + 1);
      const uint8_t bytes[2] = {static_cast<uint8_t>(next), static_cast<uint8_t>(next >> 8)};
      camera.WriteSPI(reg, bytes, 2, CameraFW::kTargetFpga);
      UnlockResourceAccess(camera.GetDevice());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
