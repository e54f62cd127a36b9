// The simulated outside libraries, loaded by full path from a private folder the way the
// program loads them, scripted through their files and checked through their journals.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "test_folder.h"
#include "win32/outside_libraries_abi.h"

namespace {

// A fresh folder holding copies of the built simulators.
class SimulatorFolder : public ostrilo::wintest::TempFolder {
public:
    SimulatorFolder() : TempFolder("sim") {
        for (const char* dll : {"Ostrilo.dll", "Halvex2.dll", "Halvex3.dll"}) copied_ = CopySimulator(dll) && copied_;
    }

    bool Copied() const { return copied_; }

    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path() + name, std::ios::binary | std::ios::trunc) << bytes;
    }
    void Append(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path() + name, std::ios::binary | std::ios::app) << bytes;
    }
    FILETIME LastWriteTime(const std::string& name) const {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExA((Path() + name).c_str(), GetFileExInfoStandard, &data);
        return data.ftLastWriteTime;
    }
    void SetLastWriteTime(const std::string& name, const FILETIME& time) const {
        HANDLE file = CreateFileA((Path() + name).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }
    std::vector<std::string> JournalLines(const std::string& name) const {
        std::ifstream journal(Path() + name, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(journal, line);) lines.push_back(line);
        return lines;
    }

private:
    bool copied_ = true;
};

class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    ~LoadedLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool IsLoaded() const { return module_ != nullptr; }
    template <typename Function>
    Function Bind(const char* name) const {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// Each test gets its own folder and a freshly loaded library, so no state carries over.
class BridgeSimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Copied()) << "simulators not found (OSTRILO_SIM_DIR)";
        library_ = std::make_unique<LoadedLibrary>(folder_.Path() + "Ostrilo.dll");
        ASSERT_TRUE(library_->IsLoaded());
        version_ = library_->Bind<GetDLLVersionFn>("GetDLLVersion");
        connect_ = library_->Bind<ConnectWinCCDMProcFn>("ConnectWinCCDMProc");
        disconnect_ = library_->Bind<DisconnectWinCCDMProcFn>("DisconnectWinCCDMProc");
        start_ = library_->Bind<StartWinCCMsgServiceFn>("StartWinCCMsgService");
        stop_ = library_->Bind<StopWinCCMsgServiceFn>("StopWinCCMsgService");
        project_ = library_->Bind<GetWinCCRuntimeProjectFn>("GetWinCCRuntimeProject");
        error_ = library_->Bind<GetWinCCCmnErrorFn>("GetWinCCCmnError");
        message_ = library_->Bind<GetWinCCMsgServiceMessageFn>("GetWinCCMsgServiceMessage");
        ASSERT_TRUE(version_ && connect_ && disconnect_ && start_ && stop_ && project_ && error_ && message_);
    }

    // The next message as the program would see it: the first `count` bytes.
    std::string NextMessage(std::int16_t capacity = 256) {
        std::vector<char> buffer(capacity);
        const std::int16_t count = message_(buffer.data(), capacity, 0);
        return count <= 0 ? std::string() : std::string(buffer.data(), count);
    }
    std::vector<std::string> Journal() const { return folder_.JournalLines("Ostrilo.journal"); }

    SimulatorFolder folder_;
    std::unique_ptr<LoadedLibrary> library_;
    GetDLLVersionFn version_ = nullptr;
    ConnectWinCCDMProcFn connect_ = nullptr;
    DisconnectWinCCDMProcFn disconnect_ = nullptr;
    StartWinCCMsgServiceFn start_ = nullptr;
    StopWinCCMsgServiceFn stop_ = nullptr;
    GetWinCCRuntimeProjectFn project_ = nullptr;
    GetWinCCCmnErrorFn error_ = nullptr;
    GetWinCCMsgServiceMessageFn message_ = nullptr;
};

TEST_F(BridgeSimulatorTest, FollowsControlFileRewrittenWhileLoaded) {
    folder_.Write("Ostrilo.control",
                  "# plant A\nversion=7\r\nconnect_result = 0\nproject= Linie \\xE9\\x22\nerror_words=4,-1,x,3\n"
                  "error_text=Lost\\tlink\n");
    EXPECT_EQ(version_(), 7);
    EXPECT_EQ(connect_(), 0);
    char buffer[32];
    ASSERT_EQ(project_(buffer, sizeof buffer), 8);
    EXPECT_EQ(std::string(buffer, 8), "Linie \xE9\"");
    std::int32_t words[5] = {9, 9, 9, 9, 9};
    ASSERT_EQ(error_(&words[0], &words[1], &words[2], &words[3], &words[4], buffer, sizeof buffer), 9);
    EXPECT_EQ(std::string(buffer, 9), "Lost\tlink");
    EXPECT_EQ(std::vector<std::int32_t>(words, words + 5), (std::vector<std::int32_t>{4, -1, 0, 3, 0}));

    folder_.Write("Ostrilo.control", "project=\nversion=3\n");
    EXPECT_EQ(project_(buffer, sizeof buffer), 0);
    EXPECT_EQ(version_(), 3);
    // Same size and, as coarse file times allow, the same last-write time: still noticed.
    const FILETIME firstWrite = folder_.LastWriteTime("Ostrilo.control");
    folder_.Write("Ostrilo.control", "project=\nversion=4\n");
    folder_.SetLastWriteTime("Ostrilo.control", firstWrite);
    EXPECT_EQ(version_(), 4);

    DeleteFileA((folder_.Path() + "Ostrilo.control").c_str());
    EXPECT_EQ(version_(), 2) << "a removed control file brings back the defaults";
}

