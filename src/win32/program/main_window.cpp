#include "win32/program/main_window.h"

#include <commctrl.h>

#include <array>

#include "ostrilo_version.h"
#include "win32/program/log_list_layout.h"
#include "win32/program/resource_ids.h"

namespace ostrilo::win32 {
namespace {

constexpr wchar_t kWindowClassName[] = L"Ostrilo_Main";
constexpr wchar_t kCaption[] = L"WinCC to Halvex - Ostrilo " OSTRILO_VERSION_TEXT;
constexpr int kClientWidthAt96Dpi = 430;
constexpr int kClientHeightAt96Dpi = 237;
constexpr int kListBoxId = 100;
constexpr int kStatusBarId = 101;

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// Width of a panel that shows `text` in the status bar's font, with room for its borders.
int PanelWidthFor(HWND statusBar, const wchar_t* text) {
    HDC dc = GetDC(statusBar);
    if (!dc) return 100;
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(statusBar, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &extent);
    SelectObject(dc, oldFont);
    ReleaseDC(statusBar, dc);
    return extent.cx + MulDiv(12, SystemDpi(), 96);
}

}  // namespace

bool MainWindow::Create(HINSTANCE instance) {
    instance_ = instance;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &MainWindow::WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_OSTRILO));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_OSTRILO), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClassName;
    if (!RegisterClassExW(&windowClass)) return false;

    const int dpi = SystemDpi();
    RECT frame{0, 0, MulDiv(kClientWidthAt96Dpi, dpi, 96), MulDiv(kClientHeightAt96Dpi, dpi, 96)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    window_ = CreateWindowExW(0, kWindowClassName, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                              this);
    return window_ != nullptr && listBox_ != nullptr && statusBar_ != nullptr;
}

void MainWindow::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

bool MainWindow::CreateControls() {
    listBox_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                               0, 0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListBoxId)),
                               instance_, nullptr);
    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                 window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)), instance_,
                                 nullptr);
    if (!listBox_ || !statusBar_) return false;
    SendMessageW(listBox_, WM_SETFONT, SendMessageW(statusBar_, WM_GETFONT, 0, 0), FALSE);
    SizeStatusBarPanels();
    const std::array<const wchar_t*, 3> initialTexts{L"Socket connection status", L"WinCC run status",
                                                     L"Halvex run status"};
    for (std::size_t panel = 0; panel < initialTexts.size(); ++panel) {
        SendMessageW(statusBar_, SB_SETTEXTW, panel, reinterpret_cast<LPARAM>(initialTexts[panel]));
    }
    UpdateDateAndTimePanels();
    // The timer runs from the window's creation; the program ignores ticks until it is attached.
    return SetTimer(window_, kTickTimerId, kTickIntervalMs, nullptr) != 0;
}

void MainWindow::SizeStatusBarPanels() {
    wchar_t date[64] = L"0000-00-00";
    wchar_t time[64] = L"00:00:00";
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 64);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, 64);
    const std::array<const wchar_t*, 5> widest{L"Socket connection status", L"WinCC run status",
                                               L"Halvex run status", date, time};
    std::array<int, 5> widths{};
    int total = 0;
    for (std::size_t panel = 0; panel < widest.size(); ++panel) {
        widths[panel] = PanelWidthFor(statusBar_, widest[panel]);
        total += widths[panel];
    }
    // Date and time must stay readable; the three status panels give up room first,
    // their long design texts are soon replaced by short ones.
    RECT client{};
    GetClientRect(window_, &client);
    const int excess = total - (client.right - client.left);
    const int statusWidths = widths[0] + widths[1] + widths[2];
    if (excess > 0 && statusWidths > excess) {
        for (std::size_t panel = 0; panel < 3; ++panel) {
            widths[panel] -= MulDiv(widths[panel], excess, statusWidths);
        }
    }
    std::array<int, 5> rightEdges{};
    int right = 0;
    for (std::size_t panel = 0; panel < 4; ++panel) {
        right += widths[panel];
        rightEdges[panel] = right;
    }
    rightEdges[4] = -1;  // the time panel takes the rest
    SendMessageW(statusBar_, SB_SETPARTS, rightEdges.size(), reinterpret_cast<LPARAM>(rightEdges.data()));
}

void MainWindow::UpdateDateAndTimePanels() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (now.wSecond == shownTime_.wSecond && now.wMinute == shownTime_.wMinute && now.wHour == shownTime_.wHour &&
        now.wDay == shownTime_.wDay && now.wMonth == shownTime_.wMonth && now.wYear == shownTime_.wYear) {
        return;
    }
    shownTime_ = now;
    wchar_t text[64];
    // Setting a panel repaints it, even with the same text; the date changes once a day.
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, text, 64) > 0 && shownDate_ != text &&
        SendMessageW(statusBar_, SB_SETTEXTW, 3, reinterpret_cast<LPARAM>(text))) {
        shownDate_ = text;
    }
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, text, 64) > 0) {
        SendMessageW(statusBar_, SB_SETTEXTW, 4, reinterpret_cast<LPARAM>(text));
    }
}

void MainWindow::LayOutLogList() {
    RECT client{};
    RECT statusBarRect{};
    RECT listRect{};
    if (!GetClientRect(window_, &client)) return;
    SendMessageW(statusBar_, WM_SIZE, 0, 0);  // the status bar docks itself to the bottom edge
    const int statusBarHeight = GetWindowRect(statusBar_, &statusBarRect) ? statusBarRect.bottom - statusBarRect.top : 0;
    GetWindowRect(listBox_, &listRect);
    const ListGeometry geometry =
        win32::LayOutLogList(client.right - client.left, client.bottom - client.top, statusBarHeight,
                      listRect.bottom - listRect.top);
    MoveWindow(listBox_, geometry.left, geometry.top, geometry.width, geometry.height, TRUE);
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->HandleMessage(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return CreateControls() ? 0 : -1;
    case WM_TIMER:
        if (wParam == kWorkRoundTimerId) {
            if (events_) events_->OnWorkRound();
            return 0;
        }
        if (wParam != kTickTimerId) break;
        UpdateDateAndTimePanels();
        if (events_) events_->OnTimer();
        return 0;
    case WM_SIZE:
        if (events_) events_->OnResize();
        return 0;
    case WM_CLOSE:
        if (events_) {
            events_->OnClose();
        } else {
            DestroyWindow(window_);
        }
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;  // never stand in the way of a log-off or restart
    case WM_ENDSESSION:
        // Windows ends the process soon after this returns: the shutdown runs now.
        if (wParam && events_) events_->OnSessionEnd();
        return 0;
    case WM_DESTROY:
        KillTimer(window_, kTickTimerId);
        KillTimer(window_, kWorkRoundTimerId);
        PostQuitMessage(0);
        return 0;
    case kListenerEventMessage:
    case kConnectionEventMessage:
        if (events_) events_->OnSocketEvent(message, wParam, lParam);
        return 0;
    case kServiceRequestMessage:
        if (events_) events_->OnServiceRequest(wParam);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace ostrilo::win32
