#pragma once
// Diagnostic trace of the back-ends: formatted into a 1024-byte buffer and handed
// to the platform's debugger output channel; never printed on the console.

#include "platform/compiler.h"

void TracePrint(const char* format, ...) QZ_PRINTF_FORMAT(1, 2);

// A trace line of the given level (1 to 4): written when the process-wide trace
// level is at most `level`.
void TracePrint(int level, const char* format, ...) QZ_PRINTF_FORMAT(2, 3);

// The process-wide trace level; 0 (the default) writes every level.
void SetTraceLevel(int level);
int GetTraceLevel();
