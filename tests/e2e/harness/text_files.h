#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace ostrilo::e2e {

// The whole file, or the empty text when it cannot be read (not yet written, say).
std::string ReadWholeFile(const std::filesystem::path& path);
// Writes the bytes exactly as given (no line-end translation); throws when it cannot.
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

// Complete lines of a text, line feeds and the carriage returns before them removed. A
// last line without its line end is still being written and is left out.
std::vector<std::string> CompleteLines(const std::string& text);

// The program's day-log file name for the local date of `when`: "YYYY-MM-DD.Log".
std::string DayLogFileName(std::time_t when);

// The messages of a day log in order: the "HH:MM:SS.mmm<tab>" time stamp of an ordinary
// line removed; a separator line (no time stamp) kept whole.
std::vector<std::string> ParseLogMessages(const std::string& fileText);

}  // namespace ostrilo::e2e
