#include "win32/program/ostrilo_program.h"

#include <utility>

#include "app/app_directory.h"
#include "app/service_switches.h"
#include "app/shutdown_sequence.h"
#include "app/startup_sequence.h"
#include "config/hold_settings.h"
#include "error_policy/skip_on_failure.h"
#include "logging/crash_dump_retention.h"

namespace ostrilo::win32 {
namespace {

// How every window message that moves lines begins: with the whole work budget, and with
// the hold's changes reaching the spool file once, as the message ends.
class MessageRound {
public:
    MessageRound(WorkBudget& budget, MessageHold& hold) : batch_(hold) { budget.Renew(); }

private:
    const HoldBatch batch_;
};

}  // namespace

OstriloProgram::OstriloProgram(MainWindow& window, std::string appDirectory)
    : window_(window),
      service_(window.Handle(), kServiceRequestMessage),
      listener_(window.Handle(), kListenerEventMessage, kConnectionEventMessage),
      logList_(window.ListBox()),
      statusBar_(window.StatusBar()),
      rounds_(window.Handle(), kWorkRoundTimerId),
      log_(clock_, files_, appDirectory),
      alerts_(eventLog_, monotonicClock_),
      linkWarnings_(log_, alerts_),
      config_(profileReader_, registry_, files_, appDirectory),
      listening_(listener_, log_, monotonicClock_, alerts_),
      hold_(files_, clock_, monotonicClock_, log_, alerts_),
      retention_(clock_, files_, appDirectory),
      shutdownAfterTick_([this] { ShutDown(); }) {
    settings_.appDirectory = std::move(appDirectory);
    log_.AttachList(&logList_);
}

OstriloProgram::RunParts::RunParts(OstriloProgram& program)
    : admission(program.settings_.halvexAddresses, program.log_, program.monotonicClock_),
      socketLink(program.statusBar_, program.log_, program.budget_, program.rounds_, &admission, &program.hold_),
      delivery(program.settings_.connectionType, program.halvex2_, program.halvex3_, socketLink, program.log_,
               &program.hold_),
      notifier(program.config_, delivery),
      tick({program.settings_.connectionType, program.settings_.daysToKeepLogFiles,
            static_cast<std::int32_t>(kTickIntervalMs), program.settings_.heartbeatIntervalSeconds,
            program.settings_.halvexUnreachableSeconds},
           {program.bridge_, delivery, program.statusBar_, program.clock_, program.log_,
            [this](const std::string& section) { notifier.SendEventNotification(section); },
            [&program](const std::string& extension, std::int32_t days) {
                program.retention_.DeleteOldLogFiles(extension, days);
            },
            program.monotonicClock_, [this] { notifier.SendHeartbeat(); }, program.alerts_}) {}

bool OstriloProgram::Start() {
    const RunKind kind = ServiceSwitches(settings_, service_, process_, alerts_).InstallRemoveOrRefuse();
    RefuseLinkedFoldersInServiceMode();
    KeepNewestCrashDumps(files_, settings_.appDirectory + kLogFolderName + "\\");
    if (kind != RunKind::NormalStart) {
        ShutDown();
        return false;
    }
    StartupSequence startup(settings_, log_, config_, listening_, bridge_, alerts_);
    startup.AttachToServiceManager(service_);
    startup.SettleConfiguration();
    EnableHoldIfConfigured();
    BuildRunParts();
    const bool showWindow = startup.EnterRunMode(service_, folderSecurity_);
    parts_->notifier.SendEventNotification(kNotifyOstriloStarted);
    started_ = true;
    return showWindow;
}

void OstriloProgram::BuildRunParts() {
    parts_.emplace(*this);
    if (std::exchange(connectionRequestWaiting_, false)) parts_->socketLink.OnConnectionRequest(listener_);
}

// The service writes with the system's rights: a folder of its own turned into a link
// by someone else must not take those writes elsewhere.
void OstriloProgram::RefuseLinkedFoldersInServiceMode() {
    if (!settings_.runAsService) return;
    files_.RefuseLinksIn({settings_.appDirectory + kLogFolderName, settings_.appDirectory + kSpoolFolderName},
                         [this](const std::string& folder) { linkWarnings_.Warn(folder); });
}

// A shutdown that comes before the start-up has built the parts (an installation or
// removal run, or a stop while the start-up waits in a library call) builds them from the
// settings as they stand, so that its stop notification goes out all the same.
void OstriloProgram::ShutDown() {
    if (!parts_) parts_.emplace(*this);
    ShutdownSequence(settings_, log_, bridge_, parts_->socketLink, parts_->notifier, service_, process_, budget_)
        .Run();
}

void OstriloProgram::EnableHoldIfConfigured() {
    if (settings_.connectionType == ConnectionType::NoAlarmExport) return;
    if (const auto limits = ReadHoldLimits(config_, log_)) hold_.Enable(*limits, settings_.appDirectory);
}

void OstriloProgram::OnTimer() {
    {
        const MessageRound round(budget_, hold_);
        if (parts_) parts_->socketLink.OnTick(listener_);
        listening_.RetryWhenDue();
        SkipOnFailure([this] { alerts_.WriteWhatIsDue(); });
        // Ticks that arrive while the start-up runs (a message box pumps messages) are
        // ignored: the settings are not settled yet, nor the parts built.
        if (started_) shutdownAfterTick_.RunTick([this] { DeliverHeldThenTick(); });
    }
    // After the round, so that what the shutdown gives back to the hold reaches the spool at once.
    shutdownAfterTick_.RunRequestedShutdown();
}

void OstriloProgram::DeliverHeldThenTick() {
    // Held messages go first, so the fresh alarms of this tick can follow them at once.
    SkipOnFailure([this] { parts_->delivery.DeliverHeldMessages(budget_); });
    parts_->tick.OnTimer();
}

void OstriloProgram::OnWorkRound() {
    rounds_.RoundBegins();
    const MessageRound round(budget_, hold_);
    // Only the socket link asks for later rounds, so it exists by then.
    if (parts_) parts_->socketLink.ContinueBacklog();
}

void OstriloProgram::OnResize() { window_.LayOutLogList(); }

void OstriloProgram::OnClose() { shutdownAfterTick_.RequestShutdown(); }

void OstriloProgram::OnSocketEvent(UINT message, WPARAM, LPARAM lParam) {
    const SocketEvent event = DecodeSocketMessage(lParam);
    const bool connectionRequest = message == kListenerEventMessage;
    if (connectionRequest && event.kind != SocketEvent::Kind::Accept) return;
    if (!parts_) {
        // Only a connection request can come before the link exists. It waits in the
        // listener's queue, and no further one is signalled until it is taken.
        connectionRequestWaiting_ = connectionRequestWaiting_ || connectionRequest;
        return;
    }
    // Lines a dropped link gives back reach the spool file together.
    const MessageRound round(budget_, hold_);
    SocketLink& link = parts_->socketLink;
    if (connectionRequest) {
        link.OnConnectionRequest(listener_);
    } else if (event.errorCode != 0) {
        link.OnError();
    } else if (event.kind == SocketEvent::Kind::Read) {
        link.OnReadable();
    } else if (event.kind == SocketEvent::Kind::Write) {
        link.OnWritable();
    } else if (event.kind == SocketEvent::Kind::Close) {
        link.OnClosed();
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
