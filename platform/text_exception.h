#pragma once
// The system's own error: one class carrying a message text. The updaters, the
// converter and the front end all throw it; the entry point prints its text.

#include <stdexcept>
#include <string>

class TextException : public std::runtime_error {
 public:
  explicit TextException(const std::string& text) : std::runtime_error(text) {}
  explicit TextException(const char* text) : std::runtime_error(text) {}
};
