#include "app/service_switches.h"

#include <algorithm>
#include <cctype>

#include "config/number_conversion.h"
#include "config/settings_keys.h"
#include "logging/operator_alerts.h"
#include "platform/process.h"
#include "platform/service_control.h"

namespace ostrilo {
namespace {

constexpr char kDisplayName[] = "Ostrilo";

bool Contains(const std::string& text, const char* switchText) { return text.find(switchText) != std::string::npos; }

}  // namespace

RunKind RunKindOfArguments(const std::string& argumentText) {
    std::string upper = argumentText;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (Contains(upper, "/U") || Contains(upper, "-U")) return RunKind::Removal;
    if (Contains(upper, "/I") || Contains(upper, "-I")) return RunKind::Installation;
    return RunKind::NormalStart;
}

ServiceSwitches::ServiceSwitches(RunSettings& settings, platform::ServiceControl& service, platform::Process& process,
                                 OperatorAlerts& alerts)
    : settings_(settings), service_(service), process_(process), alerts_(alerts) {}

RunKind ServiceSwitches::InstallRemoveOrRefuse() {
    ReadRunAsService();
    if (process_.AnotherInstanceRunning()) RefuseSecondInstance();
    const RunKind kind = RunKindOfArguments(process_.ArgumentText());
    if (kind == RunKind::Removal) Remove();
    if (kind == RunKind::Installation) Install();
    return kind;
}

void ServiceSwitches::ReadRunAsService() {
    const auto number = WholeTextToInteger(service_.ReadSetting(kServiceSettingsSection, kRunAsServiceKey, "0"));
    settings_.runAsService = number.value_or(0) != 0;
}

void ServiceSwitches::RefuseSecondInstance() {
    // A service has nobody to read a box; the event log keeps the trace instead.
    if (settings_.runAsService) {
        alerts_.ServiceStartRefused("Ostrilo did not start as a service: another instance of Ostrilo is already "
                                    "running. End that instance, then start the service again");
    } else {
        process_.ShowMessageBox("Ostrilo is already started!", true);
    }
    process_.EndNow();
}

void ServiceSwitches::Remove() {
    RecordOutcome(service_.Uninstall(), "0", " service uninstalled successfully", " failed to uninstall as service");
}

void ServiceSwitches::Install() {
    RecordOutcome(service_.Install(), "1", " service installation succeeded", " failed to install as service");
}

// The setting changes only when the operation succeeded; the box tells the outcome either way.
void ServiceSwitches::RecordOutcome(bool succeeded, const char* runAsService, const char* successText,
                                    const char* failureText) {
    if (succeeded) service_.WriteSetting(kServiceSettingsSection, kRunAsServiceKey, runAsService);
    process_.ShowMessageBox(std::string(kDisplayName) + (succeeded ? successText : failureText), false);
}

}  // namespace ostrilo
