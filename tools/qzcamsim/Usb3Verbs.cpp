// USB3 cameras on the bench.
#include <stdexcept>

#include "CameraFamily.h"

namespace qzcamsim {
namespace {

int Add(const std::filesystem::path&, const Args&) {
  throw std::runtime_error("virtual USB3 cameras are not available in this build yet");
}
void List(const std::filesystem::path&) {}
int Show(const std::filesystem::path&, int) {
  return Add({}, {});
}
int Set(const std::filesystem::path&, int, const Args&) {
  return Add({}, {});
}

}  // namespace

const CameraFamily& Usb3Family() {
  static const CameraFamily family{"usb3",
                                   {"add-usb3", Add},
                                   List,
                                   Show,
                                   Set,
                                   {},
                                   "  add-usb3 ...              (not available yet)"};
  return family;
}

}  // namespace qzcamsim
