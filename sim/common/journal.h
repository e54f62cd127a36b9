#pragma once

#include <string>

#include "common/win_file.h"

namespace ostrilo::sim {

// The record of every call, one LF-terminated line each. The file stays open for appending
// (opening it per line costs three times as much under Wine) and every line goes straight
// to the file, so a reader outside sees it while the program still runs. A line that
// cannot be written is lost: the simulated library answers its caller regardless.
class Journal {
public:
    explicit Journal(std::string path) : path_(std::move(path)) {}
    void Record(std::string line);

private:
    std::string path_;
    FileHandle file_{INVALID_HANDLE_VALUE};
};

}  // namespace ostrilo::sim
