#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/connection_type.h"
#include "delivery/halvex_gateway.h"
#include "logging/log_writer.h"
#include "logging/operator_alerts.h"
#include "platform/clock.h"
#include "platform/monotonic_clock.h"
#include "platform/status_bar.h"
#include "supervision/heartbeat_schedule.h"
#include "supervision/wincc_bridge.h"

namespace ostrilo {

using EventNotificationSender = std::function<void(const std::string& sectionName)>;
using LogFileRetention = std::function<void(const std::string& extension, std::int32_t daysToKeep)>;

struct SupervisionSettings {
    ConnectionType connectionType;
    std::int32_t daysToKeepLogFiles;
    std::int32_t timerIntervalMilliseconds;  // the interval the timer was armed with
    std::int32_t heartbeatIntervalSeconds;  // 0: no heartbeat
    std::int32_t halvexUnreachableSeconds;  // away this long while WinCC runs: the event log hears of it
};

struct SupervisionServices {
    WinCCBridge& bridge;
    HalvexGateway& halvex;
    platform::StatusBar& statusBar;
    platform::Clock& clock;
    LogWriter& log;
    EventNotificationSender sendEventNotification;
    LogFileRetention deleteOldLogFiles;
    platform::MonotonicClock& monotonicClock;
    std::function<void()> sendHeartbeat;
    OperatorAlerts& alerts;
};

// The program's main loop, run by the window's timer: follows WinCC and Halvex, relays
// WinCC's alarms to Halvex, sends the heartbeat while alarms can flow and starts the
// daily log retention.
class SupervisionTick {
public:
    // Bounds the longest project name, error text and alarm the bridge can hand over.
    static constexpr std::int16_t kMessageBufferLength = 8192;
    static constexpr int kMessagesPerTick = 20;
    static constexpr std::int32_t kCheckPeriodMilliseconds = 1000;
    static constexpr int kWinCCPanel = 2;
    static constexpr int kHalvexPanel = 3;

    SupervisionTick(SupervisionSettings settings, SupervisionServices services);
    SupervisionTick(const SupervisionTick&) = delete;
    SupervisionTick& operator=(const SupervisionTick&) = delete;

    // Never throws: a step that fails is skipped and the tick goes on with the next.
    void OnTimer() noexcept;

private:
    void RunTick() noexcept;
    void CheckWinCC();
    bool WinCCHasRuntimeProject();
    void ActOnWinCCError();
    void ReportWinCCState();
    void RelayMessages();
    void SendHeartbeatWhenDue();
    void CheckHalvex();
    void ShowRunStates();
    void RunRetentionOnNewDay();

    const SupervisionSettings settings_;
    SupervisionServices services_;

    std::int32_t millisecondsSinceCheck_ = 0;
    // One byte longer than the capacity the library is told: a library that writes its
    // terminating zero after a text of full length still writes inside the buffer.
    std::vector<char> messageBuffer_;
    HeartbeatSchedule heartbeat_;
    std::int16_t lastLogDay_ = 0;
    bool firstTickDone_ = false;
    bool winCCRunning_ = false;
    bool halvexRunning_ = false;
    bool tickBusy_ = false;
};

}  // namespace ostrilo
