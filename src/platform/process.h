#pragma once

#include <string>

namespace ostrilo::platform {

// What the program needs of its own process and of the desktop.
class Process {
public:
    virtual ~Process() = default;
    // True when another instance of the program runs, in any Windows session.
    virtual bool AnotherInstanceRunning() = 0;
    // The command line without the program's path.
    virtual std::string ArgumentText() = 0;
    // A modal box captioned "Ostrilo" with one OK button; waits until it is closed.
    virtual void ShowMessageBox(const std::string& text, bool errorIcon) = 0;
    // Lets time pass on this thread, for bounded waits.
    virtual void SleepMilliseconds(int milliseconds) = 0;
    // Ends the process at once; never returns.
    [[noreturn]] virtual void EndNow() = 0;
};

}  // namespace ostrilo::platform
