// The program as a Windows service under Wine's service manager: installation and removal
// runs with their boxes, start and stop through the manager, the refusal of a second
// instance, and a start by hand while the setting says "service".

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "harness/ostrilo_run.h"
#include "harness/text_files.h"

namespace ostrilo::e2e {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::Not;

constexpr const char* kParametersKey = "HKLM\\SOFTWARE\\Fennmark\\Ostrilo\\Parameters";
constexpr const char* kServiceKey = "HKLM\\System\\CurrentControlSet\\Services\\Ostrilo";
constexpr const char* kEventSourceKey = "HKLM\\System\\CurrentControlSet\\Services\\EventLog\\Application\\Ostrilo";
constexpr const char* kEventLogTrace = "-all,+eventlog";

// Library delivery with a stop notification, so the shutdown's delivery lines show too.
constexpr const char* kIni =
    "[General]\r\nConnectionType=0\r\n"
    "[HalvexMessageWhenOstriloIsStopped]\r\nEventType=1\r\nT0=Stopped\r\n";

const std::string kSeparator(120, '-');

// What every run that ends through the shutdown writes last, in this order.
const std::vector<std::string> kShutdownLines{"Shutting down Ostrilo",
                                              "Successfully called StopWinCCMsgService()",
                                              "Successfully called DisconnectWinCCDMProc()",
                                              "Queued Message to Halvex using Halvex2.DLL: 1|||Stopped||||",
                                              "Queued Message to Halvex using Halvex3.DLL: 1|||Stopped||||",
                                              "Ostrilo has been shutdown",
                                              kSeparator};

// The first supervision tick's report with WinCC idle and the Halvex stand-ins running;
// waiting for its last line keeps later snapshots of the log stable.
const std::vector<std::string> kFirstTickLines{"We found out that WinCC is stopped",
                                               "We found out that Halvex is running"};

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// Wine traces each event-log entry as `ReportEventW L"<text>"`.
std::string EventEntry(const std::string& text) { return "ReportEventW L\"" + text + "\""; }

// Whether an Ostrilo.exe process lives in the prefix, however it was started.
bool ProgramProcessRuns(const std::filesystem::path& prefix) {
    for (pid_t pid : ProcessesOfPrefix(prefix)) {
        const std::string commandLine = ReadWholeFile("/proc/" + std::to_string(pid) + "/cmdline");
        if (commandLine.find("Ostrilo.exe") != std::string::npos) return true;
    }
    return false;
}

// What a run with a switch showed and how it ended.
struct SwitchRun {
    CommandResult box;
    std::optional<int> exitCode;
};

class ServiceTest : public OstriloE2eTest {
protected:
    void SetUp() override {
        OstriloE2eTest::SetUp();
        if (run) run->WriteIni(kIni);
    }

    // A further start of the program beside the one `run` holds, its box answered.
    SwitchRun RunAnswered(const std::string& argument, const std::string& name) {
        const auto directory = run->Prefix().Directory();
        ChildProcess program({run->Prefix().Wine64().string(), run->WindowsProgramDir() + "Ostrilo.exe", argument},
                             run->Prefix().WineEnvironment(kEventLogTrace), directory, directory / (name + ".out"),
                             directory / (name + ".err"));
        SwitchRun result{run->Probe("answer-box 20"), std::nullopt};
        result.exitCode = program.WaitForExit(kDefaultWait);
        return result;
    }

    void Install() {
        const SwitchRun installation = RunAnswered("/I", "install");
        ASSERT_TRUE(installation.box.Succeeded()) << installation.box.Describe();
        ASSERT_THAT(installation.box.Lines(), ElementsAre("Ostrilo service installation succeeded"));
        ASSERT_EQ(installation.exitCode, 0);
    }

    // The setting's text, or nothing when it is absent.
    std::optional<std::string> RunAsServiceSetting() {
        const CommandResult query = run->Wine({"reg", "query", kParametersKey, "/v", "RunAsService", "/reg:32"});
        std::smatch match;
        const std::regex value("RunAsService +REG_SZ +([^\r\n]*)");
        if (!query.Succeeded() || !std::regex_search(query.out, match, value)) return std::nullopt;
        return match[1].str();
    }

    // "RUNNING", "STOPPED", ... as the service manager reports it; empty when not registered.
    std::string ServiceState() {
        const CommandResult query = run->Wine({"sc", "query", "Ostrilo"});
        std::smatch match;
        const std::regex state("STATE +: +[0-9]+ +([A-Z_]+)");
        return query.Succeeded() && std::regex_search(query.out, match, state) ? match[1].str() : "";
    }

    bool KeyExists(const char* key) { return run->Wine({"reg", "query", key}).Succeeded(); }

