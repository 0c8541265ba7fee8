// Camera API home of the Windows build: the functions of qzapi.h forwarded to
// the maker's qzapi64.dll, loaded on first use. Without the library every call
// answers "Couldn't load library" instead of crashing.

#include <windows.h>

#include <mutex>

#include "firmware/update/fw_update_lib/api/qzapi.h"

namespace {

// The camera API's status for a library that cannot be loaded.
constexpr int kCouldNotLoadLibrary = 1020;
constexpr int kCouldNotLoadFunction = 1021;

HMODULE Library() {
  static std::once_flag once;
  static HMODULE module = nullptr;
  std::call_once(once, [] { module = LoadLibraryA("qzapi64.dll"); });
  return module;
}

template <typename Fn>
Fn Resolve(const char* name) {
  HMODULE module = Library();
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int Missing() {
  return Library() == nullptr ? kCouldNotLoadLibrary : kCouldNotLoadFunction;
}

}  // namespace

#define QZ_FORWARD(name, params, args)                           \
  int name params {                                              \
    static const auto fn = Resolve<int(__cdecl*) params>(#name); \
    return fn != nullptr ? fn args : Missing();                  \
  }

extern "C" {
QZ_FORWARD(qzGetNumberDevices, (uint32_t * count), (count))
QZ_FORWARD(qzGetDeviceInfoString, (uint32_t index, const char* key, char* buffer, uint32_t size),
           (index, key, buffer, size))
QZ_FORWARD(qzSetDeviceInfoString,
           (uint32_t index, const char* key, const char* text, uint32_t length),
           (index, key, text, length))
QZ_FORWARD(qzOpenDevice, (uint32_t index, qzHANDLE* handle), (index, handle))
QZ_FORWARD(qzOpenDeviceBy, (uint32_t selector, const char* text, qzHANDLE* handle),
           (selector, text, handle))
QZ_FORWARD(qzCloseDevice, (qzHANDLE handle), (handle))
QZ_FORWARD(qzGetParamInt, (qzHANDLE handle, const char* key, int* value), (handle, key, value))
QZ_FORWARD(qzSetParamInt, (qzHANDLE handle, const char* key, int value), (handle, key, value))
QZ_FORWARD(qzGetParamString, (qzHANDLE handle, const char* key, void* buffer, uint32_t size),
           (handle, key, buffer, size))
QZ_FORWARD(qzSetParamString, (qzHANDLE handle, const char* key, const void* data, uint32_t size),
           (handle, key, data, size))
}
