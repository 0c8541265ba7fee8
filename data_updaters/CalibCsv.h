#pragma once
// Reading the converter's CSV texts: lines with CR LF or LF ends, cells split at
// every comma (no quoting, no trimming), and the mode cell "0x5A<page>".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The lines of a text without their line ends; a UTF-8 byte-order mark at the
// start is skipped.
std::vector<std::string> SplitCsvLines(std::string_view text);

// Cells of one line; a trailing comma gives an empty last cell.
std::vector<std::string> SplitCsvCells(const std::string& line);

// Cells of a line naming a field (at least mode and name, the name not empty, not
// the header line), or an empty list for a line to ignore.
std::vector<std::string> SplitFieldLine(const std::string& line);

// The page number of a mode cell: the cell without its first four characters,
// read as hexadecimal. Text that holds no number fails as std::stoul does.
uint32_t CsvPageNumber(const std::string& mode_cell);

// Writes `size` bytes to a new or truncated file; throws `open_message` with the
// file name when it cannot be created, "Failed to write file" when the data did
// not all reach it.
void WriteWholeFile(const char* operation, const char* file_name, const void* data, size_t size,
                    const char* open_message);

// The whole content of a file; false when it cannot be opened or read.
bool ReadWholeFile(const char* file_name, std::string& content);
