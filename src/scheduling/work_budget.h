#pragma once

#include <chrono>
#include <functional>

namespace ostrilo {

// The work one window message may do. Every loop over a backlog (lines waiting for the
// socket, lines of a dropped connection, messages held for Halvex) counts its lines here
// and stops once the budget is spent, leaving the rest to a later message: so the tick
// keeps its rhythm and the window keeps answering, however much has built up.
class WorkBudget {
public:
    using Milliseconds = std::chrono::milliseconds;
    // A monotonic reading; the steady clock unless a test drives the time.
    using TimeSource = std::function<std::chrono::steady_clock::time_point()>;

    // A line costs about a millisecond under load (the day file is opened and closed per
    // line), so the time usually ends a round first; the count bounds a fast machine.
    static constexpr int kLinesPerMessage = 200;
    static constexpr Milliseconds kTimePerMessage{50};

    explicit WorkBudget(TimeSource now = &std::chrono::steady_clock::now);

    // A new window message begins with the whole budget.
    void Renew();
    // Counts one line of work done.
    void Spend();
    // Whether this message has used up its lines or its time.
    bool Spent() const;

private:
    TimeSource now_;
    std::chrono::steady_clock::time_point started_;
    int linesDone_ = 0;
};

}  // namespace ostrilo
