// Verbs of the bench tool that belong to no camera kind.
#include <stdexcept>

#include "CameraFamily.h"
#include "simulator/Bench.h"
#include "simulator/FirmwareCipher.h"

namespace qzcamsim {
namespace {

// Makes the enciphered firmware file with its checksum trailer that a build
// of the maker would ship; the updater deciphers it back to PLAIN.
int Encrypt(const std::filesystem::path&, const Args& args) {
  if (args.size() != 2) throw std::runtime_error("encrypt needs PLAIN OUT");
  sim::WriteBinaryFile(args[1], sim::EncipherFirmware(sim::ReadBinaryFile(args[0])));
  return 0;
}

}  // namespace

const std::vector<Verb>& ToolVerbs() {
  static const std::vector<Verb> verbs{{"encrypt", Encrypt}};
  return verbs;
}

const char* ToolVerbsHelp() {
  return "  encrypt PLAIN OUT         enciphers a firmware file and appends its checksum "
         "trailer\n";
}

}  // namespace qzcamsim
