// The outside libraries' adapters with the simulated libraries, copied into a private
// folder per test, scripted through their control files and checked through their
// journals; and the adapters' own cases that the real program under Wine does not stage.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "test_folder.h"
#include "win32/dynamic_library.h"
#include "win32/scoped_handles.h"
#include "win32/win32_halvex_client.h"
#include "win32/win32_wincc_bridge.h"

namespace ostrilo::win32 {
namespace {

using Lines = std::vector<std::string>;

class OutsideLibraries : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* dll : {"Ostrilo.dll", "Halvex2.dll", "Halvex3.dll"}) {
            ASSERT_TRUE(folder_.CopySimulator(dll)) << dll << " not found (OSTRILO_SIM_DIR)";
        }
    }

    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder_.Path() + name, std::ios::binary | std::ios::trunc) << bytes;
    }
    void Append(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder_.Path() + name, std::ios::binary | std::ios::app) << bytes;
    }
    Lines JournalLines(const std::string& name) const {
        std::ifstream journal(folder_.Path() + name, std::ios::binary);
        Lines lines;
        for (std::string line; std::getline(journal, line);) lines.push_back(line);
        return lines;
    }

    // The next message as the program would see it: the first `count` bytes.
    std::string NextMessage() {
        char buffer[256];
        const auto count = bridge_.GetWinCCMsgServiceMessage(buffer, sizeof buffer);
        return count && *count > 0 ? std::string(buffer, static_cast<std::size_t>(*count)) : std::string();
    }

    wintest::TempFolder folder_{"sim"};
    Win32WinCCBridge bridge_{folder_.Path() + "Ostrilo.dll"};  // loaded at its first call
};

