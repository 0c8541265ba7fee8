#include "CalibError.h"

#include <cstdarg>
#include <cstdio>

#include "platform/console.h"
#include "platform/text_exception.h"

namespace {

void SendToDebugger(const std::string& text) {
  platform::DebugOutput((text + "\n").c_str());
}

}  // namespace

std::string FormatCDSError(const char* operation, const char* message, const std::string& detail) {
  std::string text = std::string(operation) + " - " + message;
  if (!detail.empty()) text += " (" + detail + ")";
  return text;
}

void ThrowCDSError(const char* operation, const char* message, const std::string& detail) {
  ThrowCDSText(FormatCDSError(operation, message, detail));
}

void ReportCDSError(const char* operation, const char* message, const std::string& detail) {
  SendToDebugger(FormatCDSError(operation, message, detail));
}

void ThrowCDSText(const std::string& text) {
  SendToDebugger(text);
  throw TextException(text);
}

std::string StringPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  return text;
}
