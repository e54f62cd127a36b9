#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/build_outputs.h"
#include "harness/child_process.h"
#include "harness/tcp_line_client.h"
#include "harness/temp_dir.h"
#include "harness/wine_prefix.h"

namespace ostrilo::e2e {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kDefaultWait = 20s;

// One run of Ostrilo.exe under Wine, seen from outside: a private prefix with its own
// wineserver, a program folder C:\Ostrilo\ holding the program and its libraries, and the
// means to configure, start, watch and drive it. Everything it started is ended and
// removed when it goes out of scope.
//
//   run->WriteIni("[General]\r\nConnectionType=1\r\n");   // run: see OstriloE2eTest
//   run->Start();
//   ASSERT_TRUE(run->WaitForLog("Ostrilo started as a normal application"));
//   run->Probe("close");
//   EXPECT_EQ(run->WaitForExit(), 0);
class OstriloRun {
public:
    // Throws std::runtime_error when the set-up fails.
    OstriloRun(const BuildOutputs& outputs, const RunLayout& layout);
    ~OstriloRun();
    OstriloRun(const OstriloRun&) = delete;
    OstriloRun& operator=(const OstriloRun&) = delete;

    // --- The program folder (before Start, or while it runs) ---
    const std::filesystem::path& ProgramDir() const { return programDir_; }
    // The folder as the program sees it, ending in a backslash: "C:\Ostrilo\".
    const std::string& WindowsProgramDir() const { return windowsProgramDir_; }
    // The folder the program is started in (a host folder that Wine maps to Z:), never its own.
    const std::filesystem::path& WorkingDirectory() const { return root_.Path(); }
    // Runs the program from the root of drive P: (P:\Ostrilo.exe) instead. Before Start.
    void PlaceProgramAtDriveRoot();
    void WriteIni(const std::string& text);
    // "<simulator>.control" beside the libraries, e.g. WriteControl("Halvex2", "...").
    void WriteControl(const std::string& simulator, const std::string& text);
    void WriteProgramFile(const std::string& relativePath, const std::string& bytes);
    // Takes a file away, e.g. RemoveProgramFile("Halvex3.dll") for a run without that library.
    void RemoveProgramFile(const std::string& relativePath);

    // --- HKLM\SOFTWARE\Fennmark\Ostrilo\Version 1 ---
    void SetRegistry(const std::string& name, const std::string& text);  // REG_SZ
    void SetRegistryDword(const std::string& name, std::uint32_t value);
    // Any Windows command in the prefix, e.g. Wine({"sc", "query", "Ostrilo"}).
    CommandResult Wine(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout = kDefaultWait);

    // --- The process ---
    // Starts the program in the background; the working directory is not its folder, so a
    // dependence on it shows. `wineDebug` is WINEDEBUG (e.g. "+eventlog").
    void Start(const std::vector<std::string>& arguments = {}, const std::string& wineDebug = "-all");
    bool IsRunning();
    // The exit code once it has ended, or nullopt when it still runs after `timeout`.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout = kDefaultWait);
    // What Wine and the program wrote to standard error.
    std::string WineErrorOutput() const;

    // --- What it wrote ---
    // Today's log file (LogFiles\YYYY-MM-DD.Log, local date), messages without time stamps.
    std::vector<std::string> LogMessages() const;
    // Succeeds once a log message contains `text`; the failure shows the log so far.
    testing::AssertionResult WaitForLog(const std::string& text, std::chrono::milliseconds timeout = kDefaultWait);
    // Complete lines of "<simulator>.journal".
    std::vector<std::string> JournalLines(const std::string& simulator) const;
    testing::AssertionResult WaitForJournal(const std::string& simulator, const std::string& text,
                                            std::chrono::milliseconds timeout = kDefaultWait);
    // Polls `condition`; the failure names `what` and shows the log so far.
    testing::AssertionResult WaitUntil(const std::function<bool()>& condition, const std::string& what,
                                       std::chrono::milliseconds timeout = kDefaultWait);

    // --- Driving it from outside ---
    // The probe with its command line, e.g. Probe("close"), Probe("answer-box 10").
    CommandResult Probe(const std::string& commandLine, std::chrono::milliseconds timeout = kDefaultWait);
    // A client as Halvex would be, connected to 127.0.0.1:port.
    TcpLineClient ConnectTcp(std::uint16_t port, std::chrono::milliseconds timeout = kDefaultWait) const;

    const WinePrefix& Prefix() const { return *prefix_; }

private:
    std::string DescribeState();

    BuildOutputs outputs_;
    TempDir root_;
    std::unique_ptr<WinePrefix> prefix_;
    std::filesystem::path programDir_;
    std::string windowsProgramDir_ = "C:\\Ostrilo\\";
    std::unique_ptr<ChildProcess> program_;  // ends first: before the server and the folders
};

// Base of the end-to-end tests: skips (with the reason) where Wine or the Windows build
// is missing, so the native build stays usable alone; otherwise `run` is ready.
class OstriloE2eTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { run.reset(); }
    // What the run copies into its program folder; the real program unless overridden.
    virtual RunLayout Layout(const BuildOutputs& outputs) const { return StandardLayout(outputs); }

    std::unique_ptr<OstriloRun> run;
};

}  // namespace ostrilo::e2e
