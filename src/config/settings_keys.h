#pragma once
// Every setting the program reads: the section or registry value it stands under, its key,
// what it is when absent and the range it is taken in. The readers elsewhere say what an
// unusable value becomes and what they log about it; the names and numbers live here.

#include <cstddef>
#include <cstdint>

namespace ostrilo {

// --- Ostrilo.ini, [General]; ConnectionType and the port may also come from the older
// registry key, whose value wins unless it is absent, not a number, or -1.

inline constexpr char kGeneralSection[] = "General";

// How alarms reach Halvex (see connection_type.h); none set means no alarm is exported.
inline constexpr char kConnectionTypeKey[] = "ConnectionType";

// The TCP port Halvex connects to; the registry names it differently.
inline constexpr char kPortNumberKey[] = "PortNumber";
inline constexpr char kPortNumberRegistryValue[] = "ServerPort";
inline constexpr std::int32_t kDefaultListeningPort = 14000;

// The one local IPv4 address to listen at; empty listens at every address.
inline constexpr char kListenAddressKey[] = "ListenAddress";

// Addresses and address/prefix ranges that may connect; empty admits everyone, one that
// fills the profile reader's whole buffer (it may be cut) admits nobody.
inline constexpr char kHalvexAddressesKey[] = "HalvexAddresses";

// Days a log file is kept; a whole number of at least the fewest, else the default.
inline constexpr char kDaysToKeepLogFilesKey[] = "DaysToKeepLogFiles";
inline constexpr std::int32_t kDefaultDaysToKeepLogFiles = 60;
inline constexpr std::int32_t kFewestDaysToKeepLogFiles = 0;

// Minutes an undelivered message is held; absent or 0 leaves the hold off.
inline constexpr char kHoldMinutesKey[] = "HoldUndeliveredMinutes";
// Messages held at most; absent or 0 takes the default, more than the most are cut to it.
inline constexpr char kHoldMessagesKey[] = "HoldUndeliveredMessages";
inline constexpr std::int32_t kDefaultHeldMessages = 10000;
inline constexpr std::int32_t kMostHeldMessages = 100000;

// Seconds Halvex may stay unreachable while WinCC runs before the event log hears of it;
// more than 0, else the default.
inline constexpr char kHalvexUnreachableSecondsKey[] = "HalvexUnreachableWarningSeconds";
inline constexpr std::int32_t kDefaultHalvexUnreachableSeconds = 300;

// --- Ostrilo.ini, the sections that say what Halvex is told about each lifecycle event.

inline constexpr char kNotifyOstriloStarted[] = "HalvexMessageWhenOstriloIsStarted";
inline constexpr char kNotifyOstriloStopped[] = "HalvexMessageWhenOstriloIsStopped";
inline constexpr char kNotifyWinCCStarted[] = "HalvexMessageWhenWinCCIsStarted";
inline constexpr char kNotifyWinCCStopped[] = "HalvexMessageWhenWinCCIsStopped";
// Sent at a steady interval while alarms can flow.
inline constexpr char kHeartbeatSection[] = "HalvexMessageHeartbeat";

// In each of those sections: the event type, 0 to the highest; absent or any other sends nothing.
inline constexpr char kEventTypeKey[] = "EventType";
inline constexpr char kNoEventType[] = "-1";
inline constexpr std::int32_t kHighestEventType = 2;
// The message's fields T0 to T4, passed through as they stand; absent is empty.
inline constexpr char kNotificationFieldKeyPrefix[] = "T";
inline constexpr std::size_t kNotificationFieldCount = 5;

// In the heartbeat's section only: seconds between heartbeats; absent or 0 sends none, fewer
// than the shortest are raised to it, so that Halvex is not flooded.
inline constexpr char kHeartbeatIntervalKey[] = "IntervalSeconds";
inline constexpr std::int32_t kShortestHeartbeatSeconds = 10;

// --- The service's own settings, kept by the program (see the service's settings store).

inline constexpr char kServiceSettingsSection[] = "Parameters";
// A whole number other than 0 runs as a service; absent or anything else, as an application.
inline constexpr char kRunAsServiceKey[] = "RunAsService";

}  // namespace ostrilo
