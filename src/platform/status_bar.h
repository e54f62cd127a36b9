#pragma once

#include <string>

namespace ostrilo::platform {

// Panels are counted from 1: 1 socket link, 2 WinCC, 3 Halvex, 4 date, 5 time.
class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual bool SetPanelText(int panel, const std::string& text) = 0;
};

}  // namespace ostrilo::platform
