#include "delivery/halvex_delivery.h"

#include <utility>

namespace ostrilo {

namespace {

constexpr char kCommandPrefix[] = "TA:";
constexpr char kCommandSuffix[] = "||24";
constexpr std::int32_t kRunningAppsQuery = 1;
constexpr std::int32_t kCommandFlags = 0;

constexpr char kQueuedWithHalvex2[] = "Queued Message to Halvex using Halvex2.DLL: ";
constexpr char kQueuedWithHalvex3[] = "Queued Message to Halvex using Halvex3.DLL: ";
// The plant's log readers match this text as it stands: its grammar is part of the
// contract and must not be mended.
constexpr char kNotQueued[] = "Failed to queued Message to Halvex (not running?): ";

// A library that cannot be loaded answers nothing and so counts as not running.
bool ReportsRunning(HalvexClient& client) {
    const auto running = client.GetRunningApps(kRunningAppsQuery);
    return running.has_value() && *running != 0;
}

class RaisedWhileInScope {
public:
    explicit RaisedWhileInScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~RaisedWhileInScope() { flag_ = false; }
    RaisedWhileInScope(const RaisedWhileInScope&) = delete;
    RaisedWhileInScope& operator=(const RaisedWhileInScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

std::string LibraryCommandFor(const std::string& message) { return kCommandPrefix + message + kCommandSuffix; }

std::string SocketLineFor(const std::string& message) { return message + kCommandSuffix + '\n'; }

HalvexDelivery::HalvexDelivery(ConnectionType connectionType, HalvexClient& halvex2, HalvexClient& halvex3,
                               SocketLink& socketLink, LogWriter& log, MessageHold* hold)
    : connectionType_(connectionType),
      halvex2_(halvex2),
      halvex3_(halvex3),
      socketLink_(socketLink),
      log_(log),
      hold_(hold) {}

bool HalvexDelivery::SendToHalvex(const std::string& message, WhenUndeliverable whenUndeliverable) {
    const bool mayHold = whenUndeliverable == WhenUndeliverable::HoldIfEnabled && HoldIsOn();
    if (!mayHold) return HandOver({0, message}, Holding::Never);
    HeldMessage fresh{hold_->Now(), message};
    // Overtaking the held messages would change the order Halvex sees.
    if (!hold_->IsEmpty()) {
        hold_->HoldBack(std::move(fresh));
        return false;
    }
    return HandOver(fresh, Holding::Fresh);
}

void HalvexDelivery::DeliverHeldMessages(WorkBudget& budget) {
    // A library call that lets the window run a nested tick must not reorder the hold.
    if (!HoldIsOn() || deliveringHeld_) return;
    const RaisedWhileInScope busy(deliveringHeld_);
    hold_->DiscardDue(budget);
    if (hold_->IsEmpty() || !CanTakeHeldMessage()) return;
    for (int handed = 0; handed < kHeldMessagesPerTick && !budget.Spent(); ++handed) {
        // A slow peer paces the catching up: no more waits in memory than it has taken.
        if (connectionType_ == ConnectionType::BySocket && socketLink_.HasPendingOutput()) return;
        const std::optional<HeldMessage> oldest = hold_->HandOutOldest();
        if (!oldest || !HandOver(*oldest, Holding::HandedOut)) return;
        budget.Spend();
    }
}

bool HalvexDelivery::HoldIsOn() const {
    const bool delivering = connectionType_ != ConnectionType::NoAlarmExport;
    return delivering && hold_ != nullptr && hold_->IsEnabled();
}

bool HalvexDelivery::HandOver(const HeldMessage& message, Holding holding) {
    const bool mayHold = holding != Holding::Never;
    if (connectionType_ == ConnectionType::BySocket) {
        return socketLink_.Deliver(SocketLineFor(message.text), message.text,
                                   mayHold ? std::optional<std::int64_t>(message.heldSince) : std::nullopt,
                                   holding == Holding::HandedOut);
    }
    if (connectionType_ != ConnectionType::ByLibraries) return false;
    const bool queued = QueueWithLibraries(message.text);
    if (holding == Holding::HandedOut) {
        if (queued) {
            hold_->Delivered();
        } else {
            hold_->ReturnToFront({});  // back at its own place: the spool file needs no change
        }
    } else if (!queued && holding == Holding::Fresh) {
        hold_->ReturnToFront({message});
    } else if (!queued) {
        log_.WriteLog(kNotQueued + message.text);
    }
    return queued;
}

bool HalvexDelivery::QueueWithLibraries(const std::string& message) {
    // Every message is offered to both generations of Halvex, Halvex2 first.
    const std::string command = LibraryCommandFor(message);
    const bool queuedWith2 = QueueWith(halvex2_, command, message, kQueuedWithHalvex2);
    const bool queuedWith3 = QueueWith(halvex3_, command, message, kQueuedWithHalvex3);
    return queuedWith2 || queuedWith3;
}

bool HalvexDelivery::CanTakeHeldMessage() {
    if (connectionType_ == ConnectionType::BySocket) return socketLink_.IsConnected();
    return ReportsRunning(halvex2_) || ReportsRunning(halvex3_);
}

bool HalvexDelivery::IsHalvexRunning() {
    // All three probes run every time; only their answers are combined.
    const bool halvex2Running = ReportsRunning(halvex2_);
    const bool halvex3Running = ReportsRunning(halvex3_);
    return halvex2Running || halvex3Running || socketLink_.IsConnected();
}

bool HalvexDelivery::QueueWith(HalvexClient& client, const std::string& command, const std::string& message,
                               const char* queuedLine) {
    if (!ReportsRunning(client)) return false;
    // A library that answered but lost its queue entry point has not taken the message.
    if (!client.SetCommandEntry(command, kCommandFlags)) return false;
    log_.WriteLog(queuedLine + message);
    return true;
}

}  // namespace ostrilo
