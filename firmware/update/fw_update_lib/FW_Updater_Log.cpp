// The camera's firmware operation log.
#include "FW_Updater.h"

// Logging reaches the camera through the camera API, which this build does not
// bind yet; until it does, the lines are dropped.
void FW_Updater::LogFirmwareOperation(int32_t, const char*) {}
void FW_Updater::LogOperationMessage(const char*, ...) {}
