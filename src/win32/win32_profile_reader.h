#pragma once

#include "platform/profile_reader.h"

namespace ostrilo::win32 {

// The profile reader over GetPrivateProfileStringA.
class Win32ProfileReader : public platform::ProfileReader {
public:
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultText, const std::string& path) override;
};

}  // namespace ostrilo::win32
