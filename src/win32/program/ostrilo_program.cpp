#include "win32/program/ostrilo_program.h"

#include "app/service_switches.h"
#include "app/shutdown_sequence.h"
#include "app/startup_sequence.h"

namespace ostrilo::win32 {

OstriloProgram::OstriloProgram(MainWindow& window)
    : window_(window),
      service_(window.Handle(), kServiceRequestMessage),
      listener_(window.Handle(), kListenerEventMessage, kConnectionEventMessage),
      logList_(window.ListBox()),
      statusBar_(window.StatusBar()),
      log_(clock_, files_, state_.appDirectory),
      config_(profileReader_, registry_, state_.appDirectory),
      socketLink_(statusBar_, log_),
      delivery_(state_.connectionType, halvex2_, halvex3_, socketLink_, log_),
      notifier_(config_, delivery_),
      retention_(clock_, files_, state_.appDirectory),
      tick_({state_.connectionType, state_.daysToKeepLogFiles, static_cast<std::int32_t>(MainWindow::kTimerIntervalMs),
             state_.heartbeatIntervalSeconds},
            {bridge_, delivery_, statusBar_, clock_, log_,
             [this](const std::string& section) { notifier_.SendEventNotification(section); },
             [this](const std::string& extension, std::int32_t days) {
                 retention_.DeleteOldLogFiles(extension, days);
             },
             monotonicClock_, [this] { notifier_.SendHeartbeat(); }}) {
    log_.AttachList(&logList_);
}

bool OstriloProgram::FormLoad(const std::string& appDirectory) {
    state_.appDirectory = appDirectory;
    const RunKind kind = ServiceSwitches(state_, service_, process_).Classify();
    if (kind != RunKind::NormalStart) {
        FormUnload();
        return false;
    }
    StartupSequence startup(state_, log_, config_, listener_, bridge_);
    startup.SettleConfiguration();
    const bool showWindow = startup.EnterRunMode(service_);
    notifier_.SendEventNotification(kNotifyOstriloStarted);
    started_ = true;
    return showWindow;
}

void OstriloProgram::FormUnload() {
    ShutdownSequence(state_, log_, bridge_, socketLink_, notifier_, service_, process_).Run();
}

void OstriloProgram::OnTimer() {
    // Ticks that arrive while the start-up runs (a message box pumps messages) are ignored:
    // the shared state is not settled yet.
    if (started_) tick_.OnTimer();
}

void OstriloProgram::OnResize() { window_.LayOutLogList(); }

void OstriloProgram::OnClose() { FormUnload(); }

void OstriloProgram::OnSocketEvent(UINT message, WPARAM, LPARAM lParam) {
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
    FormUnload();
}

}  // namespace ostrilo::win32
