#include "common/message_queue.h"

#include <algorithm>

#include "common/text_escape.h"
#include "common/win_file.h"

namespace ostrilo::sim {
namespace {

// Bounds one read, and with it the memory held for unread messages.
constexpr std::size_t kReadChunkBytes = 64 * 1024;
// No caller can take more in one call: the capacity is a signed 16-bit count.
constexpr std::size_t kMaxMessageBytes = 32767;

}  // namespace

std::optional<std::string> MessageQueue::TakeNext() {
    if (waiting_.empty()) ReadAppendedLines();
    if (waiting_.empty()) return std::nullopt;
    std::string next = std::move(waiting_.front());
    waiting_.pop_front();
    return next;
}

void MessageQueue::ReadAppendedLines() {
    const auto stamp = ReadFileStamp(path_);
    if (!stamp) return;
    if (stamp->size < readOffset_) {
        readOffset_ = 0;
        skippingRestOfLine_ = false;
    }
    if (stamp->size == readOffset_) return;

    const std::uint64_t unread = stamp->size - readOffset_;
    const std::string chunk = ReadFileRange(path_, readOffset_, static_cast<std::size_t>(
                                                                    std::min<std::uint64_t>(unread, kReadChunkBytes)));
    std::size_t lineStart = 0;
    for (auto lineEnd = chunk.find('\n'); lineEnd != std::string::npos; lineEnd = chunk.find('\n', lineStart)) {
        AcceptLine(std::string_view(chunk).substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
    }
    if (lineStart == 0 && chunk.size() == kReadChunkBytes) {
        // A line longer than a whole chunk: keep its head, drop the rest when it comes.
        AcceptLine(chunk);
        skippingRestOfLine_ = true;
        lineStart = chunk.size();
    }
    // An unfinished last line stays in the file until its LF has been written.
    readOffset_ += lineStart;
}

void MessageQueue::AcceptLine(std::string_view line) {
    if (skippingRestOfLine_) {
        skippingRestOfLine_ = false;
        return;
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) return;
    std::string message = UnescapeText(line);
    if (message.size() > kMaxMessageBytes) message.resize(kMaxMessageBytes);
    waiting_.push_back(std::move(message));
}

}  // namespace ostrilo::sim
