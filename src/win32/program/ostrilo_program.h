#pragma once

#include <optional>
#include <string>

#include "app/folder_security_warning.h"
#include "app/run_settings.h"
#include "app/shutdown_after_tick.h"
#include "config/config_reader.h"
#include "delivery/event_notification.h"
#include "delivery/halvex_delivery.h"
#include "delivery/halvex_listening.h"
#include "delivery/peer_admission.h"
#include "delivery/message_hold.h"
#include "delivery/socket_link.h"
#include "logging/log_retention.h"
#include "logging/log_sink.h"
#include "logging/operator_alerts.h"
#include "scheduling/work_budget.h"
#include "supervision/supervision_tick.h"
#include "win32/program/main_window.h"
#include "win32/service/win32_event_log.h"
#include "win32/program/window_events.h"
#include "win32/win32_clock.h"
#include "win32/win32_file_system.h"
#include "win32/win32_folder_security.h"
#include "win32/win32_halvex_client.h"
#include "win32/win32_log_list.h"
#include "win32/win32_monotonic_clock.h"
#include "win32/win32_process.h"
#include "win32/win32_profile_reader.h"
#include "win32/win32_registry.h"
#include "win32/service/win32_service_control.h"
#include "win32/win32_status_bar.h"
#include "win32/win32_tcp.h"
#include "win32/win32_wincc_bridge.h"
#include "win32/win32_work_rounds.h"

namespace ostrilo::win32 {

// The composition root: the Win32 adapters, the run's settings and the program's
// handlers, wired to the main window's events.
class OstriloProgram : public WindowEvents {
public:
    // `appDirectory` is the executable's folder, ending in a backslash.
    OstriloProgram(MainWindow& window, std::string appDirectory);

    // The start-up. Returns whether the main window is to be shown; an installation or
    // removal run, and a refused second instance, end inside it.
    bool Start();

    void OnTimer() override;
    void OnWorkRound() override;
    void OnResize() override;
    void OnClose() override;
    void OnSocketEvent(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnServiceRequest(WPARAM request) override;
    void OnSessionEnd() override;

private:
    // The parts that serve the run with its settings, built once the start-up has settled them.
    struct RunParts {
        explicit RunParts(OstriloProgram& program);

        PeerAdmission admission;
        SocketLink socketLink;
        HalvexDelivery delivery;
        EventNotifier notifier;
        SupervisionTick tick;
    };

    void BuildRunParts();
    void ShutDown();
    void RefuseLinkedFoldersInServiceMode();
    void EnableHoldIfConfigured();
    void DeliverHeldThenTick();

    MainWindow& window_;
    RunSettings settings_;
    Win32Clock clock_;
    Win32MonotonicClock monotonicClock_;
    Win32FileSystem files_;
    Win32FolderSecurity folderSecurity_;
    Win32ProfileReader profileReader_;
    Win32Registry registry_;
    Win32Process process_;
    Win32ServiceControl service_;
    Win32EventLog eventLog_;
    Win32WinCCBridge bridge_;
    Win32HalvexClient halvex2_{"Halvex2.dll"};
    Win32HalvexClient halvex3_{"Halvex3.dll"};
    Win32TcpListener listener_;
    Win32LogList logList_;
    Win32StatusBar statusBar_;
    // Renewed as each window message begins; every backlog loop spends from it.
    WorkBudget budget_;
    Win32WorkRounds rounds_;
    LogSink log_;
    OperatorAlerts alerts_;
    LinkedFolderWarnings linkWarnings_;
    ConfigReader config_;
    HalvexListening listening_;
    MessageHold hold_;
    DayFileRetention retention_;
    std::optional<RunParts> parts_;
    // A Halvex that connects while the start-up runs is taken once the parts are built.
    bool connectionRequestWaiting_ = false;
    ShutdownAfterTick shutdownAfterTick_;
    bool started_ = false;
};

}  // namespace ostrilo::win32
