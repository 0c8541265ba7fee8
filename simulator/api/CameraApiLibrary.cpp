// The camera API library over the virtual API cameras of the bench named by
// QZCAM_BENCH: enumeration, open handles, and every camera function as a named
// integer or text parameter.

#include "simulator/api/CameraApiLibrary.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "firmware/update/fw_update_lib/api/qzapi.h"
#include "simulator/Bench.h"
#include "simulator/api/ApiCamera.h"
#include "simulator/api/ApiStatus.h"

namespace sim::api {
namespace {

// One open handle.
struct Session {
  int camera_id = 0;
  int epoch = 0;
  std::string forced_sne;    // given before the open, replaces the serial
  std::string forced_model;  // the model that serial names, when the camera knows it
  uint32_t access_key = 0;
  std::string ffs_file;
  uint32_t ffs_offset = 0;
  std::optional<int> version_selector;
  std::optional<int> unit;
  int unit_register = 0;
  std::optional<int> led;
  ProgressFn progress = nullptr;
};

struct Library {
  std::recursive_mutex mutex;
  std::map<const void*, std::unique_ptr<Session>> sessions;
  std::map<uint32_t, std::string> forced_sne;  // by device index, for its next open
  int golden_enabled = 0;
  int sensor_init_disabled = 0;
  int auto_bandwidth = 1;
  uint64_t calls = 0;
};

Library& Lib() {
  static Library library;
  return library;
}

// The cameras the enumeration counts, in device-index order.
std::vector<ApiCamera> Enumerate() {
  std::vector<ApiCamera> cameras;
  const std::filesystem::path bench = BenchFromEnvironment();
  if (bench.empty()) return cameras;
  for (int id : ListCameraIds(bench, "api")) {
    std::optional<ApiCamera> camera = ApiCamera::Load(bench, id);
    if (camera && camera->IsEnumerated(Lib().golden_enabled != 0))
      cameras.push_back(std::move(*camera));
  }
  return cameras;
}

int CopyText(const std::string& text, void* buffer, uint32_t size) {
  if (buffer == nullptr) return kInvalidArguments;
  if (text.size() + 1 > size) return kInputBufferTooSmall;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return kOk;
}

std::string TextOf(const void* data, uint32_t size) {
  const char* text = static_cast<const char*>(data);
  return std::string(text, strnlen(text, size));
}

// A serial of the camera's own format: five Base32 letters or digits, four
// decimal digits, three base32hex characters.
bool IsSneText(const std::string& text) {
  static const std::string kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  static const std::string kTail = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
  if (text.size() != 12) return false;
  for (size_t i = 0; i < 12; ++i) {
    const char c = text[i];
    const bool ok = i < 5   ? kLetters.find(c) != std::string::npos
                    : i < 9 ? c >= '0' && c <= '9'
                            : kTail.find(c) != std::string::npos;
    if (!ok) return false;
  }
  return true;
}

// ---- Global settings: a null handle, or any handle.

struct GlobalKey {
  const char* name;
  int Library::*value;
};
constexpr GlobalKey kGlobalKeys[] = {
    {"cam_enum_golden_enabled", &Library::golden_enabled},
    {"cam_sensor_init_disabled", &Library::sensor_init_disabled},
    {"auto_bandwidth_calculation", &Library::auto_bandwidth},
};

const GlobalKey* FindGlobal(const char* key) {
  for (const GlobalKey& row : kGlobalKeys)
    if (std::strcmp(row.name, key) == 0) return &row;
  return nullptr;
}

// ---- Keys of an open camera.

struct Call {
  Session& session;
  ApiCamera& camera;
};

struct DeviceKey {
  const char* name;
  bool text;
  int (*get_int)(Call&, int&);
  int (*set_int)(Call&, int);
  int (*get_text)(Call&, void*, uint32_t);
  int (*set_text)(Call&, const void*, uint32_t);
};

int GetSettingText(Call& c, const char* key, void* buffer, uint32_t size) {
  return CopyText(c.camera.Text(key), buffer, size);
}

int GetVersionText(Call& c, const char* unit, void* buffer, uint32_t size) {
  const nlohmann::json versions = c.camera.settings().value("versions", nlohmann::json::object());
  const auto it = versions.find(unit);
  if (it == versions.end() || !it->is_string()) return kParameterNotSupported;
  return CopyText(it->get<std::string>(), buffer, size);
}

nlohmann::json& Section(Call& c, const char* name) {
  nlohmann::json& section = c.camera.settings()[name];
  if (!section.is_object()) section = nlohmann::json::object();
  return section;
}

int LedBound(Call& c, const char* bound) {
  return Section(c, "leds").value(bound, 0);
}

int FfsSelected(Call& c) {
  return IsValidFfsName(c.session.ffs_file) ? kOk : kFfsSelectorInvalid;
}

const DeviceKey kDeviceKeys[] = {
    {"device_name", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) {
       if (!c.session.forced_model.empty()) return CopyText(c.session.forced_model, b, n);
       return GetSettingText(c, "model", b, n);
     },
     nullptr},
    {"device_sn", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) {
       if (!c.session.forced_sne.empty()) return CopyText(c.session.forced_sne, b, n);
       return GetSettingText(c, "serial", b, n);
     },
     nullptr},
    {"device_id", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) { return GetSettingText(c, "device_id", b, n); }, nullptr},
    {"device_inst_path", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) { return GetSettingText(c, "path", b, n); }, nullptr},
    {"device_loc_path", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) { return GetSettingText(c, "location", b, n); }, nullptr},
    {"device_model_id", false,
     [](Call& c, int& v) {
       v = c.camera.Int("model_id");
       return int{kOk};
     },
     nullptr, nullptr, nullptr},
    {"version_selector", false,
     [](Call& c, int& v) {
       if (!c.session.version_selector) return int{kWrongParameterValue};
       v = *c.session.version_selector;
       return int{kOk};
     },
     [](Call& c, int v) {
       if (!Section(c, "version_units").contains(std::to_string(v)))
         return int{kWrongParameterValue};
       c.session.version_selector = v;
       return int{kOk};
     },
     nullptr, nullptr},
    {"version", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) {
       if (!c.session.version_selector) return int{kWrongParameterValue};
       const nlohmann::json& units = Section(c, "version_units");
       const auto text = units.find(std::to_string(*c.session.version_selector));
       if (text == units.end() || !text->is_string()) return int{kParameterNotSupported};
       return CopyText(text->get<std::string>(), b, n);
     },
     nullptr},
    {"version_mcu1", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) { return GetVersionText(c, "mcu1", b, n); }, nullptr},
    {"version_mcu2", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) { return GetVersionText(c, "mcu2", b, n); }, nullptr},
    {"version_mcu3", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) { return GetVersionText(c, "mcu3", b, n); }, nullptr},
    {"version_fpga1", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) { return GetVersionText(c, "fpga1", b, n); }, nullptr},
    {"version_xmlman", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) { return GetVersionText(c, "xmlman", b, n); }, nullptr},
    {"ffs_access_key", false,
     [](Call& c, int& v) {
       v = static_cast<int>(c.session.access_key);
       return int{kOk};
     },
     [](Call& c, int v) {
       c.session.access_key = static_cast<uint32_t>(v);
       return int{kOk};
     },
     nullptr, nullptr},
    {"ffs_file_name", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) { return CopyText(c.session.ffs_file, b, n); },
     [](Call& c, const void* d, uint32_t n) {
       if (d == nullptr) return int{kFfsSelectorInvalid};
       const std::string name = TextOf(d, n);
       if (!IsValidFfsName(name)) return int{kFfsSelectorInvalid};
       // A newly selected file is read and written from its start.
       c.session.ffs_file = name;
       c.session.ffs_offset = 0;
       return int{kOk};
     }},
    {"ffs_file_offset", false,
     [](Call& c, int& v) {
       v = static_cast<int>(c.session.ffs_offset);
       return int{kOk};
     },
     [](Call& c, int v) {
       if (v < 0) return int{kWrongParameterValue};
       c.session.ffs_offset = static_cast<uint32_t>(v);
       return int{kOk};
     },
     nullptr, nullptr},
    {"ffs_file_size", false,
     [](Call& c, int& v) {
       if (const int status = FfsSelected(c); status != kOk) return status;
       uint32_t size = 0;
       const int status = c.camera.FfsSize(c.session.ffs_file, size);
       if (status == kOk) v = static_cast<int>(size);
       return status;
     },
     nullptr, nullptr, nullptr},
    {"read_file_ffs", true, nullptr, nullptr,
     [](Call& c, void* b, uint32_t n) {
       if (const int status = FfsSelected(c); status != kOk) return status;
       return c.camera.ReadFfs(c.session.ffs_file, c.session.ffs_offset, static_cast<uint8_t*>(b),
                               n, c.session.progress);
     },
     nullptr},
    {"write_file_ffs", true, nullptr, nullptr, nullptr,
     [](Call& c, const void* d, uint32_t n) {
       if (const int status = FfsSelected(c); status != kOk) return status;
       return c.camera.WriteFfs(c.session.ffs_file, c.session.ffs_offset,
                                static_cast<const uint8_t*>(d), n, c.session.access_key,
                                c.session.progress);
     }},
    {"api_progress_callback", true, nullptr, nullptr, nullptr,
     [](Call& c, const void* d, uint32_t n) {
       // The data is the function itself; no bytes are handed over.
       if (n != 0) return int{kWrongParameterSize};
       c.session.progress = reinterpret_cast<ProgressFn>(const_cast<void*>(d));
       return int{kOk};
     }},
    {"device_reset", false, nullptr,
     [](Call& c, int v) {
       if (v != 1) return int{kWrongParameterValue};
       c.camera.Reset();
       return int{kOk};
     },
     nullptr, nullptr},
    {"device_unit_selector", false,
     [](Call& c, int& v) {
       if (!c.session.unit) return int{kWrongParameterValue};
       v = *c.session.unit;
       return int{kOk};
     },
     [](Call& c, int v) {
       if (!Section(c, "units").contains(std::to_string(v))) return int{kWrongParameterValue};
       c.session.unit = v;
       return int{kOk};
     },
     nullptr, nullptr},
    {"device_unit_register_selector", false,
     [](Call& c, int& v) {
       v = c.session.unit_register;
       return int{kOk};
     },
     [](Call& c, int v) {
       if (v < 0) return int{kWrongParameterValue};
       c.session.unit_register = v;
       return int{kOk};
     },
     nullptr, nullptr},
    {"device_unit_register_value", false,
     [](Call& c, int& v) {
       if (!c.session.unit) return int{kWrongParameterValue};
       const nlohmann::json regs =
           Section(c, "units").value(std::to_string(*c.session.unit), nlohmann::json::object());
       // Registers never written read as 0.
       const auto it = regs.find(std::to_string(c.session.unit_register));
       v = it != regs.end() && it->is_number() ? static_cast<int>(it->get<int64_t>()) : 0;
       return int{kOk};
     },
     nullptr, nullptr, nullptr},
    {"led_selector", false,
     [](Call& c, int& v) {
       if (!c.session.led) return int{kWrongParameterValue};
       v = *c.session.led;
       return int{kOk};
     },
     [](Call& c, int v) {
       if (v < LedBound(c, "min") || v >= LedBound(c, "max")) return int{kValueCannotBeSet};
       c.session.led = v;
       return int{kOk};
     },
     nullptr, nullptr},
    {"led_selector:min", false,
     [](Call& c, int& v) {
       v = LedBound(c, "min");
       return int{kOk};
     },
     nullptr, nullptr, nullptr},
    {"led_selector:max", false,
     [](Call& c, int& v) {
       v = LedBound(c, "max");
       return int{kOk};
     },
     nullptr, nullptr, nullptr},
    {"led_mode", false,
     [](Call& c, int& v) {
       if (!c.session.led) return int{kWrongParameterValue};
       v = Section(c, "state")
               .value("led_modes", nlohmann::json::object())
               .value(std::to_string(*c.session.led), 0);
       return int{kOk};
     },
     [](Call& c, int v) {
       if (!c.session.led || v < 0 || v > 15) return int{kWrongParameterValue};
       Section(c, "state")["led_modes"][std::to_string(*c.session.led)] = v;
       c.camera.Save();
       return int{kOk};
     },
     nullptr, nullptr},
};

