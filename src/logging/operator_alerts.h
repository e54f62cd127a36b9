#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "logging/alert_condition.h"
#include "platform/event_log.h"
#include "platform/monotonic_clock.h"

namespace ostrilo {

// The event ids of the entries that need a person; the README's table and the message
// file list the same ones.
namespace event_id {
constexpr std::uint32_t kAlarmExportDisabled = 200;
constexpr std::uint32_t kServiceStartRefused = 201;
constexpr std::uint32_t kFolderOpenToNonAdministrators = 202;
constexpr std::uint32_t kListeningPortUnavailable = 210;
constexpr std::uint32_t kListeningPortAvailable = 211;
constexpr std::uint32_t kHalvexUnreachable = 220;
constexpr std::uint32_t kHalvexReachable = 221;
constexpr std::uint32_t kHoldFilling = 230;
constexpr std::uint32_t kHoldEmpty = 231;
constexpr std::uint32_t kHeldMessagesDiscarded = 232;
constexpr std::uint32_t kSpoolNotWritable = 233;
}  // namespace event_id

// Tells the event log, and so the plant's monitoring, of the states an operator must act
// on: at most one entry per change of a state, never one per alarm. The places where a
// state arises call in here; WriteWhatIsDue, at every timer tick, writes what waited out
// a quiet period.
class OperatorAlerts {
public:
    OperatorAlerts(platform::EventLog& eventLog, platform::MonotonicClock& clock);
    OperatorAlerts(const OperatorAlerts&) = delete;
    OperatorAlerts& operator=(const OperatorAlerts&) = delete;

    // `cause` says why and what to do; only the first cause of a start is written.
    void AlarmExportDisabled(const std::string& cause);
    void ServiceStartRefused(const std::string& text);
    void FolderOpenToNonAdministrators(const std::string& warning);
    void ListeningPortUnavailable(std::int32_t port, const std::string& error);
    void ListeningPortAvailable(std::int32_t port);
    // At every check of Halvex: warns once Halvex has been away for `limitSeconds` while
    // WinCC ran, and gives the all-clear when it is back.
    void HalvexReachability(bool winCCRunning, bool halvexRunning, std::int32_t limitSeconds);
    void HoldFilling(bool filling);
    void HeldMessageDiscarded(const std::string& reason);
    void SpoolNotWritable();
    void WriteWhatIsDue();

private:
    platform::EventLog& eventLog_;
    platform::MonotonicClock& clock_;
    bool exportDisabledWritten_ = false;
    std::optional<std::int64_t> halvexAwaySince_;
    AlertCondition portUnavailable_;
    AlertCondition halvexUnreachable_;
    AlertCondition holdFilling_;
    AlertCount discards_;
    AlertCount spoolNotWritable_;
};

}  // namespace ostrilo
