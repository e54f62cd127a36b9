#pragma once

#include <cstdint>

#include "app/startup_state.h"

namespace ostrilo {

class ConfigReader;
class LogWriter;
class WinCCBridge;
namespace platform {
class ServiceControl;
class TcpListener;
}  // namespace platform

// The part of a normal start that settles the configuration: the version line, the
// log retention, the connection type and its source, the listening socket for TCP
// delivery, the bridge library's version check and connection, and the heartbeat's
// interval. Every decision is
// logged, so the log of a start shows where each setting came from.
class StartupSequence {
public:
    StartupSequence(StartupState& state, LogWriter& log, ConfigReader& config,
                    platform::TcpListener& listener, WinCCBridge& bridge);

    void SettleConfiguration();
    // Attaches to the service control manager in service mode. Returns whether the
    // main window is to be shown (it stays hidden for a service).
    bool EnterRunMode(platform::ServiceControl& service);

private:
    void ReadDaysToKeepLogFiles();
    void ReadConnectionType();
    void ActOnConnectionType();
    void OpenListeningSocket();
    std::int32_t ReadListeningPort();
    void CheckBridgeLibraryVersion();
    void ConnectBridgeLibrary();
    void ReadHeartbeatInterval();

    StartupState& state_;
    LogWriter& log_;
    ConfigReader& config_;
    platform::TcpListener& listener_;
    WinCCBridge& bridge_;
};

}  // namespace ostrilo
