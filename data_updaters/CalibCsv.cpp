#include "CalibCsv.h"

#include <cstdio>
#include <memory>

#include "CalibError.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::vector<std::string> SplitCsvLines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::vector<std::string> SplitCsvCells(const std::string& line) {
  std::vector<std::string> cells;
  size_t start = 0;
  for (;;) {
    const size_t comma = line.find(',', start);
    cells.push_back(line.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return cells;
}

std::vector<std::string> SplitFieldLine(const std::string& line) {
  std::vector<std::string> cells = SplitCsvCells(line);
  if (cells.size() < 2 || cells[0] == "Mode ID" || cells[1].empty()) return {};
  return cells;
}

uint32_t CsvPageNumber(const std::string& mode_cell) {
  const std::string digits = mode_cell.size() > 4 ? mode_cell.substr(4) : std::string();
  const unsigned long page = std::stoul(digits, nullptr, 16);
  return page > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(page);
}

void WriteWholeFile(const char* operation, const char* file_name, const void* data, size_t size,
                    const char* open_message) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(file_name, "wb"));
  if (!file) ThrowCDSError(operation, open_message, file_name);
  const size_t written = size == 0 ? 0 : std::fwrite(data, 1, size, file.get());
  if (std::fclose(file.release()) != 0 || written != size)
    ThrowCDSError(operation, "Failed to write file", file_name);
}

bool ReadWholeFile(const char* file_name, std::string& content) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(file_name, "rb"));
  if (!file) return false;
  content.clear();
  char buffer[65536];
  size_t read;
  while ((read = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
    content.append(buffer, read);
  return std::ferror(file.get()) == 0;
}
