#include "app/folder_security_warning.h"

#include "app/lifecycle_events.h"
#include "logging/log_writer.h"
#include "platform/service_control.h"

namespace ostrilo {

void WriteFolderSecurityWarning(LogWriter& log, platform::ServiceControl& service, const std::string& warning) {
    log.WriteLog(warning);
    service.WriteEventLogEntry(kEventTypeWarning, kLifecycleEventId, warning);
}

void LinkedFolderWarnings::Warn(const std::string& folder) {
    // Noted before the warning is written: a warning about the log folder is itself
    // refused there, and must not warn again.
    if (!warned_.insert(folder).second) return;
    WriteFolderSecurityWarning(log_, service_,
                               "Warning: " + folder +
                                   " is a junction, mount point or symbolic link, or holds one, so this service "
                                   "writes nothing there. Make it a plain folder that only administrators may "
                                   "change, then restart the service");
}

}  // namespace ostrilo
