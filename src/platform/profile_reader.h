#pragma once

#include <cstddef>
#include <string>

namespace ostrilo::platform {

// A value this long may have been cut.
constexpr std::size_t kLongestProfileValue = 2047;

// The Windows profile (INI) reader: blanks around a value trimmed, one pair of
// enclosing quotes removed, names matched without regard to case, values cut to
// the 2047 characters a 2048-character buffer holds, the default for anything missing.
class ProfileReader {
public:
    virtual ~ProfileReader() = default;
    virtual std::string ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultText, const std::string& path) = 0;
};

}  // namespace ostrilo::platform
