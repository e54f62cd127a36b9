#include "win32/win32_process.h"

namespace ostrilo::win32 {
namespace {

constexpr char kBlanks[] = " \t";

// Windows reads the program's path up to the closing quote, or unquoted up to the first blank.
std::string::size_type EndOfProgramPath(const std::string& commandLine) {
    if (!commandLine.empty() && commandLine.front() == '"') {
        const auto closingQuote = commandLine.find('"', 1);
        return closingQuote == std::string::npos ? commandLine.size() : closingQuote + 1;
    }
    const auto firstBlank = commandLine.find_first_of(kBlanks);
    return firstBlank == std::string::npos ? commandLine.size() : firstBlank;
}

}  // namespace

std::string ArgumentTextOf(const std::string& commandLine) {
    const auto argumentsStart = commandLine.find_first_not_of(kBlanks, EndOfProgramPath(commandLine));
    return argumentsStart == std::string::npos ? std::string() : commandLine.substr(argumentsStart);
}

Win32Process::Win32Process(HWND messageBoxOwner) : messageBoxOwner_(messageBoxOwner) {}

bool Win32Process::AnotherInstanceRunning() { return instance_.AnotherInstanceRunning(); }

std::string Win32Process::ArgumentText() { return ArgumentTextOf(::GetCommandLineA()); }

void Win32Process::ShowMessageBox(const std::string& text, bool errorIcon) {
    ::MessageBoxA(messageBoxOwner_, text.c_str(), "Ostrilo", MB_OK | (errorIcon ? MB_ICONERROR : 0));
}

void Win32Process::SleepMilliseconds(int milliseconds) {
    ::Sleep(milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0);
}

void Win32Process::EndNow() { ::ExitProcess(0); }

}  // namespace ostrilo::win32
