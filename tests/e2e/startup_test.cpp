// The start-up of the real Ostrilo.exe under Wine, seen from outside: which configuration
// source wins and what the day's log says about it, in order; whether the bridge library is
// connected and the Halvex port listens; how long old log files are kept; and the window
// that the start-up leaves on the screen.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <sstream>

#include "harness/ostrilo_run.h"
#include "harness/tcp_ports.h"
#include "harness/text_files.h"

namespace ostrilo::e2e {
namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;
using testing::MatchesRegex;
using testing::StartsWith;
using Lines = std::vector<std::string>;

const std::string kVersionLine = "Ostrilo version 1.0.02 is starting";
const std::string kTypeFromIni = "We will use the ConnectionType from Ostrilo.ini";
const std::string kTypeFromRegistry =
    "We will use the ConnectionType from Registry (probably some old upgraded installation)";
const std::string kNoTypeFound = "Could not find any valid ConnectionType in Registry or Ostrilo.ini";
const std::string kTypeInvalid = "The ConnectionType is invalid, we will not export any alarm events to Halvex";
const std::string kByLibraries = "We will send alarm events to Halvex using DLL calls";
const std::string kPortFromIni = "We will use the PortNumber from Ostrilo.ini";
const std::string kPortFromRegistry =
    "We will use the PortNumber from Registry (probably some old upgraded installation)";
const std::string kNoPortFound = "Could not find any valid PortNumber in Registry or Ostrilo.ini";
const std::string kBridgeConnected = "Successfully called ConnectWinCCDMProc()";
const std::string kBridgeMissing =
    "Ostrilo.DLL can not be found or is an obsolete version (< 1.0.0.2), no alarms will be sent to Halvex!";
const std::string kBridgeObsolete = "Ostrilo.DLL is an obsolete version (< 1.0.0.2), no alarms will be sent to Halvex!";
const std::string kStartedNormally = "Ostrilo started as a normal application";
// Stands for the run's own free port in expected lines and configured values.
const std::string kPortMark = "{port}";
const std::string kListeningAtPort = "We will listen for Halvex connection attempts at port " + kPortMark;

std::string WithPort(std::string text, std::uint16_t port) {
    for (auto at = text.find(kPortMark); at != std::string::npos; at = text.find(kPortMark)) {
        text.replace(at, kPortMark.size(), std::to_string(port));
    }
    return text;
}

Lines WithPort(Lines lines, std::uint16_t port) {
    for (auto& line : lines) line = WithPort(line, port);
    return lines;
}

std::string IniGeneral(const Lines& keyLines) {
    std::string text = "[General]\r\n";
    for (const auto& line : keyLines) text += line + "\r\n";
    return text;
}

// The log from the version line to the line that ends a normal start-up; what the tick
// and the links write afterwards is not the start-up's.
Lines StartupPart(const Lines& messages) {
    Lines part;
    for (const auto& message : messages) {
        part.push_back(message);
        if (message == kStartedNormally) break;
    }
    return part;
}

class StartupTest : public OstriloE2eTest {
protected:
    Lines StartAndReadStartup() {
        run->Start();
        EXPECT_TRUE(run->WaitForLog(kStartedNormally));
        return StartupPart(run->LogMessages());
    }

    // Closes the window as a person would; the process must end, and its log must end
    // with the whole shutdown.
    void CloseAndExpectShutdown(bool bridgeReachable = true) {
        const CommandResult closed = run->Probe("close");
        ASSERT_TRUE(closed.Succeeded()) << closed.Describe();
        ASSERT_EQ(run->WaitForExit(), 0);
        const Lines messages = run->LogMessages();
        const std::string outcome = bridgeReachable ? "Successfully called " : "Failed to call ";
        const Lines shutdown{"Shutting down Ostrilo", outcome + "StopWinCCMsgService()",
                             outcome + "DisconnectWinCCDMProc()", "Ostrilo has been shutdown", std::string(120, '-')};
        ASSERT_GE(messages.size(), shutdown.size());
        EXPECT_THAT(Lines(messages.end() - shutdown.size(), messages.end()), ElementsAreArray(shutdown));
    }

