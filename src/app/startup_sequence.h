#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/run_settings.h"

namespace ostrilo {

class ConfigReader;
class HalvexListening;
class LogWriter;
class OperatorAlerts;
class WinCCBridge;
namespace platform {
class FolderSecurity;
class ServiceControl;
}  // namespace platform

// The part of a normal start that settles the configuration: the version line, the
// log retention, the connection type and its source, the listening socket for TCP
// delivery, the bridge library's version check and connection, and the heartbeat's
// interval. Every decision is
// logged, so the log of a start shows where each setting came from.
class StartupSequence {
public:
    StartupSequence(RunSettings& settings, LogWriter& log, ConfigReader& config,
                    HalvexListening& listening, WinCCBridge& bridge, OperatorAlerts& alerts);

    // Service mode: attaches to the service control manager first, so that a slow
    // bridge library cannot make the manager give up on the start.
    void AttachToServiceManager(platform::ServiceControl& service);
    void SettleConfiguration();
    // Service mode: reports the service running and warns when the program folder, the
    // files the service loads or the folders it writes are open to non-administrators. Returns whether the main window is to be shown (it
    // stays hidden for a service).
    bool EnterRunMode(platform::ServiceControl& service, platform::FolderSecurity& folderSecurity);

private:
    void WarnIfIniFileHasByteOrderMark();
    void ReadDaysToKeepLogFiles();
    // The number the registry or Ostrilo.ini holds; -1 when neither holds one.
    std::int32_t ReadConnectionType();
    void ActOnConnectionType(std::int32_t configured);
    void OpenListeningSocket();
    std::int32_t ReadListeningPort();
    std::optional<std::uint32_t> ReadListenAddress(std::string& refusal);
    void ReadHalvexAddresses();
    void CheckBridgeLibraryVersion();
    void ConnectBridgeLibrary();
    void WarnOfOpenProgramFiles(platform::FolderSecurity& folderSecurity);
    void ReadHeartbeatInterval();
    void ReadHalvexUnreachableLimit();

    RunSettings& settings_;
    LogWriter& log_;
    ConfigReader& config_;
    HalvexListening& listening_;
    WinCCBridge& bridge_;
    OperatorAlerts& alerts_;
};

}  // namespace ostrilo
