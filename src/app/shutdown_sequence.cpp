#include "app/shutdown_sequence.h"

#include <string>

#include "app/lifecycle_events.h"
#include "delivery/event_notification.h"
#include "delivery/socket_link.h"
#include "logging/log_writer.h"
#include "platform/process.h"
#include "platform/service_control.h"
#include "supervision/wincc_bridge.h"

namespace ostrilo {

ShutdownSequence::ShutdownSequence(const StartupState& state, LogWriter& log, WinCCBridge& bridge,
                                   SocketLink& socketLink, EventNotifier& notifier,
                                   platform::ServiceControl& service, platform::Process& process)
    : state_(state),
      log_(log),
      bridge_(bridge),
      socketLink_(socketLink),
      notifier_(notifier),
      service_(service),
      process_(process) {}

void ShutdownSequence::Run() {
    log_.WriteLog("Shutting down Ostrilo");
    StopBridgeLibrary();
    if (state_.runAsService) {
        service_.WriteEventLogEntry(kEventTypeInformation, kLifecycleEventId, "Ostrilo has been shutdown");
    }
    // The stop notification goes out while a Halvex connected by TCP can still receive it.
    notifier_.SendEventNotification(kNotifyOstriloStopped);
    CloseDataSocket();
    log_.WriteLog("Ostrilo has been shutdown");
    log_.WriteLog(std::string(120, '-'));
    if (state_.runAsService) service_.ReportStopped();
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
    for (int waited = 0; socketLink_.HasPendingOutput() && waited < kFlushTimeoutMs; waited += kFlushPollMs) {
        socketLink_.OnWritable();
        if (socketLink_.HasPendingOutput()) process_.SleepMilliseconds(kFlushPollMs);
    }
    socketLink_.CloseConnection();
}

}  // namespace ostrilo