    // The tick runs exactly when alarms are exported; it asks Halvex on every run.
    void ExpectTickRan(bool exportsAlarms) {
        if (exportsAlarms) {
            EXPECT_TRUE(run->WaitForJournal("Halvex2", "GetRunningApps"));
        } else {
            EXPECT_THAT(run->JournalLines("Halvex2"), IsEmpty()) << "the tick should stay idle";
        }
    }

    void ExpectListening(std::uint16_t port) {
        EXPECT_NO_THROW(run->ConnectTcp(port, std::chrono::seconds(5))) << "nobody listens at port " << port;
    }
};

// --- Where the connection type and the port come from ---

struct RegistryValue {
    std::string name;
    bool isDword;
    std::string value;  // a DWORD in decimal
};

struct SourceCase {
    const char* name;
    Lines iniGeneral;
    std::vector<RegistryValue> registry;
    Lines expectedStartup;
    bool exportsAlarms;  // the bridge library is connected and the tick runs
    bool listens;
};

Lines BySocket(const std::string& typeSource, const std::string& portSource) {
    return {kVersionLine, typeSource, portSource, kListeningAtPort, kBridgeConnected, kStartedNormally};
}

Lines ByLibraries(const std::string& typeSource) {
    return {kVersionLine, typeSource, kByLibraries, kBridgeConnected, kStartedNormally};
}

Lines WithoutExport(const std::string& typeSource) {
    return {kVersionLine, typeSource, kTypeInvalid, kStartedNormally};
}

void PrintTo(const SourceCase& sourceCase, std::ostream* out) { *out << sourceCase.name; }

class ConnectionTypeSourceTest : public StartupTest, public testing::WithParamInterface<SourceCase> {};

TEST_P(ConnectionTypeSourceTest, LogsTheSourceAndActsOnTheTypeItGives) {
    const SourceCase& given = GetParam();
    const std::uint16_t port = UnusedTcpPort();
    if (!given.iniGeneral.empty()) run->WriteIni(WithPort(IniGeneral(given.iniGeneral), port));
    for (const auto& value : given.registry) {
        if (value.isDword) {
            run->SetRegistryDword(value.name, static_cast<std::uint32_t>(std::stoul(WithPort(value.value, port))));
        } else {
            run->SetRegistry(value.name, WithPort(value.value, port));
        }
    }

    EXPECT_THAT(StartAndReadStartup(), ElementsAreArray(WithPort(given.expectedStartup, port)));
    const Lines bridgeCalls = run->JournalLines("Ostrilo");
    ASSERT_FALSE(bridgeCalls.empty());
    EXPECT_EQ(bridgeCalls[0], "GetDLLVersion -> 2");
    EXPECT_EQ(bridgeCalls.size() > 1 && bridgeCalls[1] == "ConnectWinCCDMProc -> 1", given.exportsAlarms);
    if (given.listens) ExpectListening(port);
    ExpectTickRan(given.exportsAlarms);
    CloseAndExpectShutdown();
}

INSTANTIATE_TEST_SUITE_P(
    Stores, ConnectionTypeSourceTest,
    testing::Values(
        SourceCase{"IniOnly", {"ConnectionType=1", "PortNumber={port}"}, {}, BySocket(kTypeFromIni, kPortFromIni),
                   true, true},
        SourceCase{"RegistryTextWins",
                   {"ConnectionType=0", "PortNumber=1"},
                   {{"ConnectionType", false, "1"}, {"ServerPort", false, "{port}"}},
                   BySocket(kTypeFromRegistry, kPortFromRegistry), true, true},
        SourceCase{"RegistryNumberWins",
                   {"ConnectionType=1", "PortNumber=1"},
                   {{"ConnectionType", true, "0"}},
                   ByLibraries(kTypeFromRegistry), true, false},
        SourceCase{"RegistryNumberPort",
                   {"PortNumber=1"},
                   {{"ConnectionType", true, "1"}, {"ServerPort", true, "{port}"}},
                   BySocket(kTypeFromRegistry, kPortFromRegistry), true, true},
        SourceCase{"RegistryMinusOneLeavesItToTheIni",
                   {"ConnectionType=1", "PortNumber={port}"},
                   {{"ConnectionType", true, "4294967295"}, {"ServerPort", true, "4294967295"}},
                   BySocket(kTypeFromIni, kPortFromIni), true, true},
        SourceCase{"RegistryTextThatIsNoNumberLeavesItToTheIni",
                   {"ConnectionType=1", "PortNumber={port}"},
                   {{"ConnectionType", false, "one"}, {"ServerPort", false, "port"}},
                   BySocket(kTypeFromIni, kPortFromIni), true, true},
        SourceCase{"NothingConfigured", {}, {}, {kVersionLine, kNoTypeFound, kTypeInvalid, kStartedNormally}, false,
                   false}),
    [](const testing::TestParamInfo<SourceCase>& info) { return std::string(info.param.name); });

// The INI's connection type is read as the number at the start of the text.
INSTANTIATE_TEST_SUITE_P(
    IniTexts, ConnectionTypeSourceTest,
    testing::Values(
        // The quotes keep the blank, which the INI reader would trim otherwise.
        SourceCase{"OneAndABlank", {"ConnectionType=\"1 \"", "PortNumber={port}"}, {},
                   BySocket(kTypeFromIni, kPortFromIni), true, true},
        SourceCase{"OneAndLetters", {"ConnectionType=1abc", "PortNumber={port}"}, {},
                   BySocket(kTypeFromIni, kPortFromIni), true, true},
        SourceCase{"LettersOnly", {"ConnectionType=abc"}, {}, ByLibraries(kTypeFromIni), true, false},
        SourceCase{"Empty", {"ConnectionType="}, {}, ByLibraries(kTypeFromIni), true, false},
        SourceCase{"Two", {"ConnectionType=2"}, {}, WithoutExport(kTypeFromIni), false, false},
        SourceCase{"OneAndAHalfRoundsToTwo", {"ConnectionType=1.5"}, {}, WithoutExport(kTypeFromIni), false, false},
        SourceCase{"AHalfRoundsToZero", {"ConnectionType=0.5"}, {}, ByLibraries(kTypeFromIni), true, false}),
    [](const testing::TestParamInfo<SourceCase>& info) { return std::string(info.param.name); });

// --- The bridge library ---

class ObsoleteBridgeTest : public StartupTest, public testing::WithParamInterface<int> {};

TEST_P(ObsoleteBridgeTest, DisablesTheExportWithoutConnecting) {
    run->WriteIni(IniGeneral({"ConnectionType=0"}));
    run->WriteControl("Ostrilo", "version=" + std::to_string(GetParam()) + "\n");

    EXPECT_THAT(StartAndReadStartup(),
                ElementsAre(kVersionLine, kTypeFromIni, kByLibraries, kBridgeObsolete, kStartedNormally));
    CloseAndExpectShutdown();
    const std::string version = "GetDLLVersion -> " + std::to_string(GetParam());
    EXPECT_THAT(run->JournalLines("Ostrilo"),
                ElementsAre(version, "StopWinCCMsgService -> 1", "DisconnectWinCCDMProc -> 1"));
    ExpectTickRan(false);
}

INSTANTIATE_TEST_SUITE_P(VersionsBelowTwo, ObsoleteBridgeTest, testing::Values(1, 0, -1),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param < 0 ? "Minus" + std::to_string(-info.param)
                                                   : std::to_string(info.param);
                         });

