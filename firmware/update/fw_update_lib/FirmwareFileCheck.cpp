// The firmware file pre-check of prog and verify.
#include "FW_Updater.h"
#include "platform/text_exception.h"

// Firmware files cannot be loaded until the file loader exists; refuse rather
// than report an unchecked file as good.
bool FW_Updater::CheckFileChecksum() {
  throw TextException("Error checksum file");
}