TEST_F(OutsideLibraries, BridgeFollowsItsControlFileRewrittenWhileLoaded) {
    Write("Ostrilo.control",
          "# plant A\nversion=7\r\nconnect_result = 0\nproject= Linie \\xE9\\x22\nerror_words=4,-1,x,3\n"
          "error_text=Lost\\tlink\n");
    EXPECT_EQ(bridge_.GetDLLVersion(), 7);
    EXPECT_EQ(bridge_.ConnectWinCCDMProc(), 0);
    char buffer[32];
    ASSERT_EQ(bridge_.GetWinCCRuntimeProject(buffer, sizeof buffer), 8);
    EXPECT_EQ(std::string(buffer, 8), "Linie \xE9\"");
    std::int32_t words[5] = {9, 9, 9, 9, 9};
    ASSERT_EQ(bridge_.GetWinCCCmnError(words, buffer, sizeof buffer), 9);
    EXPECT_EQ(std::string(buffer, 9), "Lost\tlink");
    EXPECT_EQ(std::vector<std::int32_t>(words, words + 5), (std::vector<std::int32_t>{4, -1, 0, 3, 0}));

    Write("Ostrilo.control", "project=\nversion=3\n");
    EXPECT_EQ(bridge_.GetWinCCRuntimeProject(buffer, sizeof buffer), 0);
    EXPECT_EQ(bridge_.GetDLLVersion(), 3);
    // Same size and, as coarse file times allow, the same last-write time: still noticed.
    const std::string control = folder_.Path() + "Ostrilo.control";
    WIN32_FILE_ATTRIBUTE_DATA first{};
    ::GetFileAttributesExA(control.c_str(), GetFileExInfoStandard, &first);
    Write("Ostrilo.control", "project=\nversion=4\n");
    {
        const ScopedFileHandle file(::CreateFileA(control.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        ::SetFileTime(file.Get(), nullptr, nullptr, &first.ftLastWriteTime);
    }
    EXPECT_EQ(bridge_.GetDLLVersion(), 4);

    ::DeleteFileA(control.c_str());
    EXPECT_EQ(bridge_.GetDLLVersion(), 2) << "a removed control file brings back the defaults";
}

TEST_F(OutsideLibraries, BridgeHandsOverMessagesInOrderOnlyWhileServiceStartedAndProjectRuns) {
    Append("Ostrilo.messages", "first\nA\\r\\nB\n\nback\\\\slash \xE9t\xE9\r\nlast\n");
    EXPECT_EQ(NextMessage(), "") << "service not started";
    bridge_.StartWinCCMsgService();
    EXPECT_EQ(NextMessage(), "") << "no project running";
    Write("Ostrilo.control", "project=P\n");
    EXPECT_EQ(NextMessage(), "first");
    EXPECT_EQ(NextMessage(), "A\r\nB");
    EXPECT_EQ(NextMessage(), "back\\slash \xE9t\xE9") << "empty line skipped, CRLF line end dropped";
    bridge_.StopWinCCMsgService();
    EXPECT_EQ(NextMessage(), "") << "service stopped";
    Write("Ostrilo.control", "messages_need_service=0\nmessages_need_project=0\n");
    EXPECT_EQ(NextMessage(), "last") << "the gate can be switched off";
    EXPECT_EQ(NextMessage(), "");
}

TEST_F(OutsideLibraries, BridgeQueueReadsOnlyCompleteLinesAndRestartsWhenTheFileShrinks) {
    Write("Ostrilo.control", "project=P\nmessages_need_service=0\n");
    Append("Ostrilo.messages", "abc");
    EXPECT_EQ(NextMessage(), "") << "a line without its line feed is still being written";
    Append("Ostrilo.messages", "def\nnext\n");
    EXPECT_EQ(NextMessage(), "abcdef");
    EXPECT_EQ(NextMessage(), "next");
    Write("Ostrilo.messages", "new\n");
    EXPECT_EQ(NextMessage(), "new");
    EXPECT_EQ(NextMessage(), "");
}

TEST_F(OutsideLibraries, BridgeFaultsLieAboutCountAndTerminator) {
    Write("Ostrilo.control", "project=P\nmessages_need_service=0\nmessage_count=30000\nmessage_unterminated=1\n");
    Append("Ostrilo.messages", "abc\nxyz\n");
    char buffer[8];
    EXPECT_EQ(bridge_.GetWinCCMsgServiceMessage(buffer, sizeof buffer), 30000);
    EXPECT_EQ(std::string(buffer, 8), "abc~~~~~") << "whole buffer filled, no terminator";
    Write("Ostrilo.control", "project=P\nmessages_need_service=0\nmessage_count=-3\n");
    EXPECT_EQ(bridge_.GetWinCCMsgServiceMessage(buffer, sizeof buffer), -3);
    EXPECT_EQ(std::string(buffer, 4), std::string("xyz\0", 4));
    EXPECT_EQ(bridge_.GetWinCCMsgServiceMessage(buffer, sizeof buffer), 0)
        << "an injected count applies only to a message handed over";
}

TEST_F(OutsideLibraries, JournalsRecordEveryCallWithEscapedArgumentsAndResult) {
    Write("Ostrilo.control", "project=Pl\\\"ant\nerror_words=7,1,2,3,4\nerror_text=gone\n");
    Append("Ostrilo.messages", "A\\r\\nB \xE9\\x01\n");
    char buffer[64];
    std::int32_t words[5];
    bridge_.StartWinCCMsgService();
    bridge_.GetWinCCRuntimeProject(buffer, 64);
    bridge_.GetWinCCCmnError(words, buffer, 3);
    bridge_.GetWinCCMsgServiceMessage(buffer, 64);
    bridge_.DisconnectWinCCDMProc();
    EXPECT_EQ(JournalLines("Ostrilo.journal"), (Lines{
                                                   "StartWinCCMsgService -> 1",
                                                   "GetWinCCRuntimeProject 64 -> 6 \"Pl\\\"ant\"",
                                                   "GetWinCCCmnError 3 -> 3 7,1,2,3,4 \"gon\"",
                                                   "GetWinCCMsgServiceMessage 64 0 -> 7 \"A\\r\\nB \xE9\\x01\"",
                                                   "DisconnectWinCCDMProc -> 1",
                                               }));

    Write("Halvex3.control", "running=-7\n");
    Win32HalvexClient halvex2(folder_.Path() + "Halvex2.dll");
    Win32HalvexClient halvex3(folder_.Path() + "Halvex3.dll");
    halvex2.SetCommandEntry("TA:a|b \xE4\"\\\x7F||24", 0);
    EXPECT_EQ(halvex3.GetRunningApps(1), -7);
    EXPECT_EQ(JournalLines("Halvex2.journal"), Lines{"SetCommandEntry \"TA:a|b \xE4\\\"\\\\\\x7F||24\" 0 -> 0"});
    EXPECT_EQ(JournalLines("Halvex3.journal"), Lines{"GetRunningApps 1 -> -7"});
}

TEST_F(OutsideLibraries, CommandTextIsTerminatedAfterItsLastByte) {
    Win32HalvexClient halvex(folder_.Path() + "Halvex2.dll");
    // A substring shares its bytes with a longer text; the library must see only its own part.
    const std::string longer = "TA:first||24 and more";
    EXPECT_TRUE(halvex.SetCommandEntry(longer.substr(0, 12), 0));
    EXPECT_EQ(wintest::ContentOf(folder_.Path() + "Halvex2.journal"), "SetCommandEntry \"TA:first||24\" 0 -> 0\n");
}

TEST_F(OutsideLibraries, MissingLibraryFailsOnlyItsCallsAndIsLoadedOnceItAppearsAfterTheRetryWindow) {
    const std::string file = folder_.Path() + "Ostrilo.dll";
    ASSERT_TRUE(::DeleteFileA(file.c_str()));
    std::uint64_t now = 50000;
    Win32WinCCBridge bridge(file, [&now] { return now; });
    char buffer[16] = {};

    EXPECT_FALSE(bridge.GetDLLVersion().has_value());
    EXPECT_FALSE(bridge.StartWinCCMsgService());
    EXPECT_FALSE(bridge.GetWinCCRuntimeProject(buffer, sizeof buffer).has_value());

    ASSERT_TRUE(folder_.CopySimulator("Ostrilo.dll"));
    now += DynamicLibrary::kRetryIntervalMs - 1;
    EXPECT_FALSE(bridge.GetDLLVersion().has_value()) << "a failed load was repeated inside the retry window";

    now += 1;
    EXPECT_EQ(bridge.GetDLLVersion(), 2);
    // Loaded once, the library stays: no more waiting, whatever the clock says.
    EXPECT_TRUE(bridge.StartWinCCMsgService());
}

TEST_F(OutsideLibraries, LibraryWithoutTheEntryPointFailsThatCallOnly) {
    const std::string halvexFile = folder_.Path() + "Halvex2.dll";
    Win32WinCCBridge wrongLibrary(halvexFile);
    EXPECT_FALSE(wrongLibrary.GetDLLVersion().has_value());

    DynamicLibrary library(halvexFile);
    EXPECT_EQ(library.FindEntryPoint("GetDLLVersion"), nullptr);
    EXPECT_NE(library.FindEntryPoint("GetRunningApps"), nullptr);
}

}  // namespace
}  // namespace ostrilo::win32
