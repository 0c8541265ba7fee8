// Camera-API cameras on the bench.
#include <stdexcept>

#include "CameraFamily.h"

namespace qzcamsim {
namespace {

int Add(const std::filesystem::path&, const Args&) {
  throw std::runtime_error("virtual API cameras are not available in this build yet");
}
void List(const std::filesystem::path&) {}
int Show(const std::filesystem::path&, int) {
  return Add({}, {});
}
int Set(const std::filesystem::path&, int, const Args&) {
  return Add({}, {});
}

}  // namespace

const CameraFamily& ApiFamily() {
  static const CameraFamily family{"api",
                                   {"add-api", Add},
                                   List,
                                   Show,
                                   Set,
                                   {},
                                   "  add-api ...               (not available yet)"};
  return family;
}

const std::vector<Verb>& ToolVerbs() {
  static const std::vector<Verb> verbs;
  return verbs;
}
const char* ToolVerbsHelp() {
  return "";
}

}  // namespace qzcamsim
