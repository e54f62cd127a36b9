#include "win32/crash_reporter.h"

#include "win32/scoped_handles.h"

#include <dbghelp.h>

#include <cstdint>
#include <cstdlib>
#include <exception>

namespace ostrilo::win32 {
namespace {

constexpr std::size_t kFolderCapacity = 1024;
// Room for "\Ostrilo-YYYY-MM-DD-HHMMSS.dmp" after the folder, and the terminating zero.
constexpr std::size_t kPathCapacity = kFolderCapacity + 64;
constexpr std::size_t kLineCapacity = 256;
constexpr std::size_t kSeparatorCapacity = 4;
constexpr char kLogFolderName[] = "LogFiles";
constexpr DWORD kReporterStackBytes = 256 * 1024;
// A report that hangs (a lock held by the failing thread, say) must not keep the process
// from ending and the service manager from restarting it.
constexpr DWORD kReportTimeoutMs = 15000;
// What abort() would have returned.
constexpr UINT kTerminateExitCode = 3;

using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                                PMINIDUMP_EXCEPTION_INFORMATION,
                                                PMINIDUMP_USER_STREAM_INFORMATION,
                                                PMINIDUMP_CALLBACK_INFORMATION);

// Text assembled in place, without the heap. What does not fit is cut off and noted.
template <std::size_t Capacity>
class FixedText {
public:
    FixedText& operator<<(const char* text) {
        for (; *text != '\0'; ++text) Put(*text);
        return *this;
    }
    FixedText& Decimal(unsigned value, int width) {
        char digits[10] = {};
        for (int index = width - 1; index >= 0; --index, value /= 10) digits[index] = static_cast<char>('0' + value % 10);
        for (int index = 0; index < width; ++index) Put(digits[index]);
        return *this;
    }
    FixedText& Hex(std::uint64_t value, int digits) {
        static constexpr char kHexDigits[] = "0123456789ABCDEF";
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) Put(kHexDigits[(value >> shift) & 0xF]);
        return *this;
    }
    const char* Text() const { return text_; }
    DWORD Length() const { return static_cast<DWORD>(length_); }
    bool Complete() const { return !cutOff_; }

private:
    void Put(char c) {
        if (length_ + 1 < Capacity) {
            text_[length_++] = c;
        } else {
            cutOff_ = true;
        }
    }

    char text_[Capacity] = {};
    std::size_t length_ = 0;
    bool cutOff_ = false;
};

// Prepared at installation: the crash may have left the heap unusable.
struct ReporterSetup {
    char logFolder[kFolderCapacity] = {};  // empty: no report can be written
    char timeSeparator[kSeparatorCapacity] = ":";
    MiniDumpWriteDumpFunction writeDump = nullptr;
};
ReporterSetup g_setup;
volatile LONG g_reporting = 0;

struct Crash {
    DWORD code = 0;
    EXCEPTION_POINTERS* pointers = nullptr;  // null after std::terminate
    DWORD threadId = 0;
};

FixedText<kPathCapacity> FileInLogFolder(const SYSTEMTIME& now, const char* prefix, const char* extension,
                                         bool withTime) {
    FixedText<kPathCapacity> path;
    path << g_setup.logFolder << "\\" << prefix;
    path.Decimal(now.wYear, 4) << "-";
    path.Decimal(now.wMonth, 2) << "-";
    path.Decimal(now.wDay, 2);
    if (withTime) {
        path << "-";
        path.Decimal(now.wHour, 2).Decimal(now.wMinute, 2).Decimal(now.wSecond, 2);
    }
    path << extension;
    return path;
}

// The same shape as every other line of the day's file: time stamp, tab, message.
FixedText<kLineCapacity> CrashLine(const Crash& crash, const SYSTEMTIME& now) {
    FixedText<kLineCapacity> line;
    line.Decimal(now.wHour, 2) << g_setup.timeSeparator;
    line.Decimal(now.wMinute, 2) << g_setup.timeSeparator;
    line.Decimal(now.wSecond, 2) << ".";
    line.Decimal(now.wMilliseconds, 3) << "\t";
    if (crash.pointers == nullptr) {
        line << "Ostrilo crashed: std::terminate called (unhandled C++ exception)";
    } else {
        const auto address = reinterpret_cast<std::uintptr_t>(crash.pointers->ExceptionRecord->ExceptionAddress);
        line << "Ostrilo crashed: exception 0x";
        line.Hex(crash.code, 8) << " at 0x";
        line.Hex(address, static_cast<int>(sizeof address * 2));
    }
    line << "\r\n";
    return line;
}

// The report is written with the rights of the crashed process, the system's for the
// service: a log folder, or a name in it, that someone turned into a link must not lead
// those writes elsewhere.
constexpr DWORD kNoLinkFollowed = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

