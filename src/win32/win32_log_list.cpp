#include "win32/win32_log_list.h"

#include "win32/ansi_text.h"

namespace ostrilo::win32 {
namespace {

// A person reading the list sees no difference; a burst of alarms costs a few repaints.
constexpr UINT kRepaintDelayMs = 250;

}  // namespace

Win32LogList::Win32LogList(HWND listBox) : listBox_(listBox) {
    const LRESULT count = SendMessageW(listBox_, LB_GETCOUNT, 0, 0);
    count_ = count == LB_ERR ? 0 : static_cast<int>(count);
}

Win32LogList::~Win32LogList() {
    // The timer would find no one to switch the drawing on again.
    if (repaintPending_) RepaintNow();
}

int Win32LogList::Count() {
    return count_;
}

bool Win32LogList::Append(const std::string& line) {
    DeferRepaint();
    const std::wstring text = WideFromAnsi(line);
    const LRESULT index = SendMessageW(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index == LB_ERR || index == LB_ERRSPACE) return false;
    count_ = static_cast<int>(index) + 1;
    return true;
}

bool Win32LogList::RemoveFirst() {
    DeferRepaint();
    const LRESULT remaining = SendMessageW(listBox_, LB_DELETESTRING, 0, 0);
    if (remaining == LB_ERR) return false;
    count_ = static_cast<int>(remaining);
    return true;
}

bool Win32LogList::SelectLast() {
    DeferRepaint();
    return count_ > 0 && SendMessageW(listBox_, LB_SETCURSEL, static_cast<WPARAM>(count_ - 1), 0) != LB_ERR;
}

void Win32LogList::DeferRepaint() {
    if (repaintPending_ || listBox_ == nullptr) return;
    // Without the timer the box would stay undrawn; then it draws as it goes. The adapter's
    // address is the timer's id, unique among the box's timers and leading back to it.
    if (::SetTimer(listBox_, TimerId(), kRepaintDelayMs, &Win32LogList::OnRepaintTimer) == 0) return;
    SendMessageW(listBox_, WM_SETREDRAW, FALSE, 0);
    repaintPending_ = true;
}

void Win32LogList::RepaintNow() {
    repaintPending_ = false;
    ::KillTimer(listBox_, TimerId());
    SendMessageW(listBox_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(listBox_, nullptr, TRUE);
}

void CALLBACK Win32LogList::OnRepaintTimer(HWND, UINT, UINT_PTR self, DWORD) {
    // The timer lives no longer than the adapter: RepaintNow and the destructor end it.
    reinterpret_cast<Win32LogList*>(self)->RepaintNow();
}

}  // namespace ostrilo::win32
