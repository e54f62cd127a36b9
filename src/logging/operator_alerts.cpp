#include "logging/operator_alerts.h"

namespace ostrilo {
namespace {

using platform::EventLevel;

constexpr EventKind kInformation(std::uint32_t id) { return {EventLevel::Information, id}; }

}  // namespace

OperatorAlerts::OperatorAlerts(platform::EventLog& eventLog, platform::MonotonicClock& clock)
    : eventLog_(eventLog),
      clock_(clock),
      portUnavailable_(eventLog, {EventLevel::Error, event_id::kListeningPortUnavailable},
                       kInformation(event_id::kListeningPortAvailable)),
      halvexUnreachable_(eventLog, {EventLevel::Error, event_id::kHalvexUnreachable},
                         kInformation(event_id::kHalvexReachable)),
      holdFilling_(eventLog, {EventLevel::Warning, event_id::kHoldFilling}, kInformation(event_id::kHoldEmpty)),
      discards_(eventLog, {EventLevel::Error, event_id::kHeldMessagesDiscarded}),
      spoolNotWritable_(eventLog, {EventLevel::Error, event_id::kSpoolNotWritable}) {}

void OperatorAlerts::AlarmExportDisabled(const std::string& cause) {
    // Disabled export lasts the whole run; a second cause would only repeat the news.
    if (exportDisabledWritten_) return;
    exportDisabledWritten_ = true;
    eventLog_.Write(EventLevel::Error, event_id::kAlarmExportDisabled,
                    "Ostrilo relays no alarms to Halvex: " + cause + ", then restart Ostrilo");
}

void OperatorAlerts::ServiceStartRefused(const std::string& text) {
    eventLog_.Write(EventLevel::Error, event_id::kServiceStartRefused, text);
}

void OperatorAlerts::FolderOpenToNonAdministrators(const std::string& warning) {
    eventLog_.Write(EventLevel::Warning, event_id::kFolderOpenToNonAdministrators, warning);
}

void OperatorAlerts::ListeningPortUnavailable(std::int32_t port, const std::string& error) {
    portUnavailable_.Set(true,
                         "Ostrilo cannot listen for Halvex at port " + std::to_string(port) + ": " + error +
                             ". Halvex cannot connect, so no alarm reaches it. Free the port, or correct "
                             "PortNumber and ListenAddress in Ostrilo.ini",
                         clock_.Milliseconds());
}

void OperatorAlerts::ListeningPortAvailable(std::int32_t port) {
    portUnavailable_.Set(false, "Ostrilo listens for Halvex at port " + std::to_string(port) + " again",
                         clock_.Milliseconds());
}

void OperatorAlerts::HalvexReachability(bool winCCRunning, bool halvexRunning, std::int32_t limitSeconds) {
    const std::int64_t now = clock_.Milliseconds();
    if (halvexRunning) {
        halvexAwaySince_.reset();
        halvexUnreachable_.Set(false, "Halvex is reachable again", now);
        return;
    }
    // Without WinCC no alarm waits for Halvex; the time counts from WinCC's start.
    if (!winCCRunning) {
        halvexAwaySince_.reset();
        return;
    }
    if (!halvexAwaySince_) halvexAwaySince_ = now;
    const std::int64_t limit = std::int64_t{limitSeconds} * 1000;
    if (now - *halvexAwaySince_ < limit) return;
    halvexUnreachable_.Set(true,
                           "Halvex has been unreachable for more than " + std::to_string(limitSeconds) +
                               " seconds while WinCC runs: alarms do not reach it. Check that the Halvex server "
                               "runs and that it and this PC can reach each other",
                           now);
}

void OperatorAlerts::HoldFilling(bool filling) {
    holdFilling_.Set(filling,
                     filling ? "Halvex cannot take messages now: Ostrilo holds them until it can, and discards "
                               "those that grow too old or too many"
                             : "The hold is empty again: every held message went to Halvex or was discarded",
                     clock_.Milliseconds());
}

void OperatorAlerts::HeldMessageDiscarded(const std::string& reason) {
    discards_.Add("Discarded a held message that never reached Halvex (" + reason +
                      "); the log names every discarded message",
                  clock_.Milliseconds());
}

void OperatorAlerts::SpoolNotWritable() {
    spoolNotWritable_.Add("Cannot write Spool\\HeldMessages.dat: held messages are kept in memory only and are lost "
                          "if Ostrilo stops. Let the account Ostrilo runs under change files in the Spool folder",
                          clock_.Milliseconds());
}

void OperatorAlerts::WriteWhatIsDue() {
    const std::int64_t now = clock_.Milliseconds();
    portUnavailable_.WriteIfDue(now);
    halvexUnreachable_.WriteIfDue(now);
    holdFilling_.WriteIfDue(now);
    discards_.WriteIfDue(now);
    spoolNotWritable_.WriteIfDue(now);
}

}  // namespace ostrilo