TEST_F(BridgeSimulatorTest, HandsOverMessagesInOrderOnlyWhileServiceStartedAndProjectRuns) {
    folder_.Append("Ostrilo.messages", "first\nA\\r\\nB\n\nback\\\\slash \xE9t\xE9\r\nlast\n");
    EXPECT_EQ(NextMessage(), "") << "service not started";
    start_();
    EXPECT_EQ(NextMessage(), "") << "no project running";
    folder_.Write("Ostrilo.control", "project=P\n");
    EXPECT_EQ(NextMessage(), "first");
    EXPECT_EQ(NextMessage(), "A\r\nB");
    EXPECT_EQ(NextMessage(), "back\\slash \xE9t\xE9") << "empty line skipped, CRLF line end dropped";
    stop_();
    EXPECT_EQ(NextMessage(), "") << "service stopped";
    folder_.Write("Ostrilo.control", "messages_need_service=0\nmessages_need_project=0\n");
    EXPECT_EQ(NextMessage(), "last") << "the gate can be switched off";
    EXPECT_EQ(NextMessage(), "");
}

TEST_F(BridgeSimulatorTest, MessageQueueReadsOnlyCompleteLinesAndRestartsWhenFileShrinks) {
    folder_.Write("Ostrilo.control", "project=P\n");
    start_();
    folder_.Append("Ostrilo.messages", "abc");
    EXPECT_EQ(NextMessage(), "") << "a line without its line feed is still being written";
    folder_.Append("Ostrilo.messages", "def\nnext\n");
    EXPECT_EQ(NextMessage(), "abcdef");
    EXPECT_EQ(NextMessage(), "next");
    folder_.Write("Ostrilo.messages", "new\n");
    EXPECT_EQ(NextMessage(), "new");
    EXPECT_EQ(NextMessage(), "");
}

TEST_F(BridgeSimulatorTest, InjectedFaultsLieAboutCountAndTerminator) {
    folder_.Write("Ostrilo.control", "project=P\nmessage_count=30000\nmessage_unterminated=1\n");
    start_();
    folder_.Append("Ostrilo.messages", "abc\nxyz\n");
    char buffer[8];
    EXPECT_EQ(message_(buffer, sizeof buffer, 0), 30000);
    EXPECT_EQ(std::string(buffer, 8), "abc~~~~~") << "whole buffer filled, no terminator";
    folder_.Write("Ostrilo.control", "project=P\nmessage_count=-3\n");
    EXPECT_EQ(message_(buffer, sizeof buffer, 0), -3);
    EXPECT_EQ(std::string(buffer, 4), std::string("xyz\0", 4));
    EXPECT_EQ(message_(buffer, sizeof buffer, 0), 0) << "an injected count applies only to a message handed over";
}

TEST_F(BridgeSimulatorTest, JournalRecordsEveryCallWithArgumentsAndResult) {
    folder_.Write("Ostrilo.control", "project=Pl\\\"ant\nerror_words=7,1,2,3,4\nerror_text=gone\n");
    folder_.Append("Ostrilo.messages", "A\\r\\nB \xE9\\x01\n");
    char buffer[64];
    std::int32_t w[5];
    version_();
    connect_();
    start_();
    project_(buffer, 64);
    error_(&w[0], &w[1], &w[2], &w[3], &w[4], buffer, 3);
    message_(buffer, 64, 0);
    message_(buffer, 64, 0);
    stop_();
    disconnect_();
    EXPECT_EQ(Journal(), (std::vector<std::string>{
                             "GetDLLVersion -> 2",
                             "ConnectWinCCDMProc -> 1",
                             "StartWinCCMsgService -> 1",
                             "GetWinCCRuntimeProject 64 -> 6 \"Pl\\\"ant\"",
                             "GetWinCCCmnError 3 -> 3 7,1,2,3,4 \"gon\"",
                             "GetWinCCMsgServiceMessage 64 0 -> 7 \"A\\r\\nB \xE9\\x01\"",
                             "GetWinCCMsgServiceMessage 64 0 -> 0",
                             "StopWinCCMsgService -> 1",
                             "DisconnectWinCCDMProc -> 1",
                         }));
}

TEST(HalvexSimulator, EachGenerationJournalsTheExactCommandTextAndItsScriptedRunningValue) {
    SimulatorFolder folder;
    ASSERT_TRUE(folder.Copied()) << "simulators not found (OSTRILO_SIM_DIR)";
    const LoadedLibrary halvex2(folder.Path() + "Halvex2.dll");
    const LoadedLibrary halvex3(folder.Path() + "Halvex3.dll");
    const auto command2 = halvex2.Bind<SetCommandEntryFn>("SetCommandEntry");
    const auto running3 = halvex3.Bind<GetRunningAppsFn>("GetRunningApps");
    ASSERT_TRUE(command2 && running3);
    folder.Write("Halvex3.control", "running=-7\n");
    command2("TA:a|b \xE4\"\\\x7F||24", 0);
    command2(nullptr, 3);
    EXPECT_EQ(running3(1), -7);
    EXPECT_EQ(folder.JournalLines("Halvex2.journal"),
              (std::vector<std::string>{"SetCommandEntry \"TA:a|b \xE4\\\"\\\\\\x7F||24\" 0 -> 0",
                                        "SetCommandEntry null 3 -> 0"}));
    EXPECT_EQ(folder.JournalLines("Halvex3.journal"), (std::vector<std::string>{"GetRunningApps 1 -> -7"}));
}

}  // namespace
