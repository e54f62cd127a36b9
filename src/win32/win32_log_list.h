#pragma once

#include <windows.h>

#include "platform/log_list.h"

namespace ostrilo::win32 {

// The log list over an unsorted single-column list box.
//
// Every log line adds, trims and selects, and a list box repaints itself and its scroll
// bar for each of those at once; at a few hundred lines a second that painting costs
// many times the alarm relay itself. So the first change after a repaint switches the
// box's drawing off and arms a short timer that switches it on again: all lines written
// meanwhile share one repaint. The content changes at once; only the drawing waits.
// The timer calls back into the adapter directly: a subclass of the box would cost
// Wine a server round trip for every message the box receives.
class Win32LogList : public platform::LogList {
public:
    explicit Win32LogList(HWND listBox);
    ~Win32LogList() override;
    Win32LogList(const Win32LogList&) = delete;
    Win32LogList& operator=(const Win32LogList&) = delete;

    int Count() override;
    bool Append(const std::string& line) override;
    bool RemoveFirst() override;
    bool SelectLast() override;

private:
    static void CALLBACK OnRepaintTimer(HWND listBox, UINT message, UINT_PTR self, DWORD time);
    UINT_PTR TimerId() const { return reinterpret_cast<UINT_PTR>(this); }
    void DeferRepaint();
    void RepaintNow();

    HWND listBox_;
    // Taken from what adding and removing return: asking the box costs a message each time.
    int count_ = 0;
    bool repaintPending_ = false;
};

}  // namespace ostrilo::win32
