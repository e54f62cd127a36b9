#include "win32/service/win32_service_control.h"

#include "win32/service/win32_event_log.h"
#include "win32/executable_path.h"
#include "win32/service/service_identity.h"
#include "win32/service/service_registration.h"
#include "win32/service/service_settings.h"

namespace ostrilo::win32 {

Win32ServiceControl::Win32ServiceControl(HWND mainWindow, UINT requestMessage)
    : attachment_(mainWindow, requestMessage) {}

std::string Win32ServiceControl::ReadSetting(const std::string& section, const std::string& key,
                                             const std::string& defaultText) {
    return ReadServiceSetting(section, key, defaultText);
}

bool Win32ServiceControl::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
    return WriteServiceSetting(section, key, value);
}

bool Win32ServiceControl::Install() { return InstallService(ExecutablePath()); }

bool Win32ServiceControl::Uninstall() { return UninstallService(); }

bool Win32ServiceControl::StartAttachment() { return attachment_.Start(); }

void Win32ServiceControl::ReportRunning() { attachment_.ReportRunning(); }

bool Win32ServiceControl::WriteEventLogEntry(std::uint16_t eventType, std::uint32_t eventId, const std::string& text) {
    return ReportToEventLog(kServiceName, eventType, eventId, text);
}

void Win32ServiceControl::ReportStopProgress() { attachment_.ReportStopProgress(); }

void Win32ServiceControl::ReportStopped() { attachment_.ReportStopped(); }

}  // namespace ostrilo::win32
