#include "common/timer_window.h"

namespace ostrilo::bench {
namespace {

constexpr wchar_t kClassName[] = L"Ostrilo_Bench_Floor";
constexpr UINT_PTR kTimerId = 1;
// The program's window at 96 dpi, so a list in it shows as many rows.
constexpr int kClientWidth = 430;
constexpr int kClientHeight = 237;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* handlers = reinterpret_cast<TimerWindowHandlers*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!handlers) return DefWindowProcW(window, message, wParam, lParam);
    if (handlers->onMessage && handlers->onMessage(window, message, wParam, lParam)) return 0;
    switch (message) {
    case WM_TIMER:
        if (wParam == kTimerId && handlers->onTick) handlers->onTick();
        return 0;
    case WM_DESTROY:
        KillTimer(window, kTimerId);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int RunTimerWindow(HINSTANCE instance, const wchar_t* caption, TimerWindowHandlers handlers,
                   const std::function<bool(HWND)>& onCreated) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) return 1;

    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND window = CreateWindowExW(0, kClassName, caption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                  &handlers);
    if (!window) return 1;
    if (onCreated && !onCreated(window)) {
        DestroyWindow(window);
        return 1;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    if (!SetTimer(window, kTimerId, kTickIntervalMs, nullptr)) return 1;

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace ostrilo::bench
