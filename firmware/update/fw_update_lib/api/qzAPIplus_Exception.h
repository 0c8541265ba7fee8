#pragma once
// The camera wrapper's error: the camera API status and a description naming
// the wrapper operation that failed.

#include <cstddef>
#include <cstdint>

class qzAPIplus_Exception {
 public:
  // Builds the description from the status table and the operation name.
  qzAPIplus_Exception(int32_t code, const char* operation);

  int32_t GetCode() const { return code_; }
  const char* GetDescription() const { return description_; }

  // Copies the description into buffer; a buffer of 7 bytes or less gets nothing.
  void GetDescription(char* buffer, size_t size) const;

  // Prints "qzAPIplus-Error %d:%s\n" with the code and the description.
  void Print() const;

 private:
  int32_t code_;
  char description_[200];
};
