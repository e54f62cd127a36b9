#pragma once

#include <string>
#include <string_view>

namespace ostrilo::sim {

// The record of every call, one line each (LF-terminated), written through at once so a
// reader outside sees it while the program still runs. A line that cannot be written is
// lost: the simulated library must answer its caller whatever happens to the record.
class Journal {
public:
    explicit Journal(std::string path) : path_(std::move(path)) {}
    void Record(std::string line) const;

private:
    std::string path_;
};

}  // namespace ostrilo::sim
