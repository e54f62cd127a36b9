#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace ostrilo::sim {

// A file that a test appends messages to, one per line in the escape syntax of
// text_escape.h. Only complete lines (ending in LF) count; a CR before the LF is dropped
// and empty lines are skipped. The read position lives in memory, so each line is handed
// over once; when the file shrinks (rewritten by the test) reading starts again at 0.
class MessageQueue {
public:
    explicit MessageQueue(std::string path) : path_(std::move(path)) {}

    // The next unread message, or nothing when none waits.
    std::optional<std::string> TakeNext();

private:
    void ReadAppendedLines();
    void AcceptLine(std::string_view line);

    std::string path_;
    std::uint64_t readOffset_ = 0;
    std::deque<std::string> waiting_;
    // Set after the head of an over-long line was taken: its tail is dropped.
    bool skippingRestOfLine_ = false;
};

}  // namespace ostrilo::sim
