#include "floor_relay/day_log.h"

#include <windows.h>

#include <cstdio>

namespace ostrilo::bench {

void DayLog::Append(const std::string& text) const {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u\t", now.wHour, now.wMinute, now.wSecond,
                  now.wMilliseconds);
    char fileName[32];
    std::snprintf(fileName, sizeof fileName, "\\%04u-%02u-%02u.Log", now.wYear, now.wMonth, now.wDay);
    const std::string line = stamp + text + "\r\n";

    CreateDirectoryA(folder_.c_str(), nullptr);
    HANDLE file = CreateFileA((folder_ + fileName).c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace ostrilo::bench
