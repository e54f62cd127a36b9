#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ostrilo::e2e {

using Environment = std::map<std::string, std::string>;

// The current environment with `changes` applied; an empty value removes the variable.
Environment EnvironmentWith(const Environment& changes);

// What a finished (or abandoned) command left behind.
struct CommandResult {
    std::optional<int> exitCode;  // nullopt: killed because it overran its time
    std::string out;
    std::string err;

    bool Succeeded() const { return exitCode == 0; }
    // `out` split into lines, carriage returns before the line feeds removed.
    std::vector<std::string> Lines() const;
    // For failure messages: the exit status and both streams.
    std::string Describe() const;
};

// Output beyond this is dropped, so a chatty command cannot grow the harness without bound.
constexpr std::size_t kMaxCapturedBytes = 1 << 20;

// Runs argv[0] (a path) with `argv`, captures both streams, and kills it by its id when
// it has not ended within `timeout`.
CommandResult RunBounded(const std::vector<std::string>& argv, const Environment& environment,
                         std::chrono::milliseconds timeout);

// A program started in the background. The destructor kills it (by its id) if it still
// runs and reaps it, so nothing outlives the test that started it.
class ChildProcess {
public:
    // Standard output and error go to the given files; standard input is /dev/null.
    // Throws std::runtime_error when the program cannot be started.
    ChildProcess(const std::vector<std::string>& argv, const Environment& environment,
                 const std::filesystem::path& workingDirectory, const std::filesystem::path& outPath,
                 const std::filesystem::path& errPath);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool IsRunning();
    // The exit code once the process has ended (128 + signal when killed by one), or
    // nullopt when it still runs after `timeout`.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    void Kill();

private:
    bool Reap(int options);

    pid_t pid_ = -1;
    std::optional<int> exitCode_;
};

}  // namespace ostrilo::e2e
