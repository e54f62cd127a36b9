// The adapters of Ostrilo.dll, Halvex2.dll and Halvex3.dll against the simulator DLLs,
// copied into a private folder per test and scripted through their control files.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "win32/dynamic_library.h"
#include "win32/win32_halvex_client.h"
#include "win32/win32_wincc_bridge.h"

namespace ostrilo::win32 {
namespace {

// The build's simulator folder as Wine sees it (Z: maps the Linux root), or empty.
std::string SimulatorFolder() {
    const char* linuxPath = std::getenv("OSTRILO_SIM_DIR");
    if (linuxPath == nullptr || *linuxPath == '\0') return {};
    std::string folder = std::string("Z:") + linuxPath + "\\";
    for (char& c : folder) {
        if (c == '/') c = '\\';
    }
    return folder;
}

class OutsideLibraries : public ::testing::Test {
protected:
    void SetUp() override {
        simulators_ = SimulatorFolder();
        if (simulators_.empty()) GTEST_SKIP() << "OSTRILO_SIM_DIR is not set";
        char temp[MAX_PATH] = {};
        ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
        static int counter = 0;
        folder_ = std::string(temp) + "ostrilo-libraries-" + std::to_string(::GetCurrentProcessId()) + "-" +
                  std::to_string(++counter) + "\\";
        ASSERT_TRUE(::CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    }

    void TearDown() override {
        if (folder_.empty()) return;
        WIN32_FIND_DATAA found{};
        HANDLE search = ::FindFirstFileA((folder_ + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                ::DeleteFileA((folder_ + found.cFileName).c_str());
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryA(folder_.c_str());
    }

    std::string Install(const std::string& library) {
        const std::string target = folder_ + library;
        EXPECT_TRUE(::CopyFileA((simulators_ + library).c_str(), target.c_str(), FALSE))
            << "cannot copy " << simulators_ << library;
        return target;
    }

    void WriteFile(const std::string& name, const std::string& content) {
        std::ofstream(folder_ + name, std::ios::binary) << content;
    }

    std::string ReadFile(const std::string& name) {
        std::ifstream in(folder_ + name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    std::string simulators_;
    std::string folder_;
};

TEST_F(OutsideLibraries, BridgeCallsPassTheirArgumentsAndResultsThrough) {
    WriteFile("Ostrilo.control",
              "version=7\nproject=Plant A\nerror_words=4,11,12,13,14\nerror_text=Link lost\nconnect_result=3\n");
    WriteFile("Ostrilo.messages", "Pump 1 failed\n");
    Win32WinCCBridge bridge(Install("Ostrilo.dll"));

    EXPECT_EQ(bridge.GetDLLVersion(), 7);
    EXPECT_EQ(bridge.ConnectWinCCDMProc(), 3);

    char buffer[256] = {};
    ASSERT_EQ(bridge.GetWinCCRuntimeProject(buffer, sizeof buffer), 7);
    EXPECT_EQ(std::string(buffer, 7), "Plant A");

    std::int32_t words[5] = {};
    ASSERT_EQ(bridge.GetWinCCCmnError(words, buffer, sizeof buffer), 9);
    EXPECT_EQ(std::string(buffer, 9), "Link lost");
    const std::int32_t expectedWords[5] = {4, 11, 12, 13, 14};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(words[i], expectedWords[i]) << "error word " << i + 1;

    EXPECT_TRUE(bridge.StartWinCCMsgService());
    ASSERT_EQ(bridge.GetWinCCMsgServiceMessage(buffer, sizeof buffer), 13);
    EXPECT_EQ(std::string(buffer, 13), "Pump 1 failed");
    EXPECT_TRUE(bridge.StopWinCCMsgService());
    EXPECT_TRUE(bridge.DisconnectWinCCDMProc());

    // The capacity goes through as given, and the reserved argument is always 0.
    const std::string journal = ReadFile("Ostrilo.journal");
    EXPECT_NE(journal.find("GetWinCCMsgServiceMessage 256 0 -> 13"), std::string::npos) << journal;
    EXPECT_NE(journal.find("StopWinCCMsgService -> 1\nDisconnectWinCCDMProc -> 1"), std::string::npos) << journal;
}

TEST_F(OutsideLibraries, HalvexClientAsksTheRightLibraryAndQueuesTheTextUnchanged) {
    WriteFile("Halvex2.control", "running=0\n");
    WriteFile("Halvex3.control", "running=5\n");
    Win32HalvexClient halvex2(Install("Halvex2.dll"));
    Win32HalvexClient halvex3(Install("Halvex3.dll"));

    EXPECT_EQ(halvex2.GetRunningApps(1), 0);
    EXPECT_EQ(halvex3.GetRunningApps(1), 5);

    // ANSI letters above 0x7F travel as they are.
    const std::string command = "TA:Kessel \xE4 \xFC" "ber Grenze||24";
    EXPECT_TRUE(halvex3.SetCommandEntry(command, 0));
    EXPECT_EQ(ReadFile("Halvex3.journal"), "GetRunningApps 1 -> 5\nSetCommandEntry \"" + command + "\" 0 -> 0\n");
    EXPECT_EQ(ReadFile("Halvex2.journal"), "GetRunningApps 1 -> 0\n");
}

TEST_F(OutsideLibraries, CommandTextIsTerminatedAfterItsLastByte) {
    Win32HalvexClient halvex(Install("Halvex2.dll"));
    // A substring shares its bytes with a longer text; the library must see only its own part.
    const std::string longer = "TA:first||24 and more";
    EXPECT_TRUE(halvex.SetCommandEntry(longer.substr(0, 12), 0));
    EXPECT_EQ(ReadFile("Halvex2.journal"), "SetCommandEntry \"TA:first||24\" 0 -> 0\n");
}

TEST_F(OutsideLibraries, BridgeLoadsOstriloDllByTheNormalLibrarySearch) {
    Install("Ostrilo.dll");
    ASSERT_TRUE(::SetDllDirectoryA(folder_.c_str()));
    {
        Win32WinCCBridge bridge;
        EXPECT_EQ(bridge.GetDLLVersion(), 2);
    }
    ::SetDllDirectoryA(nullptr);
}

TEST_F(OutsideLibraries, MissingLibraryFailsOnlyItsCallsAndIsLoadedOnceItAppearsAfterTheRetryWindow) {
    std::uint64_t now = 50000;
    Win32WinCCBridge bridge(folder_ + "Ostrilo.dll", [&now] { return now; });
    char buffer[16] = {};

    EXPECT_FALSE(bridge.GetDLLVersion().has_value());
    EXPECT_FALSE(bridge.StartWinCCMsgService());
    EXPECT_FALSE(bridge.GetWinCCRuntimeProject(buffer, sizeof buffer).has_value());

    Install("Ostrilo.dll");
    now += DynamicLibrary::kRetryIntervalMs - 1;
    EXPECT_FALSE(bridge.GetDLLVersion().has_value()) << "a failed load was repeated inside the retry window";

    now += 1;
    EXPECT_EQ(bridge.GetDLLVersion(), 2);
    // Loaded once, the library stays: no more waiting, whatever the clock says.
    EXPECT_TRUE(bridge.StartWinCCMsgService());
}

TEST_F(OutsideLibraries, LibraryWithoutTheEntryPointFailsThatCallOnly) {
    const std::string halvexFile = Install("Halvex2.dll");
    Win32WinCCBridge wrongLibrary(halvexFile);
    EXPECT_FALSE(wrongLibrary.GetDLLVersion().has_value());

    DynamicLibrary library(halvexFile);
    EXPECT_EQ(library.FindEntryPoint("GetDLLVersion"), nullptr);
    EXPECT_NE(library.FindEntryPoint("GetRunningApps"), nullptr);
}

TEST_F(OutsideLibraries, MissingHalvexLibraryReportsTheCallAsNotMade) {
    Win32HalvexClient halvex(folder_ + "Halvex3.dll");
    EXPECT_FALSE(halvex.GetRunningApps(1).has_value());
    EXPECT_FALSE(halvex.SetCommandEntry("TA:x||24", 0));
}

}  // namespace
}  // namespace ostrilo::win32
