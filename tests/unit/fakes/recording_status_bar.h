#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/status_bar.h"

namespace ostrilo::testing {

class RecordingStatusBar : public platform::StatusBar {
public:
    bool SetPanelText(int panel, const std::string& text) override {
        panels[panel] = text;
        writes.push_back(std::to_string(panel) + "=" + text);
        return true;
    }
    std::map<int, std::string> panels;
    std::vector<std::string> writes;
};

}  // namespace ostrilo::testing
