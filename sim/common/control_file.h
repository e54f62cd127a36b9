#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "common/win_file.h"

namespace ostrilo::sim {

// key=value lines; '#' starts a comment line; keys are case-insensitive; blanks around
// keys and values are ignored. A later line wins over an earlier one with the same key.
std::map<std::string, std::string, std::less<>> ParseControlText(std::string_view text);

// A control file that a test rewrites while the program runs. Reading it is skipped
// unless its size or last-write time changed, because the program calls us many times a
// second. File times are coarse (a few ms), so a same-size rewrite right after a read
// could keep the old stamp: while the file is younger than two seconds it is read every
// time. A missing file means every key has its default.
class ControlFile {
public:
    explicit ControlFile(std::string path) : path_(std::move(path)) {}

    void Refresh();

    // The value with the queue's escapes undone, or the fallback when the key is absent.
    std::string Text(std::string_view key, std::string_view fallback) const;
    // A whole decimal number in signed 32-bit range, or the fallback when the key is absent
    // or its value is anything else.
    std::int32_t Number(std::string_view key, std::int32_t fallback) const;
    // Present only when the key is present and holds a valid number.
    std::optional<std::int32_t> OptionalNumber(std::string_view key) const;
    // Up to five comma-separated numbers; a missing or invalid one is 0.
    std::array<std::int32_t, 5> NumberList(std::string_view key) const;

private:
    std::string path_;
    std::optional<FileStamp> stamp_;
    bool recentlyWritten_ = false;
    std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace ostrilo::sim
