#include "logging/alert_condition.h"

namespace ostrilo {

AlertCondition::AlertCondition(platform::EventLog& eventLog, EventKind present, EventKind absent)
    : eventLog_(eventLog), kinds_{absent, present} {}

void AlertCondition::Set(bool present, const std::string& text, std::int64_t now) {
    if (present == present_) return;
    present_ = present;
    text_ = text;
    ++unwrittenChanges_;
    WriteIfDue(now);
}

void AlertCondition::WriteIfDue(std::int64_t now) {
    if (unwrittenChanges_ == 0 || !quiet_[present_].IsOver(now)) return;
    const EventKind kind = kinds_[present_];
    eventLog_.Write(kind.level, kind.id,
                    unwrittenChanges_ == 1 ? text_
                                           : text_ + " (the state changed " + std::to_string(unwrittenChanges_) +
                                                 " times since the previous entry)");
    unwrittenChanges_ = 0;
    quiet_[present_].Restart(now);
}

AlertCount::AlertCount(platform::EventLog& eventLog, EventKind kind) : eventLog_(eventLog), kind_(kind) {}

void AlertCount::Add(const std::string& text, std::int64_t now) {
    lastText_ = text;
    ++unwritten_;
    WriteIfDue(now);
}

void AlertCount::WriteIfDue(std::int64_t now) {
    if (unwritten_ == 0 || !quiet_.IsOver(now)) return;
    eventLog_.Write(kind_.level, kind_.id,
                    unwritten_ == 1 ? lastText_
                                    : lastText_ + " (this happened " + std::to_string(unwritten_) +
                                          " times since the previous entry; the text tells the last)");
    unwritten_ = 0;
    quiet_.Restart(now);
}

}  // namespace ostrilo
