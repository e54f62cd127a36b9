#include "delivery/halvex_delivery.h"

namespace ostrilo {

namespace {

constexpr char kCommandPrefix[] = "TA:";
constexpr char kCommandSuffix[] = "||24";
constexpr std::int32_t kRunningAppsQuery = 1;
constexpr std::int32_t kCommandFlags = 0;

constexpr char kQueuedWithHalvex2[] = "Queued Message to Halvex using Halvex2.DLL: ";
constexpr char kQueuedWithHalvex3[] = "Queued Message to Halvex using Halvex3.DLL: ";
constexpr char kNotQueued[] = "Failed to queued Message to Halvex (not running?): ";

// A library that cannot be loaded answers nothing and so counts as not running.
bool ReportsRunning(HalvexClient& client) {
    const auto running = client.GetRunningApps(kRunningAppsQuery);
    return running.has_value() && *running != 0;
}

}  // namespace

std::string LibraryCommandFor(const std::string& message) { return kCommandPrefix + message + kCommandSuffix; }

std::string SocketLineFor(const std::string& message) { return message + kCommandSuffix + '\n'; }

HalvexDelivery::HalvexDelivery(const std::int32_t& connectionType, HalvexClient& halvex2, HalvexClient& halvex3,
                               SocketLink& socketLink, LogWriter& log)
    : connectionType_(connectionType), halvex2_(halvex2), halvex3_(halvex3), socketLink_(socketLink), log_(log) {}

bool HalvexDelivery::SendToHalvex(const std::string& message) {
    if (connectionType_ == kConnectionBySocket) return socketLink_.Deliver(SocketLineFor(message), message);
    if (connectionType_ != kConnectionByLibraries) return false;

    // Every message is offered to both generations of Halvex, Halvex2 first.
    const std::string command = LibraryCommandFor(message);
    const bool queuedWith2 = QueueWith(halvex2_, command, message, kQueuedWithHalvex2);
    const bool queuedWith3 = QueueWith(halvex3_, command, message, kQueuedWithHalvex3);
    if (queuedWith2 || queuedWith3) return true;
    log_.WriteLog(kNotQueued + message);
    return false;
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
