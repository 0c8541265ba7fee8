#pragma once
// The firmware types and operation codes that travel between the front end and
// the back-ends. Which flash region or flash-file-system file a type addresses is
// each back-end's business.

#include <cstddef>
#include <cstdint>

enum FirmwareType : int32_t {
  FW_TYPE_NONE = 0,
  FW_TYPE_CPU1 = 1,
  FW_TYPE_CPU2 = 2,
  FW_TYPE_CPU3 = 3,
  FW_TYPE_CPU4 = 4,
  FW_TYPE_CPU5 = 5,
  FW_TYPE_MCU1 = 6,
  FW_TYPE_FPGA1 = 10,
  FW_TYPE_FPGA2 = 11,
  FW_TYPE_FPGA3 = 12,
  FW_TYPE_EEPROM1 = 15,
  FW_TYPE_EEPROM1_VER = 16,
  FW_TYPE_XMLMAN = 20,
  FW_TYPE_MMDESC = 30,
  FW_TYPE_FLAG_U3V = 50,
  FW_TYPE_FLAG_U2F = 51,
  FW_TYPE_FLAG_CPU2_PREPARE = 52,  // not nameable on the command line
  FW_TYPE_REST_INFO = 53,
  FW_TYPE_SID1 = 100,
  FW_TYPE_SID2 = 101,
  FW_TYPE_FACTORYSETS = 200,
  FW_TYPE_USETD = 201,
  FW_TYPE_USET1 = 202,
  FW_TYPE_USET2 = 203,
  FW_TYPE_USET3 = 204,
  FW_TYPE_USETS = 205,
  FW_TYPE_SN = 301,
  FW_TYPE_DEVVER = 302,
  FW_TYPE_PTABLE = 303,
  FW_TYPE_SSN = 304,
  FW_TYPE_RESPOINTS = 305,
  FW_TYPE_PFFS = 1001,
  FW_TYPE_FFC = 1002,
};

enum Operation : int32_t {
  OPERATION_NONE = 0,
  OPERATION_PROG = 1,
  OPERATION_VERIFY = 2,
  OPERATION_INFO = 3,
  OPERATION_RESET = 4,
  OPERATION_DUMP = 5,
  OPERATION_EXTRACT = 6,
  OPERATION_INSERT = 7,
  OPERATION_UPGRADE = 8,
  OPERATION_LISTDEVPATHS = 9,
  OPERATION_DIFF = 10,
  OPERATION_FILE_DIFF = 11,
};

struct FirmwareTypeEntry {
  char name[20];
  int32_t id;
  bool model_check;  // prog through the camera API checks the file name against the model
  bool takes_file;   // the command line reads a file name after the type
};

// The 30 named types, in table order.
extern const FirmwareTypeEntry kFirmwareTypes[30];
