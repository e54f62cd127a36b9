#include "delivery/message_hold.h"

#include <utility>

namespace ostrilo {
namespace {

constexpr std::int64_t kSecondsPerMinute = 60;

}  // namespace

MessageHold::MessageHold(platform::DurableFiles& files, platform::WallClock& clock,
                         platform::MonotonicClock& monotonicClock, LogWriter& log)
    : clock_(clock), log_(log), spool_(files, log, monotonicClock) {}

void MessageHold::Enable(const HoldLimits& limits, const std::string& appDirectory) {
    limits_ = limits;
    enabled_ = true;
    log_.WriteLog("We will hold messages that Halvex cannot take for up to " + std::to_string(limits.maxAgeMinutes) +
                  " minutes, at most " + std::to_string(limits.maxMessages) + " of them, in " +
                  HoldSpool::kRelativePath);
    held_ = spool_.Open(appDirectory, Now());
    for (const HeldMessage& message : held_) heldTextBytes_ += message.text.size();
    filling_ = !held_.empty();
    HoldBatch batch(*this);
    KeepWithinLimits();
}

void MessageHold::HoldBack(HeldMessage message) {
    LogHeld(message, held_.size() + 1);
    spool_.NoteHeld(message);
    heldTextBytes_ += message.text.size();
    held_.push_back(std::move(message));
    KeepWithinLimits();
    Changed();
}

void MessageHold::ReturnToFront(std::vector<HeldMessage> messages) {
    if (messages.empty()) return;
    // A dropped link can give back thousands at once: one line says so, not one each.
    if (messages.size() == 1) {
        LogHeld(messages.front(), held_.size() + 1);
    } else {
        NoteFilling();
        log_.WriteLog("Held again " + std::to_string(messages.size()) + " messages that Halvex had not taken (" +
                      std::to_string(held_.size() + messages.size()) + " held), the oldest: " +
                      messages.front().text);
    }
    for (const HeldMessage& message : messages) heldTextBytes_ += message.text.size();
    held_.insert(held_.begin(), std::make_move_iterator(messages.begin()), std::make_move_iterator(messages.end()));
    spool_.NoteReordered();
    KeepWithinLimits();
    Changed();
}

void MessageHold::DiscardExpired() {
    const std::int64_t oldestKept = Now() - limits_.maxAgeMinutes * kSecondsPerMinute;
    bool discarded = false;
    // Held in order of arrival, so the expired ones are at the front.
    while (!held_.empty() && held_.front().heldSince < oldestKept) {
        DiscardOldest("older than " + std::to_string(limits_.maxAgeMinutes) + " minutes");
        discarded = true;
    }
    if (discarded) Changed();
}

std::optional<HeldMessage> MessageHold::TakeOldest() {
    DiscardExpired();
    if (held_.empty()) return std::nullopt;
    HeldMessage oldest = std::move(held_.front());
    PopOldest();
    Changed();
    return oldest;
}

void MessageHold::EndBatch() {
    if (--batchDepth_ == 0) Changed();
}

void MessageHold::NoteFilling() {
    if (filling_) return;
    filling_ = true;
    log_.WriteLog("Halvex cannot take messages now: holding them until it can");
}

void MessageHold::LogHeld(const HeldMessage& message, std::size_t heldCount) {
    NoteFilling();
    log_.WriteLog("Held Message for Halvex (" + std::to_string(heldCount) + " held): " + message.text);
}

void MessageHold::KeepWithinLimits() {
    while (held_.size() > static_cast<std::size_t>(limits_.maxMessages) || heldTextBytes_ > kHeldTextLimit) {
        DiscardOldest("hold full");
    }
}

void MessageHold::DiscardOldest(const std::string& reason) {
    log_.WriteLog("Discarded held Message to Halvex (" + reason + "): " + held_.front().text);
    PopOldest();
}

void MessageHold::PopOldest() {
    heldTextBytes_ -= held_.front().text.size();
    held_.pop_front();
    spool_.NoteTaken();
}

void MessageHold::Changed() {
    if (batchDepth_ > 0) return;
    spool_.Flush(held_);
    if (filling_ && held_.empty()) {
        filling_ = false;
        log_.WriteLog("The hold is empty again: every held message went to Halvex or was discarded");
    }
}

}  // namespace ostrilo
