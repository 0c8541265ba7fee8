#pragma once
// Compiler-specific annotations, empty where the compiler lacks them.

#if defined(__GNUC__)
#define QZ_PRINTF_FORMAT(format_index, first_arg) \
  __attribute__((format(printf, format_index, first_arg)))
#else
#define QZ_PRINTF_FORMAT(format_index, first_arg)
#endif
