#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/event_log.h"

namespace ostrilo {

struct EventKind {
    platform::EventLevel level;
    std::uint32_t id;
};

// The time after an entry during which no other entry of its kind is written, so that
// neither a flapping state nor a burst can flood the event log.
class QuietPeriod {
public:
    static constexpr std::int64_t kMilliseconds = 10 * 60 * 1000;

    bool IsOver(std::int64_t now) const { return !startedAt_ || now - *startedAt_ >= kMilliseconds; }
    void Restart(std::int64_t now) { startedAt_ = now; }

private:
    std::optional<std::int64_t> startedAt_;
};

// A state that needs a person while it lasts: its start is written as `present`, its end
// as `absent`. Each of the two is written at most once per quiet period; a change that
// comes sooner waits for the period's end and is then written with the number of changes.
class AlertCondition {
public:
    AlertCondition(platform::EventLog& eventLog, EventKind present, EventKind absent);

    // `text` tells the new state, should it differ from the current one.
    void Set(bool present, const std::string& text, std::int64_t now);
    void WriteIfDue(std::int64_t now);

private:
    platform::EventLog& eventLog_;
    EventKind kinds_[2];  // absent, present
    QuietPeriod quiet_[2];
    bool present_ = false;
    std::string text_;
    int unwrittenChanges_ = 0;
};

// Something that happens again and again, such as a discarded message: the first time is
// written at once, later ones are counted into one entry per quiet period.
class AlertCount {
public:
    AlertCount(platform::EventLog& eventLog, EventKind kind);

    // `text` tells this occurrence.
    void Add(const std::string& text, std::int64_t now);
    void WriteIfDue(std::int64_t now);

private:
    platform::EventLog& eventLog_;
    EventKind kind_;
    QuietPeriod quiet_;
    std::string lastText_;
    int unwritten_ = 0;
};

}  // namespace ostrilo
