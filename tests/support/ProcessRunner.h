#pragma once
// Runs a built program as a separate process for end-to-end tests: arguments,
// environment additions, standard input and working directory in; standard
// output, standard error and the exit code out.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct RunResult {
  int exit_code = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

struct RunOptions {
  std::vector<std::pair<std::string, std::string>> env;  // added to the environment
  std::string stdin_text;  // all of standard input; empty means immediate end of input
  std::filesystem::path cwd;
};

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const RunOptions& options = {});

// A fresh temporary directory, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
