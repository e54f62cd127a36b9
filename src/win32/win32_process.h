#pragma once

#include <windows.h>

#include <string>

#include "platform/process.h"
#include "win32/single_instance.h"

namespace ostrilo::win32 {

// The command line without the program's path (quoted or not) and the blanks after it.
std::string ArgumentTextOf(const std::string& commandLine);

// The running program's own process. Claims the single-instance mutex when made, so
// make it once, at start, and keep it for the process's life.
class Win32Process : public platform::Process {
public:
    // Message boxes belong to messageBoxOwner; null leaves them without an owner.
    explicit Win32Process(HWND messageBoxOwner = nullptr);

    bool AnotherInstanceRunning() override;
    std::string ArgumentText() override;
    void ShowMessageBox(const std::string& text, bool errorIcon) override;
    void SleepMilliseconds(int milliseconds) override;
    [[noreturn]] void EndNow() override;

private:
    HWND messageBoxOwner_;
    SingleInstance instance_;
};

}  // namespace ostrilo::win32
