#pragma once

#include <set>
#include <string>

namespace ostrilo {

class LogWriter;
namespace platform {
class ServiceControl;
}  // namespace platform

// The one way a warning about the safety of the service's folders and files leaves the
// program: a log line and a warning in the Application event log.
void WriteFolderSecurityWarning(LogWriter& log, platform::ServiceControl& service, const std::string& warning);

// Service mode: a folder of the service that leads somewhere else is named once per run;
// the program goes on without writing there.
class LinkedFolderWarnings {
public:
    LinkedFolderWarnings(LogWriter& log, platform::ServiceControl& service) : log_(log), service_(service) {}

    void Warn(const std::string& folder);

private:
    LogWriter& log_;
    platform::ServiceControl& service_;
    std::set<std::string> warned_;
};

}  // namespace ostrilo
