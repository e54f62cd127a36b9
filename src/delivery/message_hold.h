#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "config/hold_settings.h"
#include "delivery/held_message.h"
#include "delivery/hold_spool.h"
#include "logging/log_writer.h"
#include "logging/operator_alerts.h"
#include "platform/durable_files.h"
#include "platform/monotonic_clock.h"
#include "platform/wall_clock.h"
#include "scheduling/work_budget.h"

namespace ostrilo {

// Messages Halvex could not take yet, oldest first, bounded in age, number and size, and
// kept in the spool file. Every message that leaves without being delivered gets a line
// saying why. Off (and empty) until Enable.
//
// A message handed out stays in the spool file until Halvex has taken it: the oldest
// ones may be out with the socket link, waiting in its outgoing buffer, ahead of those
// still waiting here. Ages are measured on a clock that a change of the PC's date does
// not move; only across a restart is the wall clock all there is.
class MessageHold {
public:
    // Bounds the memory and the spool file whatever the number of messages allowed.
    static constexpr std::size_t kHeldTextLimit = 16 * 1024 * 1024;

    MessageHold(platform::DurableFiles& files, platform::WallClock& clock, platform::MonotonicClock& monotonicClock,
                LogWriter& log, OperatorAlerts& alerts);
    MessageHold(const MessageHold&) = delete;
    MessageHold& operator=(const MessageHold&) = delete;

    // Reads back what an earlier run held.
    void Enable(const HoldLimits& limits, const std::string& appDirectory);
    bool IsEnabled() const { return enabled_; }
    // Nothing waits to be handed out.
    bool IsEmpty() const { return held_.size() == handedOut_; }
    // UTC seconds as of the start, moved on by the monotonic clock since.
    std::int64_t Now();

    // Behind everything held: the order of fetching is kept. What it pushes beyond the
    // limits goes at the next DiscardDue.
    void HoldBack(HeldMessage message);
    // The oldest waiting message, now out for delivery; it stays in the spool until Delivered.
    std::optional<HeldMessage> HandOutOldest();
    // Halvex took the oldest message out.
    void Delivered();
    // A fresh message that waits for the socket: kept in the spool as out for delivery.
    void KeepOutgoing(HeldMessage message);
    // Every message out for delivery comes back, with `notKept`, fresh ones never kept,
    // behind them: all older than anything still waiting.
    void ReturnToFront(std::vector<HeldMessage> notKept);
    // Discards messages too old or beyond the limits, as many as `budget` allows; the
    // rest follow at later calls.
    void DiscardDue(WorkBudget& budget);

    // Changes between the two reach the disk once, at the end; outside them at once.
    void BeginBatch() { ++batchDepth_; }
    void EndBatch();
    // Before the process ends inside a batch: what is held reaches the disk now.
    void WriteOutNow() { spool_.Flush(held_); }

private:
    std::size_t Waiting() const { return held_.size() - handedOut_; }
    bool OverLimits() const;
    bool OldestWaitingExpired();
    void NoteFilling();
    void LogHeld(const HeldMessage& message, std::size_t heldCount);
    void DiscardOldest(const std::string& reason);
    // Places messages that are not in the spool yet right behind those out for delivery.
    void InsertBehindHandedOut(std::vector<HeldMessage> messages);
    void Changed();

    platform::WallClock& clock_;
    platform::MonotonicClock& monotonicClock_;
    std::int64_t startSeconds_ = 0;
    std::int64_t startMilliseconds_ = 0;
    LogWriter& log_;
    OperatorAlerts& alerts_;
    HoldSpool spool_;
    HoldLimits limits_;
    bool enabled_ = false;
    bool filling_ = false;
    int batchDepth_ = 0;
    // The first `handedOut_` are out for delivery, the others wait.
    std::deque<HeldMessage> held_;
    std::size_t handedOut_ = 0;
    std::size_t heldTextBytes_ = 0;
};

// Groups the changes of one tick or event into one write of the spool file.
class HoldBatch {
public:
    explicit HoldBatch(MessageHold& hold) : hold_(hold) { hold_.BeginBatch(); }
    ~HoldBatch() { hold_.EndBatch(); }
    HoldBatch(const HoldBatch&) = delete;
    HoldBatch& operator=(const HoldBatch&) = delete;

private:
    MessageHold& hold_;
};

}  // namespace ostrilo
