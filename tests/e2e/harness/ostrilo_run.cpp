#include "harness/ostrilo_run.h"

#include <ctime>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "harness/text_files.h"

namespace ostrilo::e2e {

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr const char* kProgramKey = "HKLM\\SOFTWARE\\Fennmark\\Ostrilo\\Version 1";
constexpr char kRootDrive = 'P';
constexpr milliseconds kPollInterval{50};

std::vector<std::string> SplitOnBlanks(const std::string& text) {
    std::istringstream words(text);
    std::vector<std::string> parts;
    for (std::string word; words >> word;) parts.push_back(word);
    return parts;
}

bool AnyContains(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& line : lines) {
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

std::string Numbered(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        text += "  " + std::to_string(index + 1) + ": " + lines[index] + "\n";
    }
    return text.empty() ? "  (nothing)\n" : text;
}

}  // namespace

OstriloRun::OstriloRun(const BuildOutputs& outputs, const RunLayout& layout) : outputs_(outputs) {
    prefix_ = std::make_unique<WinePrefix>(outputs_, root_.Path() / "prefix");
    programDir_ = prefix_->DriveC() / "Ostrilo";
    fs::create_directories(programDir_);
    fs::copy_file(layout.program, programDir_ / "Ostrilo.exe");
    for (const auto& library : layout.libraries) fs::copy_file(library, programDir_ / library.filename());
}

OstriloRun::~OstriloRun() {
    program_.reset();
    prefix_.reset();
}

void OstriloRun::PlaceProgramAtDriveRoot() {
    prefix_->MapDrive(kRootDrive, programDir_);
    windowsProgramDir_ = std::string(1, kRootDrive) + ":\\";
}

void OstriloRun::WriteIni(const std::string& text) { WriteProgramFile("Ostrilo.ini", text); }

void OstriloRun::WriteControl(const std::string& simulator, const std::string& text) {
    WriteProgramFile(simulator + ".control", text);
}

void OstriloRun::WriteProgramFile(const std::string& relativePath, const std::string& bytes) {
    const fs::path path = programDir_ / relativePath;
    fs::create_directories(path.parent_path());
    WriteWholeFile(path, bytes);
}

void OstriloRun::RemoveProgramFile(const std::string& relativePath) { fs::remove(programDir_ / relativePath); }

void OstriloRun::SetRegistry(const std::string& name, const std::string& text) {
    const CommandResult added = Wine({"reg", "add", kProgramKey, "/v", name, "/t", "REG_SZ", "/d", text, "/f", "/reg:32"});
    if (!added.Succeeded()) throw std::runtime_error("reg add " + name + " failed: " + added.Describe());
}

void OstriloRun::SetRegistryDword(const std::string& name, std::uint32_t value) {
    const CommandResult added =
        Wine({"reg", "add", kProgramKey, "/v", name, "/t", "REG_DWORD", "/d", std::to_string(value), "/f", "/reg:32"});
    if (!added.Succeeded()) throw std::runtime_error("reg add " + name + " failed: " + added.Describe());
}

CommandResult OstriloRun::Wine(const std::vector<std::string>& arguments, milliseconds timeout) {
    return prefix_->Wine(arguments, timeout);
}

void OstriloRun::Start(const std::vector<std::string>& arguments, const std::string& wineDebug) {
    if (program_) throw std::logic_error("the program was started already");
    std::vector<std::string> argv{prefix_->Wine64().string(), windowsProgramDir_ + "Ostrilo.exe"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    program_ = std::make_unique<ChildProcess>(argv, prefix_->WineEnvironment(wineDebug), root_.Path(),
                                              root_.Path() / "program.out", root_.Path() / "program.err");
}

bool OstriloRun::IsRunning() { return program_ && program_->IsRunning(); }

std::optional<int> OstriloRun::WaitForExit(milliseconds timeout) {
    if (!program_) throw std::logic_error("the program was never started");
    return program_->WaitForExit(timeout);
}

std::string OstriloRun::WineErrorOutput() const { return ReadWholeFile(root_.Path() / "program.err"); }

std::vector<std::string> OstriloRun::LogMessages() const {
    return ParseLogMessages(ReadWholeFile(programDir_ / "LogFiles" / DayLogFileName(std::time(nullptr))));
}

testing::AssertionResult OstriloRun::WaitForLog(const std::string& text, milliseconds timeout) {
    return WaitUntil([&] { return AnyContains(LogMessages(), text); }, "a log message containing \"" + text + "\"",
                     timeout);
}

std::vector<std::string> OstriloRun::JournalLines(const std::string& simulator) const {
    return CompleteLines(ReadWholeFile(programDir_ / (simulator + ".journal")));
}

testing::AssertionResult OstriloRun::WaitForJournal(const std::string& simulator, const std::string& text,
                                                    milliseconds timeout) {
    auto result = WaitUntil([&] { return AnyContains(JournalLines(simulator), text); },
                            "a line of " + simulator + ".journal containing \"" + text + "\"", timeout);
    if (!result) result << "journal of " << simulator << ":\n" << Numbered(JournalLines(simulator));
    return result;
}

testing::AssertionResult OstriloRun::WaitUntil(const std::function<bool()>& condition, const std::string& what,
                                               milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return testing::AssertionFailure() << "no " << what << " within " << timeout.count() << " ms\n"
                                               << DescribeState();
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return testing::AssertionSuccess();
}

std::string OstriloRun::DescribeState() {
    std::string state;
    if (!program_) {
        state = "the program was not started\n";
    } else if (auto exitCode = program_->WaitForExit(milliseconds(0))) {
        state = "the program has ended with exit code " + std::to_string(*exitCode) + "\n";
    } else {
        state = "the program is running\n";
    }
    return state + "today's log:\n" + Numbered(LogMessages());
}

CommandResult OstriloRun::Probe(const std::string& commandLine, milliseconds timeout) {
    std::vector<std::string> arguments{outputs_.Probe().string()};
    for (auto& word : SplitOnBlanks(commandLine)) arguments.push_back(std::move(word));
    return Wine(arguments, timeout);
}

TcpLineClient OstriloRun::ConnectTcp(std::uint16_t port, milliseconds timeout) const {
    return TcpLineClient(port, timeout);
}

void OstriloE2eTest::SetUp() {
    const BuildOutputs outputs = BuildOutputs::FromEnvironment();
    const RunLayout layout = Layout(outputs);
    if (auto reason = WhyRunImpossible(outputs, layout)) GTEST_SKIP() << *reason;
    run = std::make_unique<OstriloRun>(outputs, layout);
}

}  // namespace ostrilo::e2e