TEST_F(StartupTest, MissingBridgeLibraryDisablesTheExportButLeavesThePortListening) {
    const std::uint16_t port = UnusedTcpPort();
    run->WriteIni(IniGeneral({"ConnectionType=1", "PortNumber=" + std::to_string(port)}));
    run->RemoveProgramFile("Ostrilo.dll");

    EXPECT_THAT(StartAndReadStartup(),
                ElementsAreArray(WithPort(
                    {kVersionLine, kTypeFromIni, kPortFromIni, kListeningAtPort, kBridgeMissing, kStartedNormally},
                    port)));
    ExpectListening(port);
    // The shutdown runs in full all the same, and does not claim calls it could not make.
    CloseAndExpectShutdown(false);
    ExpectTickRan(false);
}

// --- The listening port ---

TEST_F(StartupTest, PortHeldByAnotherProgramIsReportedAndTheSocketTypeStays) {
    // Without any port configured the program takes 14000; someone holds it already.
    constexpr std::uint16_t kDefaultPort = 14000;
    const HeldTcpPort held(kDefaultPort);
    run->WriteIni(IniGeneral({"ConnectionType=1"}));

    const Lines startup = StartAndReadStartup();
    ASSERT_EQ(startup.size(), 6u) << testing::PrintToString(startup);
    EXPECT_THAT(Lines(startup.begin(), startup.begin() + 3), ElementsAre(kVersionLine, kTypeFromIni, kNoPortFound));
    // The description is the platform's text for "address in use", not fixed here.
    EXPECT_THAT(startup[3], MatchesRegex("Could not set Halvex connection port 14000 in listen mode, error: .+"));
    EXPECT_EQ(startup[4], kBridgeConnected);
    ExpectTickRan(true);
    CloseAndExpectShutdown();
}

