#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/service_control.h"

namespace ostrilo::testing {

// Records every service operation in order, e.g. "Install", "Event 4 110 Ostrilo started".
class FakeServiceControl : public platform::ServiceControl {
public:
    std::string ReadSetting(const std::string& section, const std::string& key,
                            const std::string& defaultText) override {
        const auto found = settings.find(section + "\\" + key);
        return found == settings.end() ? defaultText : found->second;
    }
    bool WriteSetting(const std::string& section, const std::string& key, const std::string& value) override {
        settings[section + "\\" + key] = value;
        return true;
    }
    bool Install() override { return Record("Install", installSucceeds); }
    bool Uninstall() override { return Record("Uninstall", uninstallSucceeds); }
    bool StartAttachment() override { return Record("StartAttachment", true); }
    bool WriteEventLogEntry(std::uint16_t type, std::uint32_t id, const std::string& text) override {
        return Record("Event " + std::to_string(type) + " " + std::to_string(id) + " " + text, true);
    }
    void ReportStopProgress() override { ++stopProgressReports; }
    void ReportStopped() override { Record("ReportStopped", true); }

    std::map<std::string, std::string> settings;
    std::vector<std::string> calls;
    bool installSucceeds = true;
    bool uninstallSucceeds = true;
    int stopProgressReports = 0;

private:
    bool Record(const std::string& call, bool result) {
        calls.push_back(call);
        return result;
    }
};

struct ProcessEnded {};

class FakeProcess : public platform::Process {
public:
    bool AnotherInstanceRunning() override { return anotherInstance; }
    std::string ArgumentText() override { return arguments; }
    void ShowMessageBox(const std::string& text, bool errorIcon) override {
        boxes.push_back(text + (errorIcon ? " [error icon]" : ""));
    }
    void SleepMilliseconds(int milliseconds) override { sleptMs += milliseconds; }
    // The real one never returns; the test sees the end as an exception.
    [[noreturn]] void EndNow() override { throw ProcessEnded{}; }

    bool anotherInstance = false;
    int sleptMs = 0;
    std::string arguments;
    std::vector<std::string> boxes;
};

}  // namespace ostrilo::testing
