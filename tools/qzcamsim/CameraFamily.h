#pragma once
// What each kind of virtual camera contributes to the bench tool: its add verb,
// its lines of `list`, `show` and `set`, further verbs of its own, and its help.

#include <filesystem>
#include <string>
#include <vector>

namespace qzcamsim {

using Args = std::vector<std::string>;

// A verb of the tool; returns the process exit code. Errors may also be thrown
// as std::exception, which the tool prints as "qzcamsim: <what>".
struct Verb {
  const char* name;
  int (*run)(const std::filesystem::path& bench, const Args& args);
};

struct CameraFamily {
  const char* kind;  // folder name on the bench and word of show/set: "usb3" or "api"
  Verb add;          // "add-usb3" / "add-api": creates a camera, prints its id
  // One line per camera: kind, id, serial, model, path.
  void (*list)(const std::filesystem::path& bench);
  int (*show)(const std::filesystem::path& bench, int id);
  int (*set)(const std::filesystem::path& bench, int id, const Args& settings);
  std::vector<Verb> verbs;  // further verbs
  const char* help;         // lines for `qzcamsim help`
};

const CameraFamily& Usb3Family();
const CameraFamily& ApiFamily();

// Further verbs that belong to no camera kind (for example `encrypt`).
const std::vector<Verb>& ToolVerbs();
const char* ToolVerbsHelp();

}  // namespace qzcamsim
