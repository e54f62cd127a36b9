#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "platform/status_bar.h"

namespace ostrilo::win32 {

class Win32StatusBar : public platform::StatusBar {
public:
    explicit Win32StatusBar(HWND statusBar) : statusBar_(statusBar) {}
    bool SetPanelText(int panel, const std::string& text) override;

private:
    HWND statusBar_;
    // The tick writes panels ten times a second; repainting an unchanged text costs CPU.
    std::array<std::string, 5> shown_{};
    std::array<bool, 5> known_{};
};

}  // namespace ostrilo::win32
