// What a real crash leaves, seen through a child (this program run as "crash FOLDER\ MODE") that installs
// the crash reporter and fails as told: one line in the day's log, a minidump beside it, the crash's code.

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "win32/crash_reporter.h"

namespace {

// Opaque to the optimiser, so the faulting write and the recursion really happen.
volatile std::uintptr_t g_badAddress = 0x10;
volatile int g_depthLimit = 1 << 30;

int Recurse(int depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return depth >= g_depthLimit ? frame[0] : Recurse(depth + 1) + frame[0];
}

int Crash(const char* folder, const char* mode) {
    ostrilo::win32::InstallCrashReporter(folder);
    if (std::strcmp(mode, "AccessViolation") == 0) *reinterpret_cast<volatile int*>(g_badAddress) = 1;
    if (std::strcmp(mode, "Terminate") == 0) throw std::runtime_error("nobody catches this");
    return std::strcmp(mode, "StackOverflow") == 0 ? Recurse(0) : 2;
}

std::string Today() {
    char text[16] = {};
    ::GetDateFormatA(LOCALE_INVARIANT, 0, nullptr, "yyyy-MM-dd", text, sizeof text);
    return text;
}

std::string ContentOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

class CrashReporterTest : public testing::TestWithParam<std::tuple<const char*, DWORD, const char*>> {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "ostrilo-crash-" + std::to_string(::GetCurrentProcessId()) + "-" +
                  std::get<0>(GetParam()) + "\\";
        ::CreateDirectoryA(folder_.c_str(), nullptr);
    }

    // The child's exit code; it is killed after a minute.
    DWORD RunChild(const std::string& mode) {
        char self[MAX_PATH] = {};
        const std::string program(self, ::GetModuleFileNameA(nullptr, self, MAX_PATH));
        // The folder's last backslash is doubled, or it would escape the closing quote.
        std::string commandLine = "\"" + program + "\" crash \"" + folder_ + "\\\" " + mode;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &child)) {
            return ADD_FAILURE() << "cannot start " << commandLine, 0;
        }
        DWORD exitCode = 0;
        if (::WaitForSingleObject(child.hProcess, 60000) != WAIT_OBJECT_0) ::TerminateProcess(child.hProcess, 1);
        ::GetExitCodeProcess(child.hProcess, &exitCode);
        ::CloseHandle(child.hThread);
        ::CloseHandle(child.hProcess);
        return exitCode;
    }

    std::string folder_;
};

TEST_P(CrashReporterTest, AppendsOneLineToTheDaysLogWritesADumpAndEndsWithTheCrashCode) {
    const auto [mode, exitCode, line] = GetParam();
    const std::string logFolder = folder_ + "LogFiles\\";
    const std::string earlier = "12:00:00.000\tOstrilo started\r\n";
    ::CreateDirectoryA(logFolder.c_str(), nullptr);
    std::ofstream(logFolder + Today() + ".Log", std::ios::binary) << earlier;

    EXPECT_EQ(RunChild(mode), exitCode);
    EXPECT_THAT(ContentOf(logFolder + Today() + ".Log"),
                testing::MatchesRegex(earlier + "\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\tOstrilo crashed: " + line + "\r\n"));
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((logFolder + "Ostrilo-*.dmp").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no minidump";
    EXPECT_THAT(found.cFileName, testing::MatchesRegex("Ostrilo-" + Today() + "-\\d\\d\\d\\d\\d\\d\\.dmp"));
    EXPECT_EQ(ContentOf(logFolder + found.cFileName).substr(0, 4), "MDMP");
    EXPECT_FALSE(::FindNextFileA(search, &found)) << "one dump only";
    ::FindClose(search);
}

INSTANTIATE_TEST_SUITE_P(
    Crashes, CrashReporterTest,
    testing::Values(std::make_tuple("AccessViolation", 0xC0000005u, "exception 0xC0000005 at 0x\\w+"),
                    std::make_tuple("Terminate", 3u, "std::terminate called \\(unhandled C\\+\\+ exception\\)"),
                    // Reported from a fresh stack: the overflowed one has no room left.
                    std::make_tuple("StackOverflow", 0xC00000FDu, "exception 0xC00000FD at 0x\\w+")),
    [](const auto& info) { return std::string(std::get<0>(info.param)); });

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "crash") == 0) return Crash(argv[2], argv[3]);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
