#include "app/shutdown_sequence.h"

#include <string>

#include "app/lifecycle_events.h"
#include "delivery/event_notification.h"
#include "delivery/socket_link.h"
#include "logging/log_writer.h"
#include "platform/process.h"
#include "platform/service_control.h"
#include "scheduling/work_budget.h"
#include "supervision/wincc_bridge.h"

namespace ostrilo {

ShutdownSequence::ShutdownSequence(const RunSettings& settings, LogWriter& log, WinCCBridge& bridge,
                                   SocketLink& socketLink, EventNotifier& notifier,
                                   platform::ServiceControl& service, platform::Process& process,
                                   WorkBudget& budget)
    : settings_(settings),
      log_(log),
      bridge_(bridge),
      socketLink_(socketLink),
      notifier_(notifier),
      service_(service),
      process_(process),
      budget_(budget) {}

void ShutdownSequence::Run() {
    log_.WriteLog("Shutting down Ostrilo");
    StopBridgeLibrary();
    if (settings_.runAsService) {
        service_.WriteEventLogEntry(kEventTypeInformation, kLifecycleEventId, "Ostrilo has been shutdown");
    }
    // The stop notification goes out while a Halvex connected by TCP can still receive it.
    notifier_.SendEventNotification(kNotifyOstriloStopped);
    CloseDataSocket();
    log_.WriteLog("Ostrilo has been shutdown");
    log_.WriteLog(std::string(120, '-'));
    if (settings_.runAsService) service_.ReportStopped();
    process_.EndNow();
}

void ShutdownSequence::StopBridgeLibrary() {
    // A call that could not be made is reported as such, never as a success.
    log_.WriteLog(bridge_.StopWinCCMsgService() ? "Successfully called StopWinCCMsgService()"
                                                : "Failed to call StopWinCCMsgService()");
    log_.WriteLog(bridge_.DisconnectWinCCDMProc() ? "Successfully called DisconnectWinCCDMProc()"
                                                  : "Failed to call DisconnectWinCCDMProc()");
}

void ShutdownSequence::CloseDataSocket() {
    // A round that the budget ended counts as the budget's time, so a peer that keeps
    // reading cannot stretch the wait either.
    for (int waited = 0; socketLink_.HasPendingOutput() && waited < kFlushTimeoutMs;) {
        BeginRound();
        socketLink_.OnWritable();
        if (!socketLink_.WaitsForPeer()) {
            waited += static_cast<int>(WorkBudget::kTimePerMessage.count());
            continue;
        }
        process_.SleepMilliseconds(kFlushPollMs);
        waited += kFlushPollMs;
    }
    socketLink_.CloseConnection();
    while (socketLink_.HasPendingOutput()) {
        BeginRound();
        socketLink_.ContinueBacklog();
    }
}

void ShutdownSequence::BeginRound() {
    budget_.Renew();
    // A long backlog takes longer than the stop's wait hint; each round shows progress.
    if (settings_.runAsService) service_.ReportStopProgress();
}

}  // namespace ostrilo
