#include "common/control_file.h"

#include <cctype>
#include <charconv>
#include <limits>

#include "common/text_escape.h"

namespace ostrilo::sim {
namespace {

// A control file holds a handful of short lines; anything beyond this is not ours to read.
constexpr std::size_t kMaxControlBytes = 64 * 1024;

// In file-time units of 100 ns.
constexpr std::int64_t kStampSettleTime = 2 * 10'000'000;

std::int64_t NowAsFileTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

std::optional<std::int32_t> ParseNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::map<std::string, std::string, std::less<>> ParseControlText(std::string_view text) {
    std::map<std::string, std::string, std::less<>> values;
    while (!text.empty()) {
        const auto lineEnd = text.find('\n');
        const std::string_view line = Trim(text.substr(0, lineEnd));
        text.remove_prefix(lineEnd == std::string_view::npos ? text.size() : lineEnd + 1);
        const auto equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string_view::npos) continue;
        values[Lowered(Trim(line.substr(0, equals)))] = std::string(Trim(line.substr(equals + 1)));
    }
    return values;
}

void ControlFile::Refresh() {
    const auto stamp = ReadFileStamp(path_);
    if (stamp == stamp_ && !recentlyWritten_) return;
    stamp_ = stamp;
    recentlyWritten_ = stamp && NowAsFileTime() - static_cast<std::int64_t>(stamp->lastWrite) < kStampSettleTime;
    values_ = stamp ? ParseControlText(ReadFileRange(path_, 0, kMaxControlBytes))
                    : std::map<std::string, std::string, std::less<>>();
}

std::string ControlFile::Text(std::string_view key, std::string_view fallback) const {
    const auto found = values_.find(key);
    return found == values_.end() ? std::string(fallback) : UnescapeText(found->second);
}

std::optional<std::int32_t> ControlFile::OptionalNumber(std::string_view key) const {
    const auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return ParseNumber(found->second);
}

std::int32_t ControlFile::Number(std::string_view key, std::int32_t fallback) const {
    return OptionalNumber(key).value_or(fallback);
}

std::array<std::int32_t, 5> ControlFile::NumberList(std::string_view key) const {
    std::array<std::int32_t, 5> numbers{};
    const auto found = values_.find(key);
    if (found == values_.end()) return numbers;
    std::string_view rest = found->second;
    for (auto& number : numbers) {
        const auto comma = rest.find(',');
        number = ParseNumber(rest.substr(0, comma)).value_or(0);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return numbers;
}

}  // namespace ostrilo::sim
