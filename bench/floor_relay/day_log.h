#pragma once

#include <string>

#include "floor_relay/log_view.h"

namespace ostrilo::bench {

// A log line as the program writes it: create the folder, open the day's file for
// appending, write "HH:MM:SS.mmm<TAB>text<CR><LF>", close; then the same line with its
// date in front goes into the window's list.
class DayLog {
public:
    DayLog(std::string folder, LogView& view) : folder_(std::move(folder)), view_(view) {}
    void Append(const std::string& text) const;

private:
    std::string folder_;
    LogView& view_;
};

}  // namespace ostrilo::bench
