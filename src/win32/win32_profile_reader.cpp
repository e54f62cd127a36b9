#include "win32/win32_profile_reader.h"

#include <windows.h>

#include <vector>

namespace ostrilo::win32 {
namespace {

// Holds the longest value and the terminating zero; longer values are cut there.
constexpr DWORD kValueBufferSize = platform::kLongestProfileValue + 1;

}  // namespace

std::string Win32ProfileReader::ReadString(const std::string& section, const std::string& key,
                                           const std::string& defaultText,
                                           const std::string& path) {
    std::vector<char> buffer(kValueBufferSize, '\0');
    const DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultText.c_str(),
                                                    buffer.data(), kValueBufferSize, path.c_str());
    // The reported length never counts the terminating zero; bound it all the same.
    return std::string(buffer.data(), length < kValueBufferSize ? length : kValueBufferSize - 1);
}

}  // namespace ostrilo::win32
