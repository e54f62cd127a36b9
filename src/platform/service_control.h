#pragma once

#include <cstdint>
#include <string>

namespace ostrilo::platform {

// The Windows service "Ostrilo": its small settings store, its registration with the
// service control manager, the attachment of this process as that service, and the
// Application event log. Every operation reports failure as a value.
class ServiceControl {
public:
    virtual ~ServiceControl() = default;
    virtual std::string ReadSetting(const std::string& section, const std::string& key,
                                    const std::string& defaultText) = 0;
    virtual bool WriteSetting(const std::string& section, const std::string& key, const std::string& value) = 0;
    // Registers the service: own process, automatic start, not interactive, accepting
    // stop and shutdown, the executable's quoted path; and the event source.
    virtual bool Install() = 0;
    // Removes the registration and the event source.
    virtual bool Uninstall() = 0;
    // Service mode: attaches this process to the service control manager. Requests
    // arrive later as window events; returns at once.
    virtual bool StartAttachment() = 0;
    virtual bool WriteEventLogEntry(std::uint16_t eventType, std::uint32_t eventId, const std::string& text) = 0;
    // Service mode, while the shutdown works through a backlog: tells the service control
    // manager that the stop is still making progress.
    virtual void ReportStopProgress() = 0;
    // Service mode, at the very end of the shutdown: tells the service control manager
    // that the service has stopped.
    virtual void ReportStopped() = 0;
};

}  // namespace ostrilo::platform
