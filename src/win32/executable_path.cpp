#include "win32/executable_path.h"

#include <windows.h>

#include <vector>

namespace ostrilo::win32 {

std::string ExecutablePath() {
    // Long paths exceed MAX_PATH; grow the buffer until the whole path fits.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::vector<char> buffer(size);
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) return std::string();
        if (length < size) return std::string(buffer.data(), length);
    }
    return std::string();
}

}  // namespace ostrilo::win32
