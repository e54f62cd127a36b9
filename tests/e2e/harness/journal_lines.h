#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ostrilo::e2e {

inline bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// Positions (0-based) of the lines that begin with `prefix`, e.g. every call of one
// function in a simulator's journal.
inline std::vector<std::size_t> PositionsOf(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::size_t> positions;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (StartsWith(lines[index], prefix)) positions.push_back(index);
    }
    return positions;
}

inline std::size_t CountOf(const std::vector<std::string>& lines, const std::string& prefix) {
    return PositionsOf(lines, prefix).size();
}

// The lines from `first` up to but not including `last`.
inline std::vector<std::string> Between(const std::vector<std::string>& lines, std::size_t first, std::size_t last) {
    return {lines.begin() + static_cast<std::ptrdiff_t>(first), lines.begin() + static_cast<std::ptrdiff_t>(last)};
}

}  // namespace ostrilo::e2e
