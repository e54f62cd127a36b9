#pragma once

#include <windows.h>

#include "platform/service_control.h"
#include "win32/service/service_attachment.h"

namespace ostrilo::win32 {

// The Windows service "Ostrilo": settings, registration, attachment and event log.
// Stop and shutdown requests reach mainWindow as requestMessage, wParam the control code.
class Win32ServiceControl : public platform::ServiceControl {
public:
    Win32ServiceControl(HWND mainWindow, UINT requestMessage);

    std::string ReadSetting(const std::string& section, const std::string& key,
                            const std::string& defaultText) override;
    bool WriteSetting(const std::string& section, const std::string& key, const std::string& value) override;
    bool Install() override;
    bool Uninstall() override;
    bool StartAttachment() override;
    void ReportRunning() override;
    bool WriteEventLogEntry(std::uint16_t eventType, std::uint32_t eventId, const std::string& text) override;
    void ReportStopProgress() override;
    void ReportStopped() override;

private:
    ServiceAttachment attachment_;
};

}  // namespace ostrilo::win32
