// Nobody may slip the program a library through the folder it happens to be started in:
// only its own folder, the system folders and PATH are searched.

#include <gtest/gtest.h>

#include <filesystem>

#include "harness/ostrilo_run.h"

namespace ostrilo::e2e {
namespace {

TEST_F(OstriloE2eTest, BridgeLibraryPlantedInTheStartFolderIsNotLoaded) {
    namespace fs = std::filesystem;
    run->RemoveProgramFile("Ostrilo.dll");
    // A working bridge simulator, which would journal every call it got.
    fs::copy_file(BuildOutputs::FromEnvironment().Simulator("Ostrilo.dll"), run->WorkingDirectory() / "Ostrilo.dll");
    run->WriteIni("[General]\r\nConnectionType=0\r\n");
    run->Start();
    ASSERT_TRUE(run->WaitForLog(
        "Ostrilo.DLL can not be found or is an obsolete version (< 1.0.0.2), no alarms will be sent to Halvex!"));
    EXPECT_FALSE(fs::exists(run->WorkingDirectory() / "Ostrilo.journal")) << "the planted library was loaded";
}

}  // namespace
}  // namespace ostrilo::e2e
