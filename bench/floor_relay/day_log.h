#pragma once

#include <string>

namespace ostrilo::bench {

// The file half of a log line as the program writes it: create the folder, open the
// day's file for appending, write "HH:MM:SS.mmm<TAB>text<CR><LF>", close. No list.
class DayLog {
public:
    explicit DayLog(std::string folder) : folder_(std::move(folder)) {}
    void Append(const std::string& text) const;

private:
    std::string folder_;
};

}  // namespace ostrilo::bench
