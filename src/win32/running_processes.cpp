#include "win32/running_processes.h"

#include <windows.h>

#include <tlhelp32.h>

#include <new>

#include "win32/executable_path.h"
#include "win32/scoped_handles.h"

namespace ostrilo::win32 {
namespace {

std::optional<std::string> ImagePathOf(HANDLE process) {
    char path[MAX_PATH * 4] = {};
    DWORD length = sizeof path;
    if (!::QueryFullProcessImageNameA(process, 0, path, &length)) return std::nullopt;
    return std::string(path, length);
}

std::optional<std::string> ImagePathOf(DWORD processId) {
    const ScopedKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.IsValid()) return std::nullopt;
    return ImagePathOf(process.Get());
}

}  // namespace

std::vector<RunningProcess> OtherRunningProcesses() {
    std::vector<RunningProcess> processes;
    const ScopedFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid()) return processes;
    const DWORD ownId = ::GetCurrentProcessId();
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    try {
        for (BOOL found = ::Process32First(snapshot.Get(), &entry); found;
             found = ::Process32Next(snapshot.Get(), &entry)) {
            if (entry.th32ProcessID == ownId) continue;
            processes.push_back({entry.szExeFile, ImagePathOf(entry.th32ProcessID)});
        }
    } catch (const std::bad_alloc&) {
        // The processes listed so far are still worth looking at.
    }
    return processes;
}

std::string OwnImagePath() { return ImagePathOf(::GetCurrentProcess()).value_or(ExecutablePath()); }

}  // namespace ostrilo::win32
