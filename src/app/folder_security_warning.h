#pragma once

#include <set>
#include <string>

namespace ostrilo {

class LogWriter;
class OperatorAlerts;

// The one way a warning about the safety of the service's folders and files leaves the
// program: a log line and a warning in the Application event log, with its own id.
void WriteFolderSecurityWarning(LogWriter& log, OperatorAlerts& alerts, const std::string& warning);

// Service mode: a folder of the service that leads somewhere else is named once per run;
// the program goes on without writing there.
class LinkedFolderWarnings {
public:
    LinkedFolderWarnings(LogWriter& log, OperatorAlerts& alerts) : log_(log), alerts_(alerts) {}

    void Warn(const std::string& folder);

private:
    LogWriter& log_;
    OperatorAlerts& alerts_;
    std::set<std::string> warned_;
};

}  // namespace ostrilo
