#include "floor_relay/log_view.h"

#include <commctrl.h>

namespace ostrilo::bench {
namespace {

constexpr int kShownLines = 200;
constexpr int kTicksBetweenDrawings = 3;
constexpr int kClockPanel = 4;
// Right edges as the program's panels come out at 96 dpi; the clock takes the rest.
constexpr int kPanelEdges[] = {130, 227, 329, 391, -1};

}  // namespace

bool LogView::Create(HWND window) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 0,
                            0, 0, 0, window, nullptr, nullptr, nullptr);
    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                 window, nullptr, nullptr, nullptr);
    if (!list_ || !statusBar_) return false;
    SendMessageW(list_, WM_SETFONT, SendMessageW(statusBar_, WM_GETFONT, 0, 0), FALSE);
    SendMessageW(statusBar_, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(kPanelEdges));
    wchar_t date[64] = L"";
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 64);
    const wchar_t* const texts[] = {L"Connected", L"RUN", L"RUN", date};
    for (WPARAM panel = 0; panel < 4; ++panel) {
        SendMessageW(statusBar_, SB_SETTEXTW, panel, reinterpret_cast<LPARAM>(texts[panel]));
    }

    RECT client{};
    RECT bar{};
    SendMessageW(statusBar_, WM_SIZE, 0, 0);  // docks itself to the bottom edge
    GetClientRect(window, &client);
    GetWindowRect(statusBar_, &bar);
    return MoveWindow(list_, 0, 0, client.right, client.bottom - (bar.bottom - bar.top), FALSE) != FALSE;
}

void LogView::Add(const std::string& line) {
    if (!drawingHeld_) SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    drawingHeld_ = true;
    count_ = static_cast<int>(SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()))) + 1;
    if (count_ > kShownLines) count_ = static_cast<int>(SendMessageW(list_, LB_DELETESTRING, 0, 0));
}

void LogView::Tick() {
    ShowClock();
    if (drawingHeld_ && ++ticksHeld_ >= kTicksBetweenDrawings) Draw();
}

void LogView::ShowClock() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (now.wSecond == shownSecond_) return;
    shownSecond_ = now.wSecond;
    wchar_t text[64];
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, text, 64) > 0) {
        SendMessageW(statusBar_, SB_SETTEXTW, kClockPanel, reinterpret_cast<LPARAM>(text));
    }
}

void LogView::Draw() {
    SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(count_ - 1), 0);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    drawingHeld_ = false;
    ticksHeld_ = 0;
}

}  // namespace ostrilo::bench
