// The adapters of the outside libraries against the simulator DLLs, copied into a private
// folder per test: the cases the real program under Wine does not stage.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "test_folder.h"
#include "win32/dynamic_library.h"
#include "win32/win32_halvex_client.h"
#include "win32/win32_wincc_bridge.h"

namespace ostrilo::win32 {
namespace {

class OutsideLibraries : public ::testing::Test {
protected:
    std::string Install(const std::string& library) {
        EXPECT_TRUE(folder_.CopySimulator(library)) << "cannot copy " << library << " (OSTRILO_SIM_DIR)";
        return folder_.Path() + library;
    }

    wintest::TempFolder folder_{"libraries"};
};

TEST_F(OutsideLibraries, CommandTextIsTerminatedAfterItsLastByte) {
    Win32HalvexClient halvex(Install("Halvex2.dll"));
    // A substring shares its bytes with a longer text; the library must see only its own part.
    const std::string longer = "TA:first||24 and more";
    EXPECT_TRUE(halvex.SetCommandEntry(longer.substr(0, 12), 0));
    EXPECT_EQ(wintest::ContentOf(folder_.Path() + "Halvex2.journal"), "SetCommandEntry \"TA:first||24\" 0 -> 0\n");
}

TEST_F(OutsideLibraries, MissingLibraryFailsOnlyItsCallsAndIsLoadedOnceItAppearsAfterTheRetryWindow) {
    std::uint64_t now = 50000;
    Win32WinCCBridge bridge(folder_.Path() + "Ostrilo.dll", [&now] { return now; });
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

}  // namespace
}  // namespace ostrilo::win32
