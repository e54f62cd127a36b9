#pragma once

#include <windows.h>

#include <string>

namespace ostrilo::probe {

// The caption every Ostrilo main window begins with.
constexpr const char* kMainCaptionPrefix = "WinCC to Halvex";

// The first visible-or-hidden top-level window whose caption begins with the prefix,
// polled until it appears or the time is up; null when it never did.
HWND WaitForMainWindow(DWORD timeoutMs);

// The message box the program shows: a dialog of class "#32770" titled "Ostrilo".
HWND WaitForMessageBox(DWORD timeoutMs);

// The first direct child of the given window class (case-insensitive), or null.
HWND FindChildOfClass(HWND parent, const char* className);

std::string WindowCaption(HWND window);

}  // namespace ostrilo::probe
