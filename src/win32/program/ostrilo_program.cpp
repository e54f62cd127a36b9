#include "win32/program/ostrilo_program.h"

#include "app/app_directory.h"
#include "win32/executable_path.h"

namespace ostrilo::win32 {

OstriloProgram::OstriloProgram(MainWindow& window)
    : window_(window),
      listener_(window.Handle(), kListenerEventMessage, kConnectionEventMessage),
      logList_(window.ListBox()),
      statusBar_(window.StatusBar()),
      log_(clock_, files_, state_.appDirectory) {
    log_.AttachList(&logList_);
}

int OstriloProgram::FormLoad(int requestedShowCommand) {
    state_.appDirectory = AppDirectoryOf(ExecutablePath());
    config_ = std::make_unique<ConfigReader>(profileReader_, registry_, state_.appDirectory);
    StartupSequence startup(state_, log_, *config_, listener_, bridge_);
    startup.SettleConfiguration();
    startup.LogRunMode();
    started_ = true;
    return requestedShowCommand;
}

void OstriloProgram::OnTimer() {
    // Ticks that arrive before the start-up has settled the shared state are ignored.
    if (!started_) return;
}

void OstriloProgram::OnResize() { window_.LayOutLogList(); }

void OstriloProgram::OnClose() { DestroyWindow(window_.Handle()); }

void OstriloProgram::OnSocketEvent(UINT, WPARAM, LPARAM) {}

void OstriloProgram::OnServiceRequest(WPARAM) {}

}  // namespace ostrilo::win32
