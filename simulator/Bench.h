#pragma once
// A bench is a directory of virtual cameras (usb3/<id>/, api/<id>/) plus the
// trace log. The simulated platform finds it through QZCAM_BENCH; the tools may
// name it on their command line instead.

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace sim {

// The bench named by QZCAM_BENCH when that names an existing directory, else empty.
std::filesystem::path BenchFromEnvironment();

// Camera ids of one kind ("usb3" or "api") on the bench, in enumeration order
// (decimal ids ascending); folders whose name is not a decimal number are ignored.
std::vector<int> ListCameraIds(const std::filesystem::path& bench, const std::string& kind);

// Folder of one camera: <bench>/<kind>/<id>.
std::filesystem::path CameraDir(const std::filesystem::path& bench, const std::string& kind,
                                int id);

// Creates the folder of a new camera with the next free id and returns the id.
int CreateCameraDir(const std::filesystem::path& bench, const std::string& kind);

// Reads a JSON file; throws std::runtime_error naming the file when it is
// missing or malformed.
nlohmann::json LoadJson(const std::filesystem::path& file);

// Writes a JSON file through a temporary file and a rename, so a reader in
// another process never sees half a file.
void SaveJson(const std::filesystem::path& file, const nlohmann::json& value);

// Reads a whole binary file; throws std::runtime_error when it cannot be read.
std::vector<uint8_t> ReadBinaryFile(const std::filesystem::path& file);

// Writes a whole binary file; throws std::runtime_error when it cannot be written.
void WriteBinaryFile(const std::filesystem::path& file, const std::vector<uint8_t>& data);

}  // namespace sim