// --- Log-file retention: the days to keep, as read at start-up ---

// A day-file name whose age is `age` days by the retention's rule (365 days a year, 30 a
// month, taken from the digits of the name): the name need not be a calendar date, so
// a day number above 31 serves to reach every age from any today.
std::string DayFileNameOfAge(int age) {
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    const int year = today.tm_year + 1900;
    const int month = today.tm_mon + 1;
    for (int fileYear = year; fileYear >= year - 2; --fileYear) {
        for (int fileMonth = 12; fileMonth >= 1; --fileMonth) {
            const int day = (year - fileYear) * 365 + (month - fileMonth) * 30 + today.tm_mday - age;
            if (day < 1 || day > 99) continue;
            char name[32];
            std::snprintf(name, sizeof name, "%04d-%02d-%02d.Log", fileYear, fileMonth, day);
            return name;
        }
    }
    throw std::logic_error("no day-file name of age " + std::to_string(age));
}

struct RetentionCase {
    const char* name;
    const char* iniValue;
    int daysKept;
};

void PrintTo(const RetentionCase& retention, std::ostream* out) { *out << retention.name; }

class RetentionPeriodTest : public StartupTest, public testing::WithParamInterface<RetentionCase> {};

TEST_P(RetentionPeriodTest, FirstTickKeepsFilesUpToThatAgeAndDeletesOlderOnes) {
    const RetentionCase& given = GetParam();
    const std::string kept = "LogFiles/" + DayFileNameOfAge(given.daysKept);
    const std::string tooOld = "LogFiles/" + DayFileNameOfAge(given.daysKept + 1);
    run->WriteIni(IniGeneral({"ConnectionType=0", std::string("DaysToKeepLogFiles=") + given.iniValue}));
    run->WriteProgramFile(kept, "kept\r\n");
    run->WriteProgramFile(tooOld, "too old\r\n");

    run->Start();
    ASSERT_TRUE(run->WaitUntil([&] { return !fs::exists(run->ProgramDir() / tooOld); }, tooOld + " deleted"));
    CloseAndExpectShutdown();
    // The retention runs once a day, so after the shutdown nothing can take the kept file any more.
    EXPECT_TRUE(fs::exists(run->ProgramDir() / kept)) << kept;
}

INSTANTIATE_TEST_SUITE_P(
    IniValues, RetentionPeriodTest,
    testing::Values(RetentionCase{"HalfRoundsDownToEven", "30.5", 30},
                    RetentionCase{"HalfRoundsUpToEven", "31.5", 32},
                    RetentionCase{"Hexadecimal", "&h1E", 30},
                    // Not a number: the default, never 0, which would delete all but today's file.
                    RetentionCase{"EmptyKeepsTheDefault", "", 60}),
    [](const testing::TestParamInfo<RetentionCase>& info) { return std::string(info.param.name); });

// --- The program's own folder ---

TEST_F(StartupTest, AtTheRootOfADriveReadsItsIniAndLogsThere) {
    run->PlaceProgramAtDriveRoot();
    run->WriteIni(IniGeneral({"ConnectionType=0"}));

    EXPECT_THAT(StartAndReadStartup(), ElementsAreArray(ByLibraries(kTypeFromIni)));
    EXPECT_TRUE(fs::is_directory(run->ProgramDir() / "LogFiles"));
    CloseAndExpectShutdown();
}

