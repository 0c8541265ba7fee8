// qzcamsim: creates and changes benches of virtual cameras for the updater's
// simulated platform. The bench is --bench DIR or QZCAM_BENCH.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "CameraFamily.h"

namespace fs = std::filesystem;
using namespace qzcamsim;

namespace {

const CameraFamily* Families[] = {&Usb3Family(), &ApiFamily()};

void PrintHelp() {
  std::printf(
      "usage: qzcamsim [--bench DIR] VERB ...\n"
      "The bench is DIR, or the directory named by QZCAM_BENCH.\n\n"
      "  list                      one line per camera: kind, id, serial, model, path\n"
      "  show usb3|api ID          the camera's settings (JSON)\n"
      "  set usb3|api ID KEY=VALUE...  change settings and faults\n"
      "  help                      this text\n\n");
  for (const CameraFamily* family : Families) std::printf("%s\n", family->help);
  std::printf("%s", ToolVerbsHelp());
}

int ParseId(const std::string& text) {
  size_t used = 0;
  int id = -1;
  try {
    id = std::stoi(text, &used);
  } catch (const std::exception&) {
  }
  if (used != text.size() || id < 0) throw std::runtime_error("bad camera id: " + text);
  return id;
}

const CameraFamily& FamilyOf(const std::string& kind) {
  for (const CameraFamily* family : Families)
    if (kind == family->kind) return *family;
  throw std::runtime_error("unknown camera kind: " + kind + " (usb3 or api)");
}

int Run(const fs::path& bench, const std::string& verb, const Args& args) {
  if (verb == "help") {
    PrintHelp();
    return 0;
  }
  for (const Verb& v : ToolVerbs())
    if (verb == v.name) return v.run(bench, args);
  if (bench.empty()) throw std::runtime_error("no bench: give --bench DIR or set QZCAM_BENCH");
  if (verb == "list") {
    for (const CameraFamily* family : Families) family->list(bench);
    return 0;
  }
  if (verb == "show" || verb == "set") {
    if (args.size() < 2) throw std::runtime_error(verb + " needs KIND and ID");
    const CameraFamily& family = FamilyOf(args[0]);
    const int id = ParseId(args[1]);
    if (verb == "show") return family.show(bench, id);
    return family.set(bench, id, Args(args.begin() + 2, args.end()));
  }
  for (const CameraFamily* family : Families) {
    if (verb == family->add.name) return family->add.run(bench, args);
    for (const Verb& v : family->verbs)
      if (verb == v.name) return v.run(bench, args);
  }
  throw std::runtime_error("unknown verb: " + verb + " (see qzcamsim help)");
}

}  // namespace

int main(int argc, char** argv) {
  fs::path bench;
  if (const char* env = std::getenv("QZCAM_BENCH")) bench = env;
  int i = 1;
  if (i + 1 < argc && std::string(argv[i]) == "--bench") {
    bench = argv[i + 1];
    i += 2;
  }
  if (i >= argc) {
    PrintHelp();
    return 2;
  }
  const std::string verb = argv[i++];
  const Args args(argv + i, argv + argc);
  try {
    if (!bench.empty() && verb.rfind("add-", 0) == 0) fs::create_directories(bench);
    return Run(bench, verb, args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qzcamsim: %s\n", e.what());
    return 1;
  }
}
