#pragma once
// Diagnostic trace of the back-ends: formatted into a 1024-byte buffer and handed
// to the platform's debugger output channel; never printed on the console.

#include "platform/compiler.h"

void TracePrint(const char* format, ...) QZ_PRINTF_FORMAT(1, 2);