TEST_F(StartupTest, ReadsTheIniBesideItsExecutableWhateverTheCurrentFolder) {
    // Decoys where a bare file name would lead: the current folder and the Windows folder.
    const std::string decoy = IniGeneral({"ConnectionType=2"});
    WriteWholeFile(run->WorkingDirectory() / "Ostrilo.ini", decoy);
    WriteWholeFile(run->Prefix().DriveC() / "windows" / "Ostrilo.ini", decoy);
    run->WriteIni(IniGeneral({"ConnectionType=0"}));

    EXPECT_THAT(StartAndReadStartup(), ElementsAreArray(ByLibraries(kTypeFromIni)));
    EXPECT_FALSE(fs::exists(run->WorkingDirectory() / "LogFiles"));
    CloseAndExpectShutdown();
}

// --- The window ---

// The probe's "window-rect" answer: "client W H", and "list", "statusbar" as L T R B.
std::map<std::string, std::vector<int>> ReadGeometry(OstriloRun& run) {
    const CommandResult answer = run.Probe("window-rect");
    EXPECT_TRUE(answer.Succeeded()) << answer.Describe();
    std::map<std::string, std::vector<int>> geometry;
    for (const auto& line : answer.Lines()) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        for (int number; words >> number;) geometry[name].push_back(number);
    }
    return geometry;
}

TEST_F(StartupTest, WindowShowsTheLogListAndTheInitialPanels) {
    // Nothing configured: the tick stays idle and leaves panels 2 and 3 alone.
    run->Start();
    const CommandResult caption = run->Probe("wait-window 20");
    ASSERT_TRUE(caption.Succeeded()) << caption.Describe();
    EXPECT_THAT(caption.out, StartsWith("WinCC to Halvex"));
    ASSERT_TRUE(run->WaitForLog(kStartedNormally));

    const CommandResult panels = run->Probe("panels");
    ASSERT_TRUE(panels.Succeeded()) << panels.Describe();
    const Lines texts = panels.Lines();
    ASSERT_EQ(texts.size(), 5u) << panels.out;
    EXPECT_THAT(Lines(texts.begin(), texts.begin() + 3),
                ElementsAre("Socket connection status", "WinCC run status", "Halvex run status"));
    EXPECT_FALSE(texts[3].empty()) << "date panel";
    EXPECT_FALSE(texts[4].empty()) << "time panel";

    // Each list line is the file's message behind "YYYY-MM-DD HH:MM:SS.mmm ".
    const CommandResult list = run->Probe("list-lines");
    ASSERT_TRUE(list.Succeeded()) << list.Describe();
    const Lines shown = list.Lines();
    const Lines logged = StartupPart(run->LogMessages());
    ASSERT_EQ(shown.size(), logged.size()) << list.out;
    constexpr std::size_t kStampLength = 24;
    for (std::size_t line = 0; line < shown.size(); ++line) {
        EXPECT_THAT(shown[line].substr(0, kStampLength),
                    MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} "));
        EXPECT_EQ(shown[line].substr(std::min(kStampLength, shown[line].size())), logged[line]);
    }
    CloseAndExpectShutdown();
}

TEST_F(StartupTest, LogListFillsTheClientAreaAboveTheStatusBar) {
    run->Start();
    ASSERT_TRUE(run->WaitForLog(kStartedNormally));

    for (const auto& size : {"640 480", "300 200"}) {
        ASSERT_TRUE(run->Probe(std::string("resize ") + size).Succeeded()) << size;
        auto geometry = ReadGeometry(*run);
        ASSERT_EQ(geometry["client"].size(), 2u);
        ASSERT_EQ(geometry["list"].size(), 4u);
        ASSERT_EQ(geometry["statusbar"].size(), 4u);
        EXPECT_THAT(geometry["list"],
                    ElementsAre(0, 0, geometry["client"][0], geometry["statusbar"][1]))
            << "window " << size;
        EXPECT_EQ(geometry["statusbar"][3], geometry["client"][1]) << "window " << size;
    }
    const int listHeight = ReadGeometry(*run)["list"][3];

    // A client area lower than the status bar: the list keeps its height, but not its width.
    ASSERT_TRUE(run->Probe("resize 250 30").Succeeded());
    auto tiny = ReadGeometry(*run);
    ASSERT_EQ(tiny["list"].size(), 4u);
    ASSERT_LT(tiny["client"][1], tiny["statusbar"][3] - tiny["statusbar"][1]) << "the window did not get that low";
    EXPECT_THAT(tiny["list"], ElementsAre(0, 0, tiny["client"][0], listHeight));
    CloseAndExpectShutdown();
}

}  // namespace
}  // namespace ostrilo::e2e
