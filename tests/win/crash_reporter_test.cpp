#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "test_folder.h"
#include "win32/scoped_handles.h"

namespace ostrilo {
namespace {

using testing::HasSubstr;
using testing::MatchesRegex;

constexpr DWORD kChildTimeoutMs = 60000;
constexpr DWORD kStillRunning = 0xFFFFFFFF;

std::string FolderOfThisProgram() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, length);
    return text.substr(0, text.find_last_of('\\') + 1);
}

std::string Today(const char* format) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, format, now.wYear, now.wMonth, now.wDay);
    return text;
}

std::vector<std::string> FilesMatching(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    const win32::ScopedFindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search.IsValid()) return names;
    do {
        names.emplace_back(found.cFileName);
    } while (::FindNextFileA(search.Get(), &found));
    return names;
}

// A program folder of its own for each crash, removed afterwards.
class CrashReporterTest : public testing::Test {
protected:
    std::string LogFolder() const { return programFolder_ + "LogFiles\\"; }
    std::string DayLog() const { return wintest::ContentOf(LogFolder() + Today("%04u-%02u-%02u.Log")); }

    // The child's exit code, or kStillRunning when it had to be killed.
    DWORD RunChild(const std::string& mode) {
        // The folder's last backslash is doubled, or it would escape the closing quote.
        std::string commandLine = "\"" + FolderOfThisProgram() + "ostrilo_crash_child.exe\" \"" + programFolder_ +
                                  "\\\" " + mode;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process)) {
            ADD_FAILURE() << "cannot start " << commandLine << ": error " << ::GetLastError();
            return kStillRunning;
        }
        const win32::ScopedKernelHandle child(process.hProcess);
        const win32::ScopedKernelHandle thread(process.hThread);
        DWORD exitCode = kStillRunning;
        if (::WaitForSingleObject(child.Get(), kChildTimeoutMs) == WAIT_OBJECT_0) {
            ::GetExitCodeProcess(child.Get(), &exitCode);
        } else {
            ::TerminateProcess(child.Get(), 1);
        }
        return exitCode;
    }

    // Today's dump files; a dump starts with the signature "MDMP".
    std::vector<std::string> DumpsWithSignature() const {
        std::vector<std::string> dumps;
        for (const std::string& name : FilesMatching(LogFolder() + "Ostrilo-*.dmp")) {
            if (wintest::ContentOf(LogFolder() + name).compare(0, 4, "MDMP") == 0) dumps.push_back(name);
        }
        return dumps;
    }

    void ExpectOneDumpNamedForToday() const {
        const auto dumps = DumpsWithSignature();
        ASSERT_EQ(dumps.size(), 1u) << "expected one minidump in " << LogFolder();
        EXPECT_THAT(dumps[0], MatchesRegex("Ostrilo-" + Today("%04u-%02u-%02u") + "-\\d\\d\\d\\d\\d\\d\\.dmp"));
    }

    const wintest::TempFolder folder_{"crash"};
    const std::string& programFolder_ = folder_.Path();
};

TEST_F(CrashReporterTest, AccessViolationAppendsOneLineToTheDaysLogWritesADumpAndEndsWithItsCode) {
    ASSERT_TRUE(::CreateDirectoryA(LogFolder().c_str(), nullptr));
    const std::string earlier = "12:00:00.000\tOstrilo started\r\n";
    std::ofstream(LogFolder() + Today("%04u-%02u-%02u.Log"), std::ios::binary) << earlier;

    EXPECT_EQ(RunChild("access-violation"), 0xC0000005u);
    const std::string log = DayLog();
    ASSERT_EQ(log.compare(0, earlier.size(), earlier), 0) << log;
    EXPECT_THAT(log.substr(earlier.size()),
                MatchesRegex("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\tOstrilo crashed: exception 0xC0000005 at 0x\\w+\r\n"));
    ExpectOneDumpNamedForToday();
}

TEST_F(CrashReporterTest, TerminateAndStackOverflowAreReportedIntoANewLogFolderWithADump) {
    const struct {
        const char* mode;
        DWORD exitCode;
        const char* line;
    } crashes[] = {
        {"terminate", 3u, "\tOstrilo crashed: std::terminate called (unhandled C++ exception)\r\n"},
        // Reported from a fresh stack: the overflowed one has no room left.
        {"stack-overflow", 0xC00000FDu, "\tOstrilo crashed: exception 0xC00000FD at 0x"},
    };
    for (const auto& crash : crashes) {
        wintest::RemoveTree(LogFolder());
        EXPECT_EQ(RunChild(crash.mode), crash.exitCode) << crash.mode;
        EXPECT_THAT(DayLog(), HasSubstr(crash.line)) << crash.mode;
        ExpectOneDumpNamedForToday();
    }
}

TEST_F(CrashReporterTest, NormalEndLeavesNoReport) {
    EXPECT_EQ(RunChild("normal-end"), 0u);
    EXPECT_EQ(DayLog(), "");
    EXPECT_TRUE(DumpsWithSignature().empty());
}

}  // namespace
}  // namespace ostrilo
