#include "harness/child_process.h"

#include "harness/text_files.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace ostrilo::e2e {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPollInterval = std::chrono::milliseconds(20);

// argv and envp in the form exec wants; the strings stay owned by the caller's vectors.
class ExecArguments {
public:
    ExecArguments(const std::vector<std::string>& argv, const Environment& environment) {
        for (const auto& [name, value] : environment) entries_.push_back(name + "=" + value);
        for (const auto& argument : argv) argv_.push_back(const_cast<char*>(argument.c_str()));
        for (auto& entry : entries_) envp_.push_back(entry.data());
        argv_.push_back(nullptr);
        envp_.push_back(nullptr);
    }
    char* const* Argv() { return argv_.data(); }
    char* const* Envp() { return envp_.data(); }

private:
    std::vector<std::string> entries_;
    std::vector<char*> argv_;
    std::vector<char*> envp_;
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

pid_t Spawn(const std::vector<std::string>& argv, const Environment& environment, SpawnActions& actions) {
    if (argv.empty()) throw std::runtime_error("nothing to start");
    ExecArguments exec(argv, environment);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0].c_str(), actions.Get(), nullptr, exec.Argv(), exec.Envp());
    if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
    return pid;
}

int DecodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

class Pipe {
public:
    Pipe() {
        if (pipe2(ends_, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
    }
    ~Pipe() {
        CloseWriteEnd();
        if (ends_[0] >= 0) close(ends_[0]);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    int ReadEnd() const { return ends_[0]; }
    int WriteEnd() const { return ends_[1]; }
    void CloseWriteEnd() {
        if (ends_[1] >= 0) close(ends_[1]);
        ends_[1] = -1;
    }

private:
    int ends_[2] = {-1, -1};
};

// Appends what the pipe holds now, waiting at most `wait` for the first bytes. Stops at
// the capture limit's edge silently: the rest is read and dropped. False once the
// writers have closed the pipe.
bool DrainPipe(int fd, std::string& into, std::chrono::milliseconds wait) {
    pollfd ready{fd, POLLIN, 0};
    int waitMs = static_cast<int>(wait.count());
    while (poll(&ready, 1, waitMs) > 0) {
        char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got == 0) return false;
        if (got < 0) return errno == EINTR || errno == EAGAIN;
        const std::size_t room = kMaxCapturedBytes - std::min(into.size(), kMaxCapturedBytes);
        into.append(buffer, std::min(static_cast<std::size_t>(got), room));
        waitMs = 0;
    }
    return true;
}

}  // namespace

Environment EnvironmentWith(const Environment& changes) {
    Environment result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos) result[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : changes) {
        if (value.empty()) {
            result.erase(name);
        } else {
            result[name] = value;
        }
    }
    return result;
}

std::vector<std::string> CommandResult::Lines() const {
    // The last line counts even without its line end: the command has finished writing.
    const bool unterminated = !out.empty() && out.back() != '\n';
    return CompleteLines(unterminated ? out + "\n" : out);
}

std::string CommandResult::Describe() const {
    const std::string status = exitCode ? "exit code " + std::to_string(*exitCode) : "killed after its time";
    return status + "\n--- stdout ---\n" + out + "\n--- stderr ---\n" + err;
}

CommandResult RunBounded(const std::vector<std::string>& argv, const Environment& environment,
                         std::chrono::milliseconds timeout) {
    Pipe outPipe;
    Pipe errPipe;
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.Get(), outPipe.WriteEnd(), 1);
    posix_spawn_file_actions_adddup2(actions.Get(), errPipe.WriteEnd(), 2);
    const pid_t pid = Spawn(argv, environment, actions);
    outPipe.CloseWriteEnd();
    errPipe.CloseWriteEnd();

    CommandResult result;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const bool outOpen = DrainPipe(outPipe.ReadEnd(), result.out, kPollInterval);
        DrainPipe(errPipe.ReadEnd(), result.err, std::chrono::milliseconds(0));
        // A closed pipe answers at once; the wait then has to come from here.
        if (!outOpen) std::this_thread::sleep_for(kPollInterval);
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            // What it wrote before ending is in the pipes; a daemon it left behind may
            // keep them open, so no waiting for their end.
            DrainPipe(outPipe.ReadEnd(), result.out, std::chrono::milliseconds(0));
            DrainPipe(errPipe.ReadEnd(), result.err, std::chrono::milliseconds(0));
            result.exitCode = DecodeStatus(status);
            return result;
        }
        if (Clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return result;
        }
    }
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const Environment& environment,
                           const std::filesystem::path& workingDirectory, const std::filesystem::path& outPath,
                           const std::filesystem::path& errPath) {
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.Get(), 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(actions.Get(), 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(actions.Get(), workingDirectory.c_str());
    pid_ = Spawn(argv, environment, actions);
}

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::Reap(int options) {
    if (exitCode_) return true;
    int status = 0;
    const pid_t reaped = waitpid(pid_, &status, options);
    if (reaped != pid_) return false;
    exitCode_ = DecodeStatus(status);
    return true;
}

bool ChildProcess::IsRunning() { return !Reap(WNOHANG); }

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!Reap(WNOHANG)) {
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(kPollInterval);
    }
    return exitCode_;
}

void ChildProcess::Kill() {
    if (Reap(WNOHANG)) return;
    kill(pid_, SIGKILL);
    Reap(0);
}

}  // namespace ostrilo::e2e
