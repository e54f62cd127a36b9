#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "logging/log_sink.h"
#include "test_folder.h"
#include "unit/fakes/fake_logging.h"
#include "win32/scoped_handles.h"
#include "win32/win32_clock.h"
#include "win32/win32_file_system.h"

namespace ostrilo {
namespace {

std::string TodaysFileName() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char name[32];
    std::snprintf(name, sizeof name, "%04u-%02u-%02u.Log", now.wYear, now.wMonth, now.wDay);
    return name;
}

// Each test gets its own AppDirectory below the temp folder, removed afterwards.
class LogFilesTest : public ::testing::Test {
protected:
    void SetUp() override { sink.AttachList(&list); }

    wintest::TempFolder folder{"log"};
    std::string appDirectory = folder.Path();
    std::string logFolder = appDirectory + "LogFiles\\";
    win32::Win32Clock clock;
    win32::Win32FileSystem files;
    logging_fakes::MemoryLogList list;
    LogSink sink{clock, files, appDirectory};
};

TEST_F(LogFilesTest, FileHeldExclusivelyByAnotherProgramStillListsTheLine) {
    ASSERT_TRUE(::CreateDirectoryA(logFolder.c_str(), nullptr));
    const std::string dayFile = logFolder + TodaysFileName();
    {
        const win32::ScopedFileHandle held(::CreateFileA(dayFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.IsValid());
        EXPECT_NO_THROW(sink.WriteLog("while locked"));
        ASSERT_EQ(list.lines.size(), 1u);
        EXPECT_NE(list.lines[0].find("while locked"), std::string::npos);
    }
    EXPECT_EQ(wintest::ContentOf(dayFile), "");
    sink.WriteLog("after");
    EXPECT_NE(wintest::ContentOf(dayFile).find("\tafter\r\n"), std::string::npos);
}

TEST_F(LogFilesTest, DeletedLogFolderIsCreatedAnewByNextMessage) {
    sink.WriteLog("before");
    wintest::RemoveTree(logFolder);
    ASSERT_EQ(::GetFileAttributesA(logFolder.c_str()), INVALID_FILE_ATTRIBUTES);

    sink.WriteLog("after");
    const std::string content = wintest::ContentOf(logFolder + TodaysFileName());
    EXPECT_EQ(content.substr(12), "\tafter\r\n");
}

TEST_F(LogFilesTest, ListingLeavesOutFoldersHiddenAndSystemFiles) {
    ASSERT_TRUE(::CreateDirectoryA(logFolder.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((logFolder + "2000-01-01.Log").c_str(), nullptr));
    for (const char* name : {"2000-01-02.Log", "2000-01-03.Log", "2000-01-04.Log"}) {
        std::ofstream(logFolder + name) << "x";
    }
    ASSERT_TRUE(::SetFileAttributesA((logFolder + "2000-01-03.Log").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(::SetFileAttributesA((logFolder + "2000-01-04.Log").c_str(), FILE_ATTRIBUTE_SYSTEM));

    EXPECT_EQ(files.ListFiles(logFolder, "*.Log"), std::vector<std::string>{"2000-01-02.Log"});
    EXPECT_TRUE(files.ListFiles(appDirectory + "missing\\", "*").empty());
}

TEST(Win32ClockTest, SecondsSinceMidnightAgreesWithLocalTime) {
    win32::Win32Clock clock;
    const platform::LocalDateTime now = clock.Now();
    const double seconds = clock.SecondsSinceMidnight();
    const double fromFields = now.hour * 3600.0 + now.minute * 60.0 + now.second;
    const double difference = seconds - fromFields;
    // Across midnight the counter restarts; otherwise the two readings lie within a second or two.
    EXPECT_TRUE((difference >= 0 && difference < 2) || seconds < 2) << seconds << " vs " << fromFields;
    EXPECT_EQ(clock.TimeSeparator(), ":");
}

}  // namespace
}  // namespace ostrilo