    testing::AssertionResult WaitForServiceEntry(const std::string& text) {
        return run->WaitUntil(
            [&] { return run->Prefix().BackgroundErrorOutput().find(EventEntry(text)) != std::string::npos; },
            "event-log entry \"" + text + "\" of the service");
    }

    std::string ProgramDir() const { return run->WindowsProgramDir(); }
};

TEST_F(ServiceTest, InstallationRunRegistersTheServiceAndEndsThroughTheShutdownAlone) {
    run->Start({"/I"}, kEventLogTrace);
    const CommandResult box = run->Probe("answer-box 20");
    ASSERT_TRUE(box.Succeeded()) << box.Describe();
    EXPECT_THAT(box.Lines(), ElementsAre("Ostrilo service installation succeeded"));
    EXPECT_EQ(run->WaitForExit(), 0);

    // Nothing of the normal start; the stop notification goes by library, the initial way.
    EXPECT_THAT(run->LogMessages(), ElementsAreArray(kShutdownLines));
    // The installation run itself was not a service run.
    EXPECT_THAT(run->WineErrorOutput(), Not(HasSubstr("ReportEventW")));

    EXPECT_EQ(RunAsServiceSetting(), "1");
    EXPECT_EQ(ServiceState(), "STOPPED");
    const CommandResult registration = run->Wine({"reg", "query", kServiceKey});
    ASSERT_TRUE(registration.Succeeded()) << registration.Describe();
    EXPECT_THAT(registration.out, testing::ContainsRegex("Start +REG_DWORD +0x2\\b")) << "automatic start";
    EXPECT_THAT(registration.out, testing::ContainsRegex("Type +REG_DWORD +0x10\\b")) << "own process, not interactive";
    EXPECT_THAT(registration.out, HasSubstr("\"" + ProgramDir() + "Ostrilo.exe\"")) << "quoted program path";
    EXPECT_TRUE(KeyExists(kEventSourceKey));
}

TEST_F(ServiceTest, ServiceManagerRunsTheProgramHiddenAndItsStopRunsTheWholeShutdown) {
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::size_t installLines = run->LogMessages().size();

    const CommandResult start = run->Wine({"net", "start", "Ostrilo"});
    ASSERT_TRUE(start.Succeeded()) << start.Describe();
    EXPECT_EQ(ServiceState(), "RUNNING");
    ASSERT_TRUE(run->WaitForLog("Ostrilo started as a service"));
    EXPECT_THAT(run->LogMessages(), Not(testing::Contains("Ostrilo started as a normal application")));
    EXPECT_TRUE(WaitForServiceEntry("Ostrilo started"));
    ASSERT_TRUE(run->WaitForLog(kFirstTickLines.back()));

    // Its window lives in the service manager's window station, hidden.
    const CommandResult visibility = run->Probe("--service-station visibility");
    ASSERT_TRUE(visibility.Succeeded()) << visibility.Describe();
    EXPECT_THAT(visibility.Lines(), ElementsAre("hidden"));

    const CommandResult stop = run->Wine({"net", "stop", "Ostrilo"});
    ASSERT_TRUE(stop.Succeeded()) << stop.Describe();
    EXPECT_EQ(ServiceState(), "STOPPED");
    EXPECT_TRUE(
        run->WaitUntil([&] { return !ProgramProcessRuns(run->Prefix().Directory()); }, "end of the service's process"));

    const auto log = run->LogMessages();
    const std::vector<std::string> serviceRun(log.begin() + static_cast<std::ptrdiff_t>(installLines), log.end());
    std::vector<std::string> expected{"Ostrilo version 1.0.02 is starting",
                                      "We will use the ConnectionType from Ostrilo.ini",
                                      "We will send alarm events to Halvex using DLL calls",
                                      "Successfully called ConnectWinCCDMProc()", "Ostrilo started as a service"};
    expected.insert(expected.end(), kFirstTickLines.begin(), kFirstTickLines.end());
    expected.insert(expected.end(), kShutdownLines.begin(), kShutdownLines.end());
    EXPECT_THAT(serviceRun, ElementsAreArray(expected));

    const std::string entries = run->Prefix().BackgroundErrorOutput();
    EXPECT_EQ(CountOf(entries, EventEntry("Ostrilo has been shutdown")), 1u) << entries;
    EXPECT_LT(entries.find(EventEntry("Ostrilo started")), entries.find(EventEntry("Ostrilo has been shutdown")));
}

TEST_F(ServiceTest, RemovalRunUnregistersTheServiceAndClearsTheSetting) {
    ASSERT_NO_FATAL_FAILURE(Install());

    run->Start({"/U"}, kEventLogTrace);
    const CommandResult box = run->Probe("answer-box 20");
    ASSERT_TRUE(box.Succeeded()) << box.Describe();
    EXPECT_THAT(box.Lines(), ElementsAre("Ostrilo service uninstalled successfully"));
    EXPECT_EQ(run->WaitForExit(), 0);

    EXPECT_EQ(RunAsServiceSetting(), "0");
    EXPECT_EQ(ServiceState(), "") << "the service should be gone";
    EXPECT_FALSE(KeyExists(kServiceKey)) << "removal leaves a service key behind";
    EXPECT_FALSE(KeyExists(kEventSourceKey)) << "the event source should be gone";
    // The removal run started in service mode, so its shutdown is in the event log as well.
    EXPECT_EQ(CountOf(run->WineErrorOutput(), EventEntry("Ostrilo has been shutdown")), 1u) << run->WineErrorOutput();

    std::vector<std::string> expected = kShutdownLines;
    expected.insert(expected.end(), kShutdownLines.begin(), kShutdownLines.end());
    EXPECT_THAT(run->LogMessages(), ElementsAreArray(expected)) << "installation run, then removal run";
}

TEST_F(ServiceTest, RemovalWithoutAServiceReportsFailureAndLeavesTheSettingAbsent) {
    run->Start({"-u"});
    const CommandResult box = run->Probe("answer-box 20");
    ASSERT_TRUE(box.Succeeded()) << box.Describe();
    EXPECT_THAT(box.Lines(), ElementsAre("Ostrilo failed to uninstall as service"));
    EXPECT_EQ(run->WaitForExit(), 0);
    EXPECT_EQ(RunAsServiceSetting(), std::nullopt);
    EXPECT_THAT(run->LogMessages(), ElementsAreArray(kShutdownLines));
}

TEST_F(ServiceTest, SecondInstanceIsRefusedInstallsNothingAndTheFirstClosesWithTheWholeShutdown) {
    run->Start({}, kEventLogTrace);
    ASSERT_TRUE(run->WaitForLog(kFirstTickLines.back()));
    const auto logBefore = run->LogMessages();

    const SwitchRun second = RunAnswered("/I", "second");
    ASSERT_TRUE(second.box.Succeeded()) << second.box.Describe();
    EXPECT_THAT(second.box.Lines(), ElementsAre("Ostrilo is already started!"));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(run->IsRunning());
    EXPECT_EQ(run->LogMessages(), logBefore) << "the refused instance must not write to the log";
    EXPECT_EQ(ServiceState(), "");
    EXPECT_EQ(RunAsServiceSetting(), std::nullopt);

    ASSERT_TRUE(run->Probe("close").Succeeded());
    EXPECT_EQ(run->WaitForExit(), 0);
    std::vector<std::string> expected = logBefore;
    expected.insert(expected.end(), kShutdownLines.begin(), kShutdownLines.end());
    EXPECT_THAT(run->LogMessages(), ElementsAreArray(expected));
    EXPECT_THAT(run->WineErrorOutput(), Not(HasSubstr("ReportEventW"))) << "no event log for an application";
}

TEST_F(ServiceTest, StartByHandInServiceModeStaysHiddenAndStillClosesPromptly) {
    const CommandResult setting =
        run->Wine({"reg", "add", kParametersKey, "/v", "RunAsService", "/t", "REG_SZ", "/d", "1", "/f", "/reg:32"});
    ASSERT_TRUE(setting.Succeeded()) << setting.Describe();

    run->Start({}, kEventLogTrace);
    ASSERT_TRUE(run->WaitForLog("Ostrilo started as a service"));
    const CommandResult visibility = run->Probe("visibility");
    ASSERT_TRUE(visibility.Succeeded()) << visibility.Describe();
    EXPECT_THAT(visibility.Lines(), ElementsAre("hidden"));

    // Wine keeps a dispatcher started by hand waiting 10 s for the service manager; the
    // window must answer long before that.
    ASSERT_TRUE(run->Probe("close").Succeeded());
    EXPECT_EQ(run->WaitForExit(std::chrono::seconds(5)), 0);
    const auto log = run->LogMessages();
    ASSERT_GE(log.size(), kShutdownLines.size());
    EXPECT_THAT(std::vector<std::string>(log.end() - static_cast<std::ptrdiff_t>(kShutdownLines.size()), log.end()),
                ElementsAreArray(kShutdownLines));

    const std::string entries = run->WineErrorOutput();
    EXPECT_EQ(CountOf(entries, EventEntry("Ostrilo started")), 1u) << entries;
    EXPECT_EQ(CountOf(entries, EventEntry("Ostrilo has been shutdown")), 1u) << entries;
}

}  // namespace
}  // namespace ostrilo::e2e
