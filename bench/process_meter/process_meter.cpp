// Prints, for every process of the prefix whose executable is named NAME, what Windows
// reports about it: one line "pid=.. working_set=.. peak_working_set=.. private=..
// handles=.." (bytes; handles is -1 where the count is not available).
// Usage: process_meter.exe NAME   (e.g. Ostrilo.exe). Exit code 1 when none is found.

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {

class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

void PrintProcess(DWORD pid) {
    const ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process.Valid()) {
        std::printf("pid=%lu error=%lu\n", pid, GetLastError());
        return;
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    DWORD handles = 0;
    const long long handleCount = GetProcessHandleCount(process.Get(), &handles) ? static_cast<long long>(handles) : -1;
    std::printf("pid=%lu working_set=%llu peak_working_set=%llu private=%llu handles=%lld\n", pid,
                static_cast<unsigned long long>(memory.WorkingSetSize),
                static_cast<unsigned long long>(memory.PeakWorkingSetSize),
                static_cast<unsigned long long>(memory.PrivateUsage), handleCount);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: process_meter NAME\n");
        return 2;
    }
    const ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) return 1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int found = 0;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry)) {
        if (_stricmp(entry.szExeFile, argv[1]) != 0) continue;
        PrintProcess(entry.th32ProcessID);
        ++found;
    }
    return found > 0 ? 0 : 1;
}
