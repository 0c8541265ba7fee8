#pragma once
// The status codes the virtual API cameras answer, as the camera API numbers them.

namespace sim::api {

enum Status : int {
  kOk = 0,
  kInvalidHandle = 1,
  kWriteBlockError = 8,
  kInvalidArguments = 11,
  kNotSupported = 12,
  kMemoryAllocationError = 15,
  kCameraContextError = 20,
  kDeviceNotReady = 49,
  kNotEnoughPrivileges = 52,
  kNoDevicesFound = 56,
  kUnknownParameter = 100,
  kWrongParameterValue = 101,
  kWrongParameterType = 103,
  kWrongParameterSize = 104,
  kInputBufferTooSmall = 105,
  kParameterNotSupported = 106,
  kReadOnlyParameter = 109,
  kFfsSelectorInvalid = 112,
  kFfsFileNotFound = 113,
  kValueCannotBeSet = 114,
};

}  // namespace sim::api
