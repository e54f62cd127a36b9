#include "floor_relay/day_log.h"

#include <windows.h>

#include <cstdio>

namespace ostrilo::bench {

void DayLog::Append(const std::string& text) const {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char date[32];
    std::snprintf(date, sizeof date, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    char time[32];
    std::snprintf(time, sizeof time, "%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    const std::string line = time + ("\t" + text) + "\r\n";

    CreateDirectoryA(folder_.c_str(), nullptr);
    HANDLE file = CreateFileA((folder_ + "\\" + date + ".Log").c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    view_.Add(std::string(date) + " " + time + " " + text);
}

}  // namespace ostrilo::bench
