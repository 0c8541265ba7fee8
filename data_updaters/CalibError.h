#pragma once
// Errors of the calibration data converter. Every text is also handed to the
// debugger output channel before it is thrown, so a trace shows what failed even
// when a caller catches and rewords the error.

#include <string>

#include "platform/compiler.h"

// "operation - message", then " (detail)" when the detail is not empty.
std::string FormatCDSError(const char* operation, const char* message,
                           const std::string& detail = std::string());

[[noreturn]] void ThrowCDSError(const char* operation, const char* message,
                                const std::string& detail = std::string());

// Formats and reports the same text without throwing.
void ReportCDSError(const char* operation, const char* message,
                    const std::string& detail = std::string());

// Throws a fixed text as it stands (precondition and definition errors).
[[noreturn]] void ThrowCDSText(const std::string& text);

// printf-style formatting into a string, for details and dumped lines.
std::string StringPrintf(const char* format, ...) QZ_PRINTF_FORMAT(1, 2);
