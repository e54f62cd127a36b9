#pragma once

#include "app/run_settings.h"

namespace ostrilo {

class EventNotifier;
class LogWriter;
class SocketLink;
class WinCCBridge;
class WorkBudget;
namespace platform {
class Process;
class ServiceControl;
}  // namespace platform

// The end of every run but a refused second instance: releases the bridge library,
// records the stop in the log, the event log (service) and towards Halvex, closes the
// link to Halvex and ends the process. No failing step stops it.
class ShutdownSequence {
public:
    // How long lines still waiting for a slow Halvex peer may take to leave.
    static constexpr int kFlushTimeoutMs = 2000;
    static constexpr int kFlushPollMs = 10;

    ShutdownSequence(const RunSettings& settings, LogWriter& log, WinCCBridge& bridge, SocketLink& socketLink,
                     EventNotifier& notifier, platform::ServiceControl& service, platform::Process& process,
                     WorkBudget& budget);

    // Ends the process; returns only where ending it failed.
    void Run();

private:
    void StopBridgeLibrary();
    void CloseDataSocket();
    void BeginRound();

    const RunSettings& settings_;
    LogWriter& log_;
    WinCCBridge& bridge_;
    SocketLink& socketLink_;
    EventNotifier& notifier_;
    platform::ServiceControl& service_;
    platform::Process& process_;
    WorkBudget& budget_;
};

}  // namespace ostrilo
