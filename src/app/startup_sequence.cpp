#include "app/startup_sequence.h"

#include <algorithm>
#include <string>

#include "app/app_directory.h"
#include "app/folder_security_warning.h"
#include "app/lifecycle_events.h"
#include "config/config_reader.h"
#include "config/ipv4_address.h"
#include "config/number_conversion.h"
#include "config/settings_keys.h"
#include "delivery/event_notification.h"
#include "delivery/halvex_listening.h"
#include "logging/log_writer.h"
#include "logging/operator_alerts.h"
#include "ostrilo_version.h"
#include "platform/folder_security.h"
#include "platform/profile_reader.h"
#include "platform/service_control.h"
#include "platform/tcp.h"
#include "supervision/wincc_bridge.h"

namespace ostrilo {
namespace {

constexpr std::int32_t kNotConfigured = -1;
constexpr std::int32_t kLowestBridgeVersion = 2;

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

StartupSequence::StartupSequence(RunSettings& settings, LogWriter& log, ConfigReader& config,
                                 HalvexListening& listening, WinCCBridge& bridge, OperatorAlerts& alerts)
    : settings_(settings), log_(log), config_(config), listening_(listening), bridge_(bridge), alerts_(alerts) {}

void StartupSequence::AttachToServiceManager(platform::ServiceControl& service) {
    if (settings_.runAsService) service.StartAttachment();
}

void StartupSequence::SettleConfiguration() {
    log_.WriteLog(std::string("Ostrilo version ") + OSTRILO_VERSION_TEXT + " is starting");
    WarnIfIniFileHasByteOrderMark();
    ReadDaysToKeepLogFiles();
    ActOnConnectionType(ReadConnectionType());
    CheckBridgeLibraryVersion();
    if (settings_.connectionType == ConnectionType::NoAlarmExport) return;
    ConnectBridgeLibrary();
    ReadHeartbeatInterval();
    ReadHalvexUnreachableLimit();
}

bool StartupSequence::EnterRunMode(platform::ServiceControl& service, platform::FolderSecurity& folderSecurity) {
    if (!settings_.runAsService) {
        log_.WriteLog("Ostrilo started as a normal application");
        return true;
    }
    // Each operation may fail on its own; the next one still runs.
    service.ReportRunning();
    service.WriteEventLogEntry(kEventTypeInformation, kLifecycleEventId, "Ostrilo started");
    log_.WriteLog("Ostrilo started as a service");
    WarnOfOpenProgramFiles(folderSecurity);
    return false;
}

// The service runs as LocalSystem and loads its libraries from this folder first: a
// library planted there by any user would run with the system's rights. The files it
// runs, and the folders it writes to, are just as much a way in.
void StartupSequence::WarnOfOpenProgramFiles(platform::FolderSecurity& folderSecurity) {
    if (folderSecurity.OpenToNonAdministrators(settings_.appDirectory)) {
        WriteFolderSecurityWarning(
            log_, alerts_,
            "Warning: users who are not administrators may create or change files in the program folder " +
                settings_.appDirectory +
                ", so any of them could plant a library that this service runs as LocalSystem. Install Ostrilo under "
                "%ProgramFiles%, or restrict the folder with icacls as the README shows");
    }
    for (const char* name : {"Ostrilo.exe", "Ostrilo.dll", "Halvex2.dll", "Halvex3.dll", kLogFolderName,
                             kSpoolFolderName}) {
        const std::string path = settings_.appDirectory + name;
        if (!folderSecurity.OpenToNonAdministrators(path)) continue;
        WriteFolderSecurityWarning(log_, alerts_,
                                   "Warning: users who are not administrators may change " + path +
                                       ", which this service runs or writes as LocalSystem. Restrict it with "
                                       "icacls as the README shows");
    }
}

void StartupSequence::WarnIfIniFileHasByteOrderMark() {
    if (!config_.IniFileStartsWithByteOrderMark()) return;
    log_.WriteLog("Warning: Ostrilo.ini begins with a UTF-8 byte-order mark, so a section on its first line is "
                  "not read; save it again with the encoding ANSI");
}

void StartupSequence::ReadDaysToKeepLogFiles() {
    // A value that is present but not a number keeps the default: 0 would delete
    // every log file older than today. A negative one would delete today's file too.
    const auto text =
        config_.ReadIniValue(kGeneralSection, kDaysToKeepLogFilesKey, std::to_string(kDefaultDaysToKeepLogFiles));
    const auto days = WholeTextToNumber(text);
    settings_.daysToKeepLogFiles = days && *days >= kFewestDaysToKeepLogFiles ? *days : kDefaultDaysToKeepLogFiles;
}

std::int32_t StartupSequence::ReadConnectionType() {
    const std::int32_t fromRegistry = RegistryNumberOrNotConfigured(config_, kConnectionTypeKey);
    if (fromRegistry != kNotConfigured) {
        log_.WriteLog("We will use the ConnectionType from Registry (probably some old upgraded installation)");
        return fromRegistry;
    }
    const std::int32_t fromIni = IniLeadingNumberOrNotConfigured(config_, kConnectionTypeKey);
    if (fromIni == kNotConfigured) {
        log_.WriteLog("Could not find any valid ConnectionType in Registry or Ostrilo.ini");
    } else {
        log_.WriteLog("We will use the ConnectionType from Ostrilo.ini");
    }
    return fromIni;
}

void StartupSequence::ActOnConnectionType(std::int32_t configured) {
    settings_.connectionType = ConnectionTypeOfNumber(configured);
    if (settings_.connectionType == ConnectionType::ByLibraries) {
        log_.WriteLog("We will send alarm events to Halvex using DLL calls");
    } else if (settings_.connectionType == ConnectionType::BySocket) {
        OpenListeningSocket();
    } else {
        log_.WriteLog("The ConnectionType is invalid, we will not export any alarm events to Halvex");
        alerts_.AlarmExportDisabled("no ConnectionType 0 or 1 is set. Set ConnectionType under [General] in "
                                    "Ostrilo.ini (a registry value other than -1 wins over it)");
    }
}

std::int32_t StartupSequence::ReadListeningPort() {
    std::int32_t port = RegistryNumberOrNotConfigured(config_, kPortNumberRegistryValue);
    if (port != kNotConfigured) {
        log_.WriteLog("We will use the PortNumber from Registry (probably some old upgraded installation)");
        return port;
    }
    port = IniLeadingNumberOrNotConfigured(config_, kPortNumberKey);
    if (port == kNotConfigured) {
        log_.WriteLog("Could not find any valid PortNumber in Registry or Ostrilo.ini");
        return kDefaultListeningPort;
    }
    log_.WriteLog("We will use the PortNumber from Ostrilo.ini");
    return port;
}

void StartupSequence::OpenListeningSocket() {
    const std::int32_t port = ReadListeningPort();
    std::string refusal;
    const auto address = ReadListenAddress(refusal);
    ReadHalvexAddresses();
    listening_.Start(port, address, refusal);
}

// Empty, with `refusal` saying why, when the setting names no address of the IPv4 kind:
// listening anywhere else than asked would open the port wider than meant.
std::optional<std::uint32_t> StartupSequence::ReadListenAddress(std::string& refusal) {
    const std::string text = config_.ReadIniValue(kGeneralSection, kListenAddressKey, "");
    if (text.empty()) return platform::kAnyAddress;
    const auto address = ParseIPv4Address(text);
    if (!address) {
        refusal = "ListenAddress \"" + text + "\" is not an IPv4 address";
        return std::nullopt;
    }
    log_.WriteLog("We will listen for Halvex only at address " + FormatIPv4Address(*address) + " (ListenAddress)");
    return address;
}

void StartupSequence::ReadHalvexAddresses() {
    const std::string text = config_.ReadIniValue(kGeneralSection, kHalvexAddressesKey, "");
    // A cut list may end in a shortened address that admits someone never meant.
    if (text.size() >= platform::kLongestProfileValue) {
        settings_.halvexAddresses = PeerAllowList::AdmitNobody();
        log_.WriteLog("HalvexAddresses is longer than " + std::to_string(platform::kLongestProfileValue - 1) +
                      " characters, we will accept no Halvex connection");
        return;
    }
    settings_.halvexAddresses = PeerAllowList::Parse(text);
    const PeerAllowList& allowed = settings_.halvexAddresses;
    if (!allowed.IsRestricted()) return;
    if (!allowed.BadEntries().empty()) {
        std::string entries;
        for (const std::string& entry : allowed.BadEntries()) entries += (entries.empty() ? "\"" : ", \"") + entry + "\"";
        log_.WriteLog("HalvexAddresses entries that are not an IPv4 address or address/prefix are ignored: " + entries);
    }
    if (allowed.Ranges().empty()) {
        log_.WriteLog("HalvexAddresses holds no valid address, we will accept no Halvex connection");
        return;
    }
    std::string ranges;
    for (const AddressRange& range : allowed.Ranges()) ranges += (ranges.empty() ? "" : ", ") + range.ToString();
    log_.WriteLog("We will accept Halvex connections only from " + ranges + " (HalvexAddresses)");
}

void StartupSequence::CheckBridgeLibraryVersion() {
    const auto version = bridge_.GetDLLVersion();
    if (!version) {
        log_.WriteLog("Ostrilo.DLL can not be found or is an obsolete version (< 1.0.0.2), "
                      "no alarms will be sent to Halvex!");
        alerts_.AlarmExportDisabled("Ostrilo.dll cannot be loaded (missing, of the other bitness, or too old). Put "
                                    "the Ostrilo.dll of this build's bitness, version 1.0.0.2 or later, beside "
                                    "Ostrilo.exe");
        settings_.connectionType = ConnectionType::NoAlarmExport;
    } else if (*version < kLowestBridgeVersion) {
        log_.WriteLog("Ostrilo.DLL is an obsolete version (< 1.0.0.2), no alarms will be sent to Halvex!");
        alerts_.AlarmExportDisabled("Ostrilo.dll is older than version 1.0.0.2. Install a current Ostrilo.dll");
        settings_.connectionType = ConnectionType::NoAlarmExport;
    }
}

void StartupSequence::ConnectBridgeLibrary() {
    // A call that cannot be made is a failure too, not a success.
    const auto connected = bridge_.ConnectWinCCDMProc();
    log_.WriteLog(connected && *connected != 0 ? "Successfully called ConnectWinCCDMProc()"
                                               : "Failed to call ConnectWinCCDMProc()");
}

void StartupSequence::ReadHeartbeatInterval() {
    const auto text = config_.ReadIniValue(kHeartbeatSection, kHeartbeatIntervalKey, "");
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
    settings_.heartbeatIntervalSeconds = std::max(*seconds, kShortestHeartbeatSeconds);
    log_.WriteLog("We will send a heartbeat to Halvex every " + std::to_string(settings_.heartbeatIntervalSeconds) +
                  " seconds");
}

void StartupSequence::ReadHalvexUnreachableLimit() {
    const auto text = config_.ReadIniValue(kGeneralSection, kHalvexUnreachableSecondsKey, "");
    // Absent or empty keeps the default and leaves the start's log as it always was.
    if (text.empty()) return;
    const auto seconds = WholeTextToNumber(text);
    if (seconds && *seconds > 0) settings_.halvexUnreachableSeconds = *seconds;
    log_.WriteLog("We will warn in the event log when Halvex has been unreachable for more than " +
                  std::to_string(settings_.halvexUnreachableSeconds) + " seconds while WinCC runs");
}

}  // namespace ostrilo
