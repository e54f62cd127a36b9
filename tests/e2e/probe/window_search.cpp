#include "window_search.h"

#include <cstring>
#include <functional>

namespace ostrilo::probe {

namespace {

constexpr DWORD kPollIntervalMs = 50;

// Polls `find` until it gives a window or `timeoutMs` has passed; every wait is bounded.
HWND PollForWindow(DWORD timeoutMs, const std::function<HWND()>& find) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = find()) return window;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(kPollIntervalMs);
    }
}

BOOL CALLBACK TakeMainWindow(HWND window, LPARAM found) {
    const std::string caption = WindowCaption(window);
    if (caption.compare(0, std::strlen(kMainCaptionPrefix), kMainCaptionPrefix) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

struct ChildSearch {
    HWND parent;
    const char* className;
    HWND found;
};

BOOL CALLBACK TakeChildOfClass(HWND window, LPARAM search) {
    auto* wanted = reinterpret_cast<ChildSearch*>(search);
    // EnumChildWindows also walks grandchildren; only direct children count.
    if (GetParent(window) != wanted->parent) return TRUE;
    char className[64] = {};
    if (GetClassNameA(window, className, sizeof className) == 0) return TRUE;
    if (lstrcmpiA(className, wanted->className) != 0) return TRUE;
    wanted->found = window;
    return FALSE;
}

}  // namespace

std::string WindowCaption(HWND window) {
    // For another process's window this reads the stored caption without sending it a
    // message, so a hung program cannot hang the probe.
    char caption[512] = {};
    const int length = GetWindowTextA(window, caption, sizeof caption);
    return std::string(caption, length > 0 ? static_cast<std::size_t>(length) : 0);
}

HWND WaitForMainWindow(DWORD timeoutMs) {
    return PollForWindow(timeoutMs, [] {
        HWND found = nullptr;
        EnumWindows(TakeMainWindow, reinterpret_cast<LPARAM>(&found));
        return found;
    });
}

HWND WaitForMessageBox(DWORD timeoutMs) {
    return PollForWindow(timeoutMs, [] { return FindWindowA("#32770", "Ostrilo"); });
}

HWND FindChildOfClass(HWND parent, const char* className) {
    ChildSearch search{parent, className, nullptr};
    EnumChildWindows(parent, TakeChildOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace ostrilo::probe