const DeviceKey* FindDeviceKey(const char* key) {
  for (const DeviceKey& row : kDeviceKeys)
    if (std::strcmp(row.name, key) == 0) return &row;
  return nullptr;
}

// Runs one parameter call: finds the handle's camera, applies injected faults
// and the camera's presence, then hands the key's row to `body`.
// `global` handles the library's own settings.
template <typename Global, typename Device>
int ParamCall(qzHANDLE handle, const char* key, Global global, Device device) {
  Library& lib = Lib();
  std::lock_guard lock(lib.mutex);
  ++lib.calls;
  if (key == nullptr) return kInvalidArguments;
  if (handle == nullptr) {
    if (const GlobalKey* row = FindGlobal(key)) return global(lib.*(row->value));
    return FindDeviceKey(key) != nullptr || std::strcmp(key, "isexist") == 0 ? kInvalidHandle
                                                                             : kUnknownParameter;
  }
  const auto it = lib.sessions.find(handle);
  if (it == lib.sessions.end()) return kInvalidHandle;
  Session& session = *it->second;
  std::optional<ApiCamera> camera = ApiCamera::Load(BenchFromEnvironment(), session.camera_id);
  if (camera) {
    if (std::optional<int> fault = camera->KeyFault(key)) return *fault;
  }
  if (const GlobalKey* row = FindGlobal(key)) return global(lib.*(row->value));
  const bool alive = camera && camera->IsPresent() && camera->HandleEpoch() == session.epoch;
  if (std::strcmp(key, "isexist") == 0) return device(nullptr, alive, session, camera);
  if (!alive) return kDeviceNotReady;
  const DeviceKey* row = FindDeviceKey(key);
  if (row == nullptr) return kUnknownParameter;
  return device(row, alive, session, camera);
}

