#include "supervision/supervision_tick.h"

#include <algorithm>
#include <utility>

#include "delivery/event_notification.h"
#include "error_policy/skip_on_failure.h"
#include "supervision/alarm_message.h"

namespace ostrilo {

namespace {

constexpr std::int32_t kStopMessageServiceError = 4;
constexpr std::int32_t kReconnectError = 7;
constexpr char kLogFileExtension[] = ".Log";
constexpr char kRunText[] = "RUN";
constexpr char kStopText[] = "STOP";

// The first check reports what it finds; later checks report changes.
std::string StateLine(const std::string& subject, bool firstCheck, bool running) {
    if (firstCheck) return "We found out that " + subject + (running ? " is running" : " is stopped");
    return subject + (running ? " has recently been started" : " has recently been stopped");
}

}  // namespace

SupervisionTick::SupervisionTick(SupervisionSettings settings, SupervisionServices services)
    : settings_(settings), services_(std::move(services)), messageBuffer_(kMessageBufferLength + 1) {}

void SupervisionTick::OnTimer() noexcept {
    // A tick that starts while another is still in progress leaves no trace at all.
    if (tickBusy_) return;
    if (settings_.connectionType == ConnectionType::NoAlarmExport) return;
    tickBusy_ = true;
    RunTick();
    firstTickDone_ = true;
    tickBusy_ = false;
}

void SupervisionTick::RunTick() noexcept {
    millisecondsSinceCheck_ += settings_.timerIntervalMilliseconds;
    if (millisecondsSinceCheck_ >= kCheckPeriodMilliseconds || !firstTickDone_) {
        SkipOnFailure([this] { CheckWinCC(); });
    }
    if (winCCRunning_) SkipOnFailure([this] { RelayMessages(); });
    SkipOnFailure([this] { SendHeartbeatWhenDue(); });
    SkipOnFailure([this] { CheckHalvex(); });
    SkipOnFailure([this] { ShowRunStates(); });
    SkipOnFailure([this] { RunRetentionOnNewDay(); });
}

void SupervisionTick::CheckWinCC() {
    const bool wasRunning = winCCRunning_;
    // Restarting a running service is harmless and recovers one the library lost.
    if (wasRunning) services_.bridge.StartWinCCMsgService();
    winCCRunning_ = WinCCHasRuntimeProject();
    if (!winCCRunning_) ActOnWinCCError();
    if (winCCRunning_ != wasRunning || !firstTickDone_) ReportWinCCState();
    millisecondsSinceCheck_ = 0;
}

bool SupervisionTick::WinCCHasRuntimeProject() {
    const auto count = services_.bridge.GetWinCCRuntimeProject(messageBuffer_.data(), kMessageBufferLength);
    return ReportedTextLength(count, kMessageBufferLength) > 0;
}

void SupervisionTick::ActOnWinCCError() {
    std::int32_t errorWords[5] = {};
    services_.bridge.GetWinCCCmnError(errorWords, messageBuffer_.data(), kMessageBufferLength);
    if (errorWords[0] == kStopMessageServiceError) services_.bridge.StopWinCCMsgService();
    if (errorWords[0] == kReconnectError) services_.bridge.ConnectWinCCDMProc();
}

void SupervisionTick::ReportWinCCState() {
    services_.log.WriteLog(StateLine("WinCC", !firstTickDone_, winCCRunning_));
    if (!firstTickDone_) {
        if (winCCRunning_) services_.bridge.StartWinCCMsgService();
        return;
    }
    // Only changes seen after the first check are announced to Halvex.
    const char* section = winCCRunning_ ? kNotifyWinCCStarted : kNotifyWinCCStopped;
    SkipOnFailure([&] { services_.sendEventNotification(section); });
}

void SupervisionTick::RelayMessages() {
    for (int relayed = 0; relayed < kMessagesPerTick; ++relayed) {
        // A library that overstates its count must not resend what an earlier alarm left here.
        std::fill(messageBuffer_.begin(), messageBuffer_.end(), '\0');
        const auto count = services_.bridge.GetWinCCMsgServiceMessage(messageBuffer_.data(), kMessageBufferLength);
        if (ReportedTextLength(count, kMessageBufferLength) == 0) return;
        const std::string message = CleanAlarmMessage(messageBuffer_.data(), *count, kMessageBufferLength);
        // A message Halvex could not take is lost; the next one still goes out.
        SkipOnFailure([&] { services_.halvex.SendToHalvex(message); });
    }
}

void SupervisionTick::SendHeartbeatWhenDue() {
    // The tick runs only while export is enabled, so WinCC's state alone tells whether
    // alarms can flow.
    const std::int64_t interval = std::int64_t{settings_.heartbeatIntervalSeconds} * 1000;
    if (heartbeat_.IsDue(interval, services_.monotonicClock.Milliseconds(), winCCRunning_)) {
        services_.sendHeartbeat();
    }
}

void SupervisionTick::CheckHalvex() {
    const bool wasRunning = halvexRunning_;
    SkipOnFailure([this] { halvexRunning_ = services_.halvex.IsHalvexRunning(); });
    if (halvexRunning_ != wasRunning || !firstTickDone_) {
        services_.log.WriteLog(StateLine("Halvex", !firstTickDone_, halvexRunning_));
    }
    services_.alerts.HalvexReachability(winCCRunning_, halvexRunning_, settings_.halvexUnreachableSeconds);
}

void SupervisionTick::ShowRunStates() {
    services_.statusBar.SetPanelText(kWinCCPanel, winCCRunning_ ? kRunText : kStopText);
    services_.statusBar.SetPanelText(kHalvexPanel, halvexRunning_ ? kRunText : kStopText);
}

void SupervisionTick::RunRetentionOnNewDay() {
    // Only equality of the day numbers counts, so a change of month is seen as well.
    const auto today = static_cast<std::int16_t>(services_.clock.Now().day);
    if (today == lastLogDay_) return;
    // A failed run waits for the next day rather than being retried ten times a second.
    SkipOnFailure([this] { services_.deleteOldLogFiles(kLogFileExtension, settings_.daysToKeepLogFiles); });
    lastLogDay_ = today;
}

}  // namespace ostrilo
