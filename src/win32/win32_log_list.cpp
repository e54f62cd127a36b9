#include "win32/win32_log_list.h"

#include "win32/ansi_text.h"

namespace ostrilo::win32 {

int Win32LogList::Count() {
    const LRESULT count = SendMessageW(listBox_, LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

bool Win32LogList::Append(const std::string& line) {
    const std::wstring text = WideFromAnsi(line);
    const LRESULT index = SendMessageW(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return index != LB_ERR && index != LB_ERRSPACE;
}

bool Win32LogList::RemoveFirst() {
    return SendMessageW(listBox_, LB_DELETESTRING, 0, 0) != LB_ERR;
}

bool Win32LogList::SelectLast() {
    const int count = Count();
    return count > 0 && SendMessageW(listBox_, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0) != LB_ERR;
}

}  // namespace ostrilo::win32