// Runs `body` and turns anything it throws into a status: nothing may cross
// the C boundary.
template <typename Body>
int Guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return kMemoryAllocationError;
  } catch (...) {
    return kCameraContextError;
  }
}

int OpenCamera(ApiCamera& camera, uint32_t index, qzHANDLE* handle) {
  Library& lib = Lib();
  if (camera.ConsumeOpenFault()) return kDeviceNotReady;
  auto session = std::make_unique<Session>();
  session->camera_id = camera.id();
  session->epoch = camera.HandleEpoch();
  if (auto forced = lib.forced_sne.find(index); forced != lib.forced_sne.end()) {
    session->forced_sne = forced->second;
    const nlohmann::json models = camera.settings().value("sne_models", nlohmann::json::object());
    const auto model = models.find(forced->second.substr(0, 5));
    if (model != models.end() && model->is_string())
      session->forced_model = model->get<std::string>();
    lib.forced_sne.erase(forced);
  }
  *handle = session.get();
  lib.sessions[session.get()] = std::move(session);
  return kOk;
}

}  // namespace

uint64_t LibraryCallCount() {
  std::lock_guard lock(Lib().mutex);
  return Lib().calls;
}

void ResetLibraryState() {
  Library& lib = Lib();
  std::lock_guard lock(lib.mutex);
  lib.sessions.clear();
  lib.forced_sne.clear();
  lib.golden_enabled = 0;
  lib.sensor_init_disabled = 0;
  lib.auto_bandwidth = 1;
  ForgetAbsenceMarks();
}

}  // namespace sim::api

