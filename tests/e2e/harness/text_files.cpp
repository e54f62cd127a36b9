#include "harness/text_files.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ostrilo::e2e {

namespace {

// "HH:MM:SS.mmm" then a tab; the separators between the time parts follow the system's
// settings, so only their places are checked.
constexpr std::size_t kStampLength = 13;

bool StartsWithTimeStamp(const std::string& line) {
    if (line.size() < kStampLength || line[8] != '.' || line[12] != '\t') return false;
    for (std::size_t digit : {0, 1, 3, 4, 6, 7, 9, 10, 11}) {
        if (!std::isdigit(static_cast<unsigned char>(line[digit]))) return false;
    }
    return true;
}

}  // namespace

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> CompleteLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::string DayLogFileName(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char name[32];
    std::strftime(name, sizeof name, "%Y-%m-%d.Log", &local);
    return name;
}

std::vector<std::string> ParseLogMessages(const std::string& fileText) {
    std::vector<std::string> messages;
    for (auto& line : CompleteLines(fileText)) {
        messages.push_back(StartsWithTimeStamp(line) ? line.substr(kStampLength) : std::move(line));
    }
    return messages;
}

}  // namespace ostrilo::e2e
