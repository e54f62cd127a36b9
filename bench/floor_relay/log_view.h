#pragma once

#include <windows.h>

#include <string>

namespace ostrilo::bench {

// What the program's window must show, and nothing more: a list box holding the newest
// 200 log lines with the newest selected, and a themed five-panel status bar whose clock
// panel changes once a second. The list is drawn at most every third tick, about as often
// as the program draws its own during a burst; the newest line is selected only then.
class LogView {
public:
    bool Create(HWND window);
    void Add(const std::string& line);
    // Once per 100 ms tick, after the relay's work.
    void Tick();

private:
    void ShowClock();
    void Draw();

    HWND list_ = nullptr;
    HWND statusBar_ = nullptr;
    int count_ = 0;
    bool drawingHeld_ = false;
    int ticksHeld_ = 0;
    WORD shownSecond_ = 60;
};

}  // namespace ostrilo::bench
