#pragma once

#include <windows.h>

#include <functional>

namespace ostrilo::bench {

// The least a windowed Win32 program with a 100 ms timer can be: one top-level window,
// shown, whose timer calls `onTick`. `onMessage` sees every other message first and
// returns true when it handled it.
struct TimerWindowHandlers {
    std::function<void()> onTick;
    std::function<bool(HWND window, UINT message, WPARAM wParam, LPARAM lParam)> onMessage;
};

constexpr UINT kTickIntervalMs = 100;

// Creates the window (caption `caption`) and runs its message loop until it is closed.
// Returns the process exit code; `onCreated` gets the window before the first message.
int RunTimerWindow(HINSTANCE instance, const wchar_t* caption, TimerWindowHandlers handlers,
                   const std::function<bool(HWND)>& onCreated = {});

}  // namespace ostrilo::bench
