#include "app/startup_sequence.h"

#include <algorithm>
#include <string>

#include "app/lifecycle_events.h"
#include "config/config_reader.h"
#include "config/number_conversion.h"
#include "delivery/event_notification.h"
#include "logging/log_writer.h"
#include "platform/service_control.h"
#include "platform/tcp.h"
#include "supervision/wincc_bridge.h"

namespace ostrilo {
namespace {

constexpr char kVersionText[] = "1.0.02";
constexpr char kGeneralSection[] = "General";
constexpr std::int32_t kDefaultDaysToKeepLogFiles = 60;
constexpr std::int32_t kNotConfigured = -1;
constexpr std::int32_t kDefaultListeningPort = 14000;
constexpr std::int32_t kLowestBridgeVersion = 2;
constexpr std::int32_t kShortestHeartbeatSeconds = 10;  // Halvex is not to be flooded
constexpr int kInvalidArgumentError = 10022;  // WSAEINVAL: a port outside 0..65535

// A registry value that is absent, not a number, or -1 all mean "not configured here".
std::int32_t RegistryNumberOrNotConfigured(ConfigReader& config, const std::string& valueName) {
    const auto text = config.ReadRegistryValue(valueName);
    if (!text) return kNotConfigured;
    return WholeTextToNumber(*text).value_or(kNotConfigured);
}

std::int32_t IniLeadingNumberOrNotConfigured(ConfigReader& config, const std::string& key) {
    return LeadingNumberOf(config.ReadIniValue(kGeneralSection, key, "-1")).value_or(kNotConfigured);
}

}  // namespace

StartupSequence::StartupSequence(StartupState& state, LogWriter& log, ConfigReader& config,
                                 platform::TcpListener& listener, WinCCBridge& bridge)
    : state_(state), log_(log), config_(config), listener_(listener), bridge_(bridge) {}

void StartupSequence::SettleConfiguration() {
    log_.WriteLog(std::string("Ostrilo version ") + kVersionText + " is starting");
    ReadDaysToKeepLogFiles();
    ReadConnectionType();
    ActOnConnectionType();
    CheckBridgeLibraryVersion();
    if (state_.connectionType == kNoAlarmExport) return;
    ConnectBridgeLibrary();
    ReadHeartbeatInterval();
}

bool StartupSequence::EnterRunMode(platform::ServiceControl& service) {
    if (!state_.runAsService) {
        log_.WriteLog("Ostrilo started as a normal application");
        return true;
    }
    // Each operation may fail on its own; the next one still runs.
    service.StartAttachment();
    service.WriteEventLogEntry(kEventTypeInformation, kLifecycleEventId, "Ostrilo started");
    log_.WriteLog("Ostrilo started as a service");
    return false;
}

void StartupSequence::ReadDaysToKeepLogFiles() {
    // A value that is present but not a number keeps the default: 0 would delete
    // every log file older than today.
    const auto text = config_.ReadIniValue(kGeneralSection, "DaysToKeepLogFiles", "60");
    state_.daysToKeepLogFiles = WholeTextToNumber(text).value_or(kDefaultDaysToKeepLogFiles);
}

void StartupSequence::ReadConnectionType() {
    state_.connectionType = RegistryNumberOrNotConfigured(config_, "ConnectionType");
    if (state_.connectionType != kNotConfigured) {
        log_.WriteLog("We will use the ConnectionType from Registry (probably some old upgraded installation)");
        return;
    }
    state_.connectionType = IniLeadingNumberOrNotConfigured(config_, "ConnectionType");
    if (state_.connectionType == kNotConfigured) {
        log_.WriteLog("Could not find any valid ConnectionType in Registry or Ostrilo.ini");
    } else {
        log_.WriteLog("We will use the ConnectionType from Ostrilo.ini");
    }
}

void StartupSequence::ActOnConnectionType() {
    if (state_.connectionType == kConnectionByLibraries) {
        log_.WriteLog("We will send alarm events to Halvex using DLL calls");
    } else if (state_.connectionType == kConnectionBySocket) {
        OpenListeningSocket();
    } else {
        state_.connectionType = kNoAlarmExport;
        log_.WriteLog("The ConnectionType is invalid, we will not export any alarm events to Halvex");
    }
}

std::int32_t StartupSequence::ReadListeningPort() {
    std::int32_t port = RegistryNumberOrNotConfigured(config_, "ServerPort");
    if (port != kNotConfigured) {
        log_.WriteLog("We will use the PortNumber from Registry (probably some old upgraded installation)");
        return port;
    }
    port = IniLeadingNumberOrNotConfigured(config_, "PortNumber");
    if (port == kNotConfigured) {
        log_.WriteLog("Could not find any valid PortNumber in Registry or Ostrilo.ini");
        return kDefaultListeningPort;
    }
    log_.WriteLog("We will use the PortNumber from Ostrilo.ini");
    return port;
}

void StartupSequence::OpenListeningSocket() {
    const std::int32_t port = ReadListeningPort();
    platform::ListenResult result;
    if (port < 0 || port > 65535) {
        result = {kInvalidArgumentError, port};
    } else {
        result = listener_.Listen(port);
    }
    if (result.errorCode != 0) {
        // The program runs on without a listening socket; nothing retries until the next start.
        log_.WriteLog("Could not set Halvex connection port " + std::to_string(result.localPort) +
                      " in listen mode, error: " + listener_.DescribeError(result.errorCode));
        return;
    }
    log_.WriteLog("We will listen for Halvex connection attempts at port " + std::to_string(result.localPort));
}

void StartupSequence::CheckBridgeLibraryVersion() {
    const auto version = bridge_.GetDLLVersion();
    if (!version) {
        log_.WriteLog("Ostrilo.DLL can not be found or is an obsolete version (< 1.0.0.2), "
                      "no alarms will be sent to Halvex!");
        state_.connectionType = kNoAlarmExport;
    } else if (*version < kLowestBridgeVersion) {
        log_.WriteLog("Ostrilo.DLL is an obsolete version (< 1.0.0.2), no alarms will be sent to Halvex!");
        state_.connectionType = kNoAlarmExport;
    }
}

void StartupSequence::ConnectBridgeLibrary() {
    // A call that cannot be made is a failure too, not a success.
    const auto connected = bridge_.ConnectWinCCDMProc();
    log_.WriteLog(connected && *connected != 0 ? "Successfully called ConnectWinCCDMProc()"
                                               : "Failed to call ConnectWinCCDMProc()");
}

void StartupSequence::ReadHeartbeatInterval() {
    const auto text = config_.ReadIniValue(kHeartbeatSection, "IntervalSeconds", "");
    const auto seconds = WholeTextToNumber(text);
    // Absent, empty or 0 is the usual "off" and leaves the start's log as it always was.
    if (text.empty() || seconds == 0) return;
    if (!seconds || *seconds < 0) {
        log_.WriteLog("The heartbeat IntervalSeconds " + text + " is not a number of seconds, "
                      "no heartbeat will be sent to Halvex");
        return;
    }
    if (*seconds < kShortestHeartbeatSeconds) {
        log_.WriteLog("The heartbeat IntervalSeconds " + text + " is below 10, raised to 10");
    }
    state_.heartbeatIntervalSeconds = std::max(*seconds, kShortestHeartbeatSeconds);
    log_.WriteLog("We will send a heartbeat to Halvex every " + std::to_string(state_.heartbeatIntervalSeconds) +
                  " seconds");
}

}  // namespace ostrilo
