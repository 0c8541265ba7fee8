#ifndef QZAPI_H
#define QZAPI_H
/* The maker's camera API, as the updater uses it. Every function returns a
 * status: 0 is success, any other value an error code. The Windows build loads
 * these from qzapi64.dll; the Linux build links the simulator's implementation
 * over the virtual cameras of a bench. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* An open camera; NULL addresses the library's global settings. */
typedef void* qzHANDLE;

/* Selectors of qzOpenDeviceBy. */
enum qzOpenBy {
  QZ_OPEN_BY_INST_PATH = 0,
  QZ_OPEN_BY_SN = 1,
  QZ_OPEN_BY_LOC_PATH = 3,
};

/* Progress function registered under "api_progress_callback": percent done. */
typedef void (*qzProgressFn)(int percent);

/* Number of API cameras present. */
int qzGetNumberDevices(uint32_t* count);

/* Text property `key` of device `index` (not open) into buffer of `size` bytes. */
int qzGetDeviceInfoString(uint32_t index, const char* key, char* buffer, uint32_t size);

/* Replaces text property `key` of device `index` for its next open. */
int qzSetDeviceInfoString(uint32_t index, const char* key, const char* text, uint32_t length);

/* Opens device `index`; on success *handle is non-null. */
int qzOpenDevice(uint32_t index, qzHANDLE* handle);

/* Opens the device whose instance path, serial number or location path (by
 * `selector`, enum qzOpenBy) equals `text`. */
int qzOpenDeviceBy(uint32_t selector, const char* text, qzHANDLE* handle);

/* Releases an open device. */
int qzCloseDevice(qzHANDLE handle);

/* Integer parameters of a device (or the global settings with a NULL handle). */
int qzGetParamInt(qzHANDLE handle, const char* key, int* value);
int qzSetParamInt(qzHANDLE handle, const char* key, int value);

/* Text and data parameters: get fills at most `size` bytes of `buffer`; set
 * hands over `size` bytes of `data`. */
int qzGetParamString(qzHANDLE handle, const char* key, void* buffer, uint32_t size);
int qzSetParamString(qzHANDLE handle, const char* key, const void* data, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif /* QZAPI_H */
