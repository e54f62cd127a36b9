#include "win32/win32_status_bar.h"

#include <commctrl.h>

#include "win32/ansi_text.h"

namespace ostrilo::win32 {

bool Win32StatusBar::SetPanelText(int panel, const std::string& text) {
    if (panel < 1 || panel > static_cast<int>(shown_.size())) return false;
    const auto index = static_cast<std::size_t>(panel - 1);
    if (known_[index] && shown_[index] == text) return true;
    const std::wstring wide = WideFromAnsi(text);
    const bool set = SendMessageW(statusBar_, SB_SETTEXTW, index, reinterpret_cast<LPARAM>(wide.c_str())) != FALSE;
    known_[index] = set;
    if (set) shown_[index] = text;
    return set;
}

}  // namespace ostrilo::win32