using namespace sim::api;

extern "C" {

int qzGetNumberDevices(uint32_t* count) {
  return Guarded([&] {
    std::lock_guard lock(Lib().mutex);
    ++Lib().calls;
    if (count == nullptr) return int{kInvalidArguments};
    *count = static_cast<uint32_t>(Enumerate().size());
    return int{kOk};
  });
}

int qzGetDeviceInfoString(uint32_t index, const char* key, char* buffer, uint32_t size) {
  return Guarded([&] {
    std::lock_guard lock(Lib().mutex);
    ++Lib().calls;
    if (key == nullptr) return int{kInvalidArguments};
    std::vector<ApiCamera> cameras = Enumerate();
    if (index >= cameras.size()) return int{kNoDevicesFound};
    ApiCamera& camera = cameras[index];
    if (std::optional<int> fault = camera.KeyFault(key)) return *fault;
    static const std::map<std::string, const char*> kInfoKeys = {
        {"device_loc_path", "location"}, {"device_inst_path", "path"}, {"device_sn", "serial"},
        {"device_name", "model"},        {"device_id", "device_id"},
    };
    const auto it = kInfoKeys.find(key);
    if (it == kInfoKeys.end()) return int{kUnknownParameter};
    return CopyText(camera.Text(it->second), buffer, size);
  });
}

int qzSetDeviceInfoString(uint32_t index, const char* key, const char* text, uint32_t length) {
  return Guarded([&] {
    std::lock_guard lock(Lib().mutex);
    ++Lib().calls;
    if (key == nullptr || text == nullptr) return int{kInvalidArguments};
    std::vector<ApiCamera> cameras = Enumerate();
    if (index >= cameras.size()) return int{kNoDevicesFound};
    if (std::optional<int> fault = cameras[index].KeyFault(key)) return *fault;
    if (std::strcmp(key, "device_sn") != 0) return int{kUnknownParameter};
    const std::string sne = TextOf(text, length);
    if (!IsSneText(sne)) return int{kWrongParameterValue};
    Lib().forced_sne[index] = sne;
    return int{kOk};
  });
}

int qzOpenDevice(uint32_t index, qzHANDLE* handle) {
  return Guarded([&] {
    std::lock_guard lock(Lib().mutex);
    ++Lib().calls;
    if (handle == nullptr) return int{kInvalidArguments};
    *handle = nullptr;
    std::vector<ApiCamera> cameras = Enumerate();
    if (index >= cameras.size()) return int{kNoDevicesFound};
    return OpenCamera(cameras[index], index, handle);
  });
}

int qzOpenDeviceBy(uint32_t selector, const char* text, qzHANDLE* handle) {
  return Guarded([&] {
    std::lock_guard lock(Lib().mutex);
    ++Lib().calls;
    if (handle == nullptr || text == nullptr) return int{kInvalidArguments};
    *handle = nullptr;
    const char* field = selector == QZ_OPEN_BY_INST_PATH  ? "path"
                        : selector == QZ_OPEN_BY_SN       ? "serial"
                        : selector == QZ_OPEN_BY_LOC_PATH ? "location"
                                                          : nullptr;
    if (field == nullptr) return int{kInvalidArguments};
    std::vector<ApiCamera> cameras = Enumerate();
    for (uint32_t index = 0; index < cameras.size(); ++index)
      if (cameras[index].Text(field) == text) return OpenCamera(cameras[index], index, handle);
    return int{kNoDevicesFound};
  });
}

int qzCloseDevice(qzHANDLE handle) {
  return Guarded([&] {
    std::lock_guard lock(Lib().mutex);
    ++Lib().calls;
    return Lib().sessions.erase(handle) == 1 ? int{kOk} : int{kInvalidHandle};
  });
}

int qzGetParamInt(qzHANDLE handle, const char* key, int* value) {
  return Guarded([&] {
    if (value == nullptr) return int{kInvalidArguments};
    return ParamCall(
        handle, key,
        [&](int& setting) {
          *value = setting;
          return int{kOk};
        },
        [&](const DeviceKey* row, bool alive, Session& session, std::optional<ApiCamera>& camera) {
          if (row == nullptr) {  // isexist
            *value = alive ? 1 : 0;
            return int{kOk};
          }
          if (row->text) return int{kWrongParameterType};
          if (row->get_int == nullptr) return int{kNotSupported};
          Call call{session, *camera};
          return row->get_int(call, *value);
        });
  });
}

int qzSetParamInt(qzHANDLE handle, const char* key, int value) {
  return Guarded([&] {
    return ParamCall(
        handle, key,
        [&](int& setting) {
          if (value != 0 && value != 1) return int{kWrongParameterValue};
          setting = value;
          return int{kOk};
        },
        [&](const DeviceKey* row, bool, Session& session, std::optional<ApiCamera>& camera) {
          if (row == nullptr || (row->set_int == nullptr && !row->text))
            return int{kReadOnlyParameter};
          if (row->text) return int{kWrongParameterType};
          Call call{session, *camera};
          return row->set_int(call, value);
        });
  });
}

int qzGetParamString(qzHANDLE handle, const char* key, void* buffer, uint32_t size) {
  return Guarded([&] {
    return ParamCall(
        handle, key, [](int&) { return int{kWrongParameterType}; },
        [&](const DeviceKey* row, bool, Session& session, std::optional<ApiCamera>& camera) {
          if (row == nullptr || !row->text) return int{kWrongParameterType};
          if (row->get_text == nullptr) return int{kNotSupported};
          Call call{session, *camera};
          return row->get_text(call, buffer, size);
        });
  });
}

int qzSetParamString(qzHANDLE handle, const char* key, const void* data, uint32_t size) {
  return Guarded([&] {
    return ParamCall(
        handle, key, [](int&) { return int{kWrongParameterType}; },
        [&](const DeviceKey* row, bool, Session& session, std::optional<ApiCamera>& camera) {
          if (row == nullptr) return int{kReadOnlyParameter};
          if (!row->text) return int{kWrongParameterType};
          if (row->set_text == nullptr) return int{kReadOnlyParameter};
          Call call{session, *camera};
          return row->set_text(call, data, size);
        });
  });
}

}  // extern "C"
