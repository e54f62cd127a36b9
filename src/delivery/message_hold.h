#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "delivery/held_message.h"
#include "delivery/hold_spool.h"
#include "logging/log_writer.h"
#include "platform/durable_files.h"
#include "platform/monotonic_clock.h"
#include "platform/wall_clock.h"

namespace ostrilo {

struct HoldLimits {
    std::int32_t maxAgeMinutes = 0;
    std::int32_t maxMessages = 0;
};

// Messages Halvex could not take yet, oldest first, bounded in age, number and size, and
// kept in the spool file. Every message that leaves without being delivered gets a line
// saying why. Off (and empty) until Enable.
class MessageHold {
public:
    // Bounds the memory and the spool file whatever the number of messages allowed.
    static constexpr std::size_t kHeldTextLimit = 16 * 1024 * 1024;

    MessageHold(platform::DurableFiles& files, platform::WallClock& clock, platform::MonotonicClock& monotonicClock,
                LogWriter& log);
    MessageHold(const MessageHold&) = delete;
    MessageHold& operator=(const MessageHold&) = delete;

    // Reads back what an earlier run held.
    void Enable(const HoldLimits& limits, const std::string& appDirectory);
    bool IsEnabled() const { return enabled_; }
    bool IsEmpty() const { return held_.empty(); }
    std::int64_t Now() { return clock_.SecondsSinceEpoch(); }

    // Behind everything held: the order of fetching is kept.
    void HoldBack(HeldMessage message);
    // Messages taken out that could not be handed over after all: older than anything still held.
    void ReturnToFront(std::vector<HeldMessage> messages);
    void DiscardExpired();
    std::optional<HeldMessage> TakeOldest();

    // Changes between the two reach the disk once, at the end; outside them at once.
    void BeginBatch() { ++batchDepth_; }
    void EndBatch();

private:
    void NoteFilling();
    void LogHeld(const HeldMessage& message, std::size_t heldCount);
    void KeepWithinLimits();
    void DiscardOldest(const std::string& reason);
    void PopOldest();
    void Changed();

    platform::WallClock& clock_;
    LogWriter& log_;
    HoldSpool spool_;
    HoldLimits limits_;
    bool enabled_ = false;
    bool filling_ = false;
    int batchDepth_ = 0;
    std::deque<HeldMessage> held_;
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
