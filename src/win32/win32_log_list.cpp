#include "win32/win32_log_list.h"

#include <commctrl.h>

#include "win32/ansi_text.h"

namespace ostrilo::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;
// The list's own timer, so no other window's timer ids matter.
constexpr UINT_PTR kRepaintTimerId = 1;
// A person reading the list sees no difference; a burst of alarms costs a few repaints.
constexpr UINT kRepaintDelayMs = 250;

}  // namespace

Win32LogList::Win32LogList(HWND listBox) : listBox_(listBox) {
    subclassed_ = listBox_ != nullptr &&
                  ::SetWindowSubclass(listBox_, &Win32LogList::ListBoxProcedure, kSubclassId,
                                      reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

Win32LogList::~Win32LogList() {
    // The timer would find no one to switch the drawing on again.
    if (repaintPending_) RepaintNow();
    if (subclassed_) ::RemoveWindowSubclass(listBox_, &Win32LogList::ListBoxProcedure, kSubclassId);
}

int Win32LogList::Count() {
    const LRESULT count = SendMessageW(listBox_, LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

bool Win32LogList::Append(const std::string& line) {
    DeferRepaint();
    const std::wstring text = WideFromAnsi(line);
    const LRESULT index = SendMessageW(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return index != LB_ERR && index != LB_ERRSPACE;
}

bool Win32LogList::RemoveFirst() {
    DeferRepaint();
    return SendMessageW(listBox_, LB_DELETESTRING, 0, 0) != LB_ERR;
}

bool Win32LogList::SelectLast() {
    DeferRepaint();
    const int count = Count();
    return count > 0 && SendMessageW(listBox_, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0) != LB_ERR;
}

void Win32LogList::DeferRepaint() {
    if (repaintPending_ || !subclassed_) return;
    // Without the timer the box would stay undrawn; then it draws as it goes.
    if (::SetTimer(listBox_, kRepaintTimerId, kRepaintDelayMs, nullptr) == 0) return;
    SendMessageW(listBox_, WM_SETREDRAW, FALSE, 0);
    repaintPending_ = true;
}

void Win32LogList::RepaintNow() {
    repaintPending_ = false;
    ::KillTimer(listBox_, kRepaintTimerId);
    SendMessageW(listBox_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(listBox_, nullptr, TRUE);
}

LRESULT CALLBACK Win32LogList::ListBoxProcedure(HWND listBox, UINT message, WPARAM wParam, LPARAM lParam,
                                                UINT_PTR, DWORD_PTR self) {
    if (message == WM_TIMER && wParam == kRepaintTimerId) {
        reinterpret_cast<Win32LogList*>(self)->RepaintNow();
        return 0;
    }
    return ::DefSubclassProc(listBox, message, wParam, lParam);
}

}  // namespace ostrilo::win32
