#pragma once

#include <string>

#include "app/run_settings.h"

namespace ostrilo {

class OperatorAlerts;
namespace platform {
class Process;
class ServiceControl;
}  // namespace platform

enum class RunKind { NormalStart, Installation, Removal };

// Which switch the argument text holds: removal wins over installation, and either
// may stand anywhere, in any case ("-install" installs; a path like "c:/u..." removes).
RunKind RunKindOfArguments(const std::string& argumentText);

// The first thing a start does: reads the service setting, refuses a second instance
// (ending the process), and carries out an installation or removal run. Returns the
// kind of run; an installation or removal run goes on to the shutdown.
class ServiceSwitches {
public:
    ServiceSwitches(RunSettings& settings, platform::ServiceControl& service, platform::Process& process,
                    OperatorAlerts& alerts);
    RunKind InstallRemoveOrRefuse();

private:
    void ReadRunAsService();
    void RefuseSecondInstance();
    void Remove();
    void Install();
    void RecordOutcome(bool succeeded, const char* runAsService, const char* successText, const char* failureText);

    RunSettings& settings_;
    platform::ServiceControl& service_;
    platform::Process& process_;
    OperatorAlerts& alerts_;
};

}  // namespace ostrilo