bool IsLink(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void WriteCrashLine(const Crash& crash, const SYSTEMTIME& now) {
    const auto path = FileInLogFolder(now, "", ".Log", false);
    const auto line = CrashLine(crash, now);
    if (!path.Complete()) return;
    const ScopedFileHandle file(::CreateFileA(path.Text(), FILE_APPEND_DATA,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_ALWAYS, kNoLinkFollowed, nullptr));
    DWORD written = 0;
    if (file.IsValid()) ::WriteFile(file.Get(), line.Text(), line.Length(), &written, nullptr);
}

void WriteMiniDump(const Crash& crash, const SYSTEMTIME& now) {
    const auto path = FileInLogFolder(now, "Ostrilo-", ".dmp", true);
    if (g_setup.writeDump == nullptr || !path.Complete()) return;
    const ScopedFileHandle file(
        ::CreateFileA(path.Text(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, kNoLinkFollowed, nullptr));
    if (!file.IsValid()) return;
    MINIDUMP_EXCEPTION_INFORMATION exception{crash.threadId, crash.pointers, FALSE};
    g_setup.writeDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file.Get(), MiniDumpNormal,
                      crash.pointers != nullptr ? &exception : nullptr, nullptr, nullptr);
}

void WriteReport(const Crash& crash) {
    if (g_setup.logFolder[0] == '\0') return;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    ::CreateDirectoryA(g_setup.logFolder, nullptr);
    if (IsLink(g_setup.logFolder)) return;
    // The line first: it is small and certain, the dump may fail on a damaged process.
    WriteCrashLine(crash, now);
    WriteMiniDump(crash, now);
}

DWORD WINAPI ReportOnOwnThread(LPVOID crash) {
    WriteReport(*static_cast<const Crash*>(crash));
    return 0;
}

void ReportAndEnd(const Crash& crash, UINT exitCode) {
    // Only the first failure reports; a second one (even inside the report) waits for the end.
    if (::InterlockedExchange(&g_reporting, 1) != 0) {
        ::Sleep(INFINITE);
    }
    // A fresh thread has the whole stack that an overflow has taken from the failing one,
    // and the dump then shows the failing thread as it stood.
    const ScopedKernelHandle reporter(::CreateThread(nullptr, kReporterStackBytes, ReportOnOwnThread,
                                                     const_cast<Crash*>(&crash), 0, nullptr));
    if (reporter.IsValid()) {
        ::WaitForSingleObject(reporter.Get(), kReportTimeoutMs);
    } else {
        WriteReport(crash);
    }
    ::TerminateProcess(::GetCurrentProcess(), exitCode);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
    Crash crash;
    crash.code = pointers->ExceptionRecord->ExceptionCode;
    crash.pointers = pointers;
    crash.threadId = ::GetCurrentThreadId();
    ReportAndEnd(crash, crash.code);
    return EXCEPTION_EXECUTE_HANDLER;
}

void OnTerminate() {
    Crash crash;
    crash.threadId = ::GetCurrentThreadId();
    ReportAndEnd(crash, kTerminateExitCode);
    std::abort();
}

// From the system folder by full path: a dbghelp.dll planted elsewhere is never loaded.
// Kept loaded for the life of the process, since a crash can come at any moment.
MiniDumpWriteDumpFunction LoadDumpWriter() {
    wchar_t path[MAX_PATH + 16] = {};
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    ::lstrcatW(path, L"\\dbghelp.dll");
    HMODULE dbghelp = ::LoadLibraryW(path);
    if (dbghelp == nullptr) return nullptr;
    // Going through the generic function pointer type keeps -Wcast-function-type quiet.
    return reinterpret_cast<MiniDumpWriteDumpFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(dbghelp, "MiniDumpWriteDump")));
}

void PrepareTimeSeparator() {
    char separator[kSeparatorCapacity] = {};
    // The log sink uses the system's separator; a missing or odd one keeps ":".
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof separator) > 1) {
        ::lstrcpynA(g_setup.timeSeparator, separator, sizeof g_setup.timeSeparator);
    }
}

}  // namespace

bool InstallCrashReporter(const std::string& appDirectory) {
    if (g_setup.writeDump == nullptr) g_setup.writeDump = LoadDumpWriter();
    PrepareTimeSeparator();
    const bool fits = appDirectory.size() + sizeof kLogFolderName <= kFolderCapacity;
    if (fits) {
        ::lstrcpynA(g_setup.logFolder, appDirectory.c_str(), static_cast<int>(appDirectory.size() + 1));
        ::lstrcatA(g_setup.logFolder, kLogFolderName);
    } else {
        g_setup.logFolder[0] = '\0';
    }
    ::SetUnhandledExceptionFilter(OnUnhandledException);
    std::set_terminate(OnTerminate);
    return fits;
}

}  // namespace ostrilo::win32
