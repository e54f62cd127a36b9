#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "logging/log_retention.h"
#include "logging/log_sink.h"
#include "unit/fakes/fake_logging.h"
#include "win32/scoped_handles.h"
#include "win32/win32_clock.h"
#include "win32/win32_file_system.h"

namespace ostrilo {
namespace {

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ContentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CreateWithContent(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    const win32::ScopedFindHandle search(::FindFirstFileA((folder + "*").c_str(), &found));
    if (search.IsValid()) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path + "\\");
            } else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(search.Get(), &found));
    }
    ::RemoveDirectoryA(folder.c_str());
}

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
    void SetUp() override {
        char temp[MAX_PATH + 1] = {};
        ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
        appDirectory = std::string(temp) + "ostrilo-log-" + std::to_string(::GetCurrentProcessId()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
        RemoveTree(appDirectory);
        ASSERT_TRUE(::CreateDirectoryA(appDirectory.c_str(), nullptr));
        logFolder = appDirectory + "LogFiles\\";
        sink.AttachList(&list);
    }
    void TearDown() override { RemoveTree(appDirectory); }

    std::string appDirectory;
    std::string logFolder;
    win32::Win32Clock clock;
    win32::Win32FileSystem files;
    logging_fakes::MemoryLogList list;
    LogSink sink{clock, files, appDirectory};
    DayFileRetention retention{clock, files, appDirectory};
};

TEST_F(LogFilesTest, MessageLandsInTodaysFileAsStampedLine) {
    sink.WriteLog("first");
    sink.WriteLog("-----");

    const std::string content = ContentOf(logFolder + TodaysFileName());
    // "HH:NN:SS.mmm" with Wine's default separator ":".
    ASSERT_EQ(content.size(), 12u + 1 + 5 + 2 + 5 + 2) << content;
    EXPECT_EQ(content[2], ':');
    EXPECT_EQ(content[8], '.');
    EXPECT_EQ(content.substr(12), "\tfirst\r\n-----\r\n");
    EXPECT_EQ(list.lines.size(), 1u);
}

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
    EXPECT_EQ(ContentOf(dayFile), "");
    sink.WriteLog("after");
    EXPECT_NE(ContentOf(dayFile).find("\tafter\r\n"), std::string::npos);
}

TEST_F(LogFilesTest, DeletedLogFolderIsCreatedAnewByNextMessage) {
    sink.WriteLog("before");
    RemoveTree(logFolder);
    ASSERT_FALSE(Exists(logFolder));

    sink.WriteLog("after");
    const std::string content = ContentOf(logFolder + TodaysFileName());
    EXPECT_EQ(content.substr(12), "\tafter\r\n");
}

TEST_F(LogFilesTest, RetentionDeletesOldReadOnlyDayFileOnly) {
    ASSERT_TRUE(::CreateDirectoryA(logFolder.c_str(), nullptr));
    const std::string old = logFolder + "2000-01-01.log";
    CreateWithContent(old, "old");
    ASSERT_TRUE(::SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::vector<std::string> kept = {logFolder + TodaysFileName(), logFolder + "2000-01-01.Txt",
                                           logFolder + "2000-1-01.Log", logFolder + "notes.txt",
                                           appDirectory + "2000-01-02.Log"};
    for (const std::string& path : kept) CreateWithContent(path, "x");

    retention.DeleteOldLogFiles(".Log", 60);

    EXPECT_FALSE(Exists(old));
    for (const std::string& path : kept) EXPECT_TRUE(Exists(path)) << path;
}

TEST_F(LogFilesTest, ListingLeavesOutFoldersHiddenAndSystemFiles) {
    ASSERT_TRUE(::CreateDirectoryA(logFolder.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((logFolder + "2000-01-01.Log").c_str(), nullptr));
    CreateWithContent(logFolder + "2000-01-02.Log", "x");
    CreateWithContent(logFolder + "2000-01-03.Log", "x");
    CreateWithContent(logFolder + "2000-01-04.Log", "x");
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
