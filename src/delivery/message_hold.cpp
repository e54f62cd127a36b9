#include "delivery/message_hold.h"

#include <utility>

namespace ostrilo {
namespace {

constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kMillisecondsPerSecond = 1000;

}  // namespace

MessageHold::MessageHold(platform::DurableFiles& files, platform::WallClock& clock,
                         platform::MonotonicClock& monotonicClock, LogWriter& log, OperatorAlerts& alerts)
    : clock_(clock),
      monotonicClock_(monotonicClock),
      log_(log),
      alerts_(alerts),
      spool_(files, log, monotonicClock, alerts) {}

void MessageHold::Enable(const HoldLimits& limits, const std::string& appDirectory) {
    limits_ = limits;
    enabled_ = true;
    startSeconds_ = clock_.SecondsSinceEpoch();
    startMilliseconds_ = monotonicClock_.Milliseconds();
    log_.WriteLog("We will hold messages that Halvex cannot take for up to " + std::to_string(limits.maxAgeMinutes) +
                  " minutes, at most " + std::to_string(limits.maxMessages) + " of them, in " +
                  HoldSpool::kRelativePath);
    held_ = spool_.Open(appDirectory, Now());
    for (const HeldMessage& message : held_) heldTextBytes_ += message.text.size();
    filling_ = !held_.empty();
}

std::int64_t MessageHold::Now() {
    return startSeconds_ + (monotonicClock_.Milliseconds() - startMilliseconds_) / kMillisecondsPerSecond;
}

void MessageHold::HoldBack(HeldMessage message) {
    LogHeld(message, held_.size() + 1);
    spool_.NoteHeld(message);
    heldTextBytes_ += message.text.size();
    held_.push_back(std::move(message));
    Changed();
}

std::optional<HeldMessage> MessageHold::HandOutOldest() {
    if (Waiting() == 0) return std::nullopt;
    return held_[handedOut_++];
}

void MessageHold::Delivered() {
    heldTextBytes_ -= held_.front().text.size();
    held_.pop_front();
    --handedOut_;
    spool_.NoteTaken();
    Changed();
}

void MessageHold::KeepOutgoing(HeldMessage message) {
    InsertBehindHandedOut({std::move(message)});
    ++handedOut_;
    Changed();
}

void MessageHold::ReturnToFront(std::vector<HeldMessage> notKept) {
    const std::size_t returned = handedOut_ + notKept.size();
    if (returned == 0) return;
    InsertBehindHandedOut(std::move(notKept));
    handedOut_ = 0;
    // A dropped link can give back thousands at once: one line says so, not one each.
    if (returned == 1) {
        LogHeld(held_.front(), held_.size());
    } else {
        NoteFilling();
        log_.WriteLog("Held again " + std::to_string(returned) + " messages that Halvex had not taken (" +
                      std::to_string(held_.size()) + " held), the oldest: " + held_.front().text);
    }
    Changed();
}

void MessageHold::DiscardDue(WorkBudget& budget) {
    bool discarded = false;
    for (; !budget.Spent(); budget.Spend(), discarded = true) {
        if (OldestWaitingExpired()) {
            DiscardOldest("older than " + std::to_string(limits_.maxAgeMinutes) + " minutes");
        } else if (OverLimits()) {
            DiscardOldest("hold full");
        } else {
            break;
        }
    }
    if (discarded) Changed();
}

void MessageHold::EndBatch() {
    if (--batchDepth_ == 0) Changed();
}

bool MessageHold::OverLimits() const {
    return Waiting() > 0 &&
           (Waiting() > static_cast<std::size_t>(limits_.maxMessages) || heldTextBytes_ > kHeldTextLimit);
}

bool MessageHold::OldestWaitingExpired() {
    // Held in order of arrival, so the expired ones are at the front.
    return Waiting() > 0 && held_[handedOut_].heldSince < Now() - limits_.maxAgeMinutes * kSecondsPerMinute;
}

void MessageHold::NoteFilling() {
    if (filling_) return;
    filling_ = true;
    log_.WriteLog("Halvex cannot take messages now: holding them until it can");
    alerts_.HoldFilling(true);
}

void MessageHold::LogHeld(const HeldMessage& message, std::size_t heldCount) {
    NoteFilling();
    log_.WriteLog("Held Message for Halvex (" + std::to_string(heldCount) + " held): " + message.text);
}

void MessageHold::DiscardOldest(const std::string& reason) {
    const auto oldest = held_.begin() + static_cast<std::ptrdiff_t>(handedOut_);
    log_.WriteLog("Discarded held Message to Halvex (" + reason + "): " + oldest->text);
    alerts_.HeldMessageDiscarded(reason);
    heldTextBytes_ -= oldest->text.size();
    held_.erase(oldest);
    // Behind messages out for delivery it is no longer the spool's first record.
    if (handedOut_ == 0) {
        spool_.NoteTaken();
    } else {
        spool_.NoteReordered();
    }
}

void MessageHold::InsertBehindHandedOut(std::vector<HeldMessage> messages) {
    if (messages.empty()) return;
    for (const HeldMessage& message : messages) {
        heldTextBytes_ += message.text.size();
        // With nothing waiting, behind those out for delivery is the spool's end.
        if (Waiting() == 0) spool_.NoteHeld(message);
    }
    if (Waiting() > 0) spool_.NoteReordered();
    held_.insert(held_.begin() + static_cast<std::ptrdiff_t>(handedOut_), std::make_move_iterator(messages.begin()),
                 std::make_move_iterator(messages.end()));
}

void MessageHold::Changed() {
    if (batchDepth_ > 0) return;
    spool_.Flush(held_);
    if (filling_ && held_.empty()) {
        filling_ = false;
        log_.WriteLog("The hold is empty again: every held message went to Halvex or was discarded");
        alerts_.HoldFilling(false);
    }
}

}  // namespace ostrilo
