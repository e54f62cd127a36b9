#pragma once

#include <windows.h>

#include <string>

#include "win32/program/window_events.h"

namespace ostrilo::win32 {

// Ostrilo_Main: the program's only window, carrying the log list, the status bar with
// its five panels and the tick's timer. It forwards its events to the program once
// the program is attached; before that (during creation) nothing reaches it.
class MainWindow {
public:
    bool Create(HINSTANCE instance);
    void Attach(WindowEvents* events) { events_ = events; }
    void Show(int showCommand);

    HWND Handle() const { return window_; }
    HWND ListBox() const { return listBox_; }
    HWND StatusBar() const { return statusBar_; }

    // Lays the list out above the status bar; the list keeps its height when the
    // client area is too low for one.
    void LayOutLogList();

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateControls();
    void SizeStatusBarPanels();
    void UpdateDateAndTimePanels();

    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    HWND listBox_ = nullptr;
    HWND statusBar_ = nullptr;
    WindowEvents* events_ = nullptr;
    SYSTEMTIME shownTime_{};
    std::wstring shownDate_;
};

}  // namespace ostrilo::win32
