#include "win32/program/ostrilo_program.h"

#include "app/app_directory.h"
#include "app/service_switches.h"
#include "app/shutdown_sequence.h"
#include "app/startup_sequence.h"
#include "delivery/hold_settings.h"
#include "error_policy/skip_on_failure.h"
#include "logging/crash_dump_retention.h"

namespace ostrilo::win32 {

OstriloProgram::OstriloProgram(MainWindow& window)
    : window_(window),
      service_(window.Handle(), kServiceRequestMessage),
      listener_(window.Handle(), kListenerEventMessage, kConnectionEventMessage),
      logList_(window.ListBox()),
      statusBar_(window.StatusBar()),
      rounds_(window.Handle(), kWorkRoundTimerId),
      log_(clock_, files_, settings_.appDirectory),
      alerts_(eventLog_, monotonicClock_, settings_.halvexUnreachableSeconds),
      linkWarnings_(log_, alerts_),
      config_(profileReader_, registry_, files_, settings_.appDirectory),
      listening_(listener_, log_, monotonicClock_, alerts_),
      admission_(settings_.halvexAddresses, log_, monotonicClock_),
      hold_(files_, clock_, monotonicClock_, log_, alerts_),
      socketLink_(statusBar_, log_, budget_, rounds_, &admission_, &hold_),
      delivery_(settings_.connectionType, halvex2_, halvex3_, socketLink_, log_, &hold_),
      notifier_(config_, delivery_),
      retention_(clock_, files_, settings_.appDirectory),
      tick_({settings_.connectionType, settings_.daysToKeepLogFiles, static_cast<std::int32_t>(kTickIntervalMs),
             settings_.heartbeatIntervalSeconds},
            {bridge_, delivery_, statusBar_, clock_, log_,
             [this](const std::string& section) { notifier_.SendEventNotification(section); },
             [this](const std::string& extension, std::int32_t days) {
                 retention_.DeleteOldLogFiles(extension, days);
             },
             monotonicClock_, [this] { notifier_.SendHeartbeat(); }, alerts_}),
      shutdownAfterTick_([this] { ShutDown(); }) {
    log_.AttachList(&logList_);
}

bool OstriloProgram::Start(const std::string& appDirectory) {
    settings_.appDirectory = appDirectory;
    const RunKind kind = ServiceSwitches(settings_, service_, process_, alerts_).InstallRemoveOrRefuse();
    RefuseLinkedFoldersInServiceMode();
    KeepNewestCrashDumps(files_, appDirectory + kLogFolderName + "\\");
    if (kind != RunKind::NormalStart) {
        ShutDown();
        return false;
    }
    StartupSequence startup(settings_, log_, config_, listening_, bridge_, alerts_);
    startup.AttachToServiceManager(service_);
    startup.SettleConfiguration();
    EnableHoldIfConfigured();
    const bool showWindow = startup.EnterRunMode(service_, folderSecurity_);
    notifier_.SendEventNotification(kNotifyOstriloStarted);
    started_ = true;
    return showWindow;
}

// The service writes with the system's rights: a folder of its own turned into a link
// by someone else must not take those writes elsewhere.
void OstriloProgram::RefuseLinkedFoldersInServiceMode() {
    if (!settings_.runAsService) return;
    files_.RefuseLinksIn({settings_.appDirectory + kLogFolderName, settings_.appDirectory + kSpoolFolderName},
                         [this](const std::string& folder) { linkWarnings_.Warn(folder); });
}

void OstriloProgram::ShutDown() {
    ShutdownSequence(settings_, log_, bridge_, socketLink_, notifier_, service_, process_, budget_).Run();
}

void OstriloProgram::EnableHoldIfConfigured() {
    if (settings_.connectionType == ConnectionType::NoAlarmExport) return;
    if (const auto limits = ReadHoldLimits(config_, log_)) hold_.Enable(*limits, settings_.appDirectory);
}

void OstriloProgram::OnTimer() {
    budget_.Renew();
    socketLink_.OnTick(listener_);
    listening_.RetryWhenDue();
    SkipOnFailure([this] { alerts_.WriteWhatIsDue(); });
    // Ticks that arrive while the start-up runs (a message box pumps messages) are ignored:
    // the shared state is not settled yet.
    if (started_) shutdownAfterTick_.RunTick([this] { DeliverHeldThenTick(); });
}

void OstriloProgram::DeliverHeldThenTick() {
    // Whatever this tick holds reaches the spool file once, at its end.
    const HoldBatch batch(hold_);
    // Held messages go first, so the fresh alarms of this tick can follow them at once.
    SkipOnFailure([this] { delivery_.DeliverHeldMessages(budget_); });
    tick_.OnTimer();
}

void OstriloProgram::OnWorkRound() {
    rounds_.RoundBegins();
    budget_.Renew();
    const HoldBatch batch(hold_);
    socketLink_.ContinueBacklog();
}

void OstriloProgram::OnResize() { window_.LayOutLogList(); }

void OstriloProgram::OnClose() { shutdownAfterTick_.RequestShutdown(); }

void OstriloProgram::OnSocketEvent(UINT message, WPARAM, LPARAM lParam) {
    budget_.Renew();
    // Lines a dropped link gives back reach the spool file together.
    const HoldBatch batch(hold_);
    const SocketEvent event = DecodeSocketMessage(lParam);
    if (message == kListenerEventMessage) {
        if (event.kind == SocketEvent::Kind::Accept) socketLink_.OnConnectionRequest(listener_);
        return;
    }
    if (event.errorCode != 0) {
        socketLink_.OnError();
        return;
    }
    switch (event.kind) {
    case SocketEvent::Kind::Read:
        socketLink_.OnReadable();
        break;
    case SocketEvent::Kind::Write:
        socketLink_.OnWritable();
        break;
    case SocketEvent::Kind::Close:
        socketLink_.OnClosed();
        break;
    default:
        break;
    }
}

void OstriloProgram::OnServiceRequest(WPARAM) {
    // Only stop and shutdown are accepted; both end the program through the shutdown.
    shutdownAfterTick_.RequestShutdown();
}

void OstriloProgram::OnSessionEnd() {
    // A service hears of a Windows shutdown from the service manager, and must outlive
    // the log-off of whoever was logged on.
    if (settings_.runAsService) return;
    // Windows may end the process as soon as this message is answered, even while a tick
    // waits in a library call that pumps messages: the shutdown cannot wait for that tick
    // to return. What the tick has held so far reaches the spool first.
    hold_.WriteOutNow();
    ShutDown();
}

}  // namespace ostrilo::win32
