#include "app/folder_security_warning.h"

#include "logging/log_writer.h"
#include "logging/operator_alerts.h"

namespace ostrilo {

void WriteFolderSecurityWarning(LogWriter& log, OperatorAlerts& alerts, const std::string& warning) {
    log.WriteLog(warning);
    alerts.FolderOpenToNonAdministrators(warning);
}

void LinkedFolderWarnings::Warn(const std::string& folder) {
    // Noted before the warning is written: a warning about the log folder is itself
    // refused there, and must not warn again.
    if (!warned_.insert(folder).second) return;
    WriteFolderSecurityWarning(log_, alerts_,
                               "Warning: " + folder +
                                   " is a junction, mount point or symbolic link, or holds one, so this service "
                                   "writes nothing there. Make it a plain folder that only administrators may "
                                   "change, then restart the service");
}

}  // namespace ostrilo
