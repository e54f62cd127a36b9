#include "win32/service/service_registration.h"

#include "win32/scoped_handles.h"
#include "win32/service/service_identity.h"

namespace ostrilo::win32 {
namespace {

constexpr DWORD kAllEventTypes = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
constexpr DWORD kFailureCountResetSeconds = 24 * 60 * 60;

bool SetRestartOnFailure(SC_HANDLE service) {
    // Later crashes wait longer, so a service that cannot start does not spin.
    SC_ACTION restarts[] = {
        {SC_ACTION_RESTART, 10 * 1000},
        {SC_ACTION_RESTART, 30 * 1000},
        {SC_ACTION_RESTART, 60 * 1000},
    };
    SERVICE_FAILURE_ACTIONSA failureActions{};
    failureActions.dwResetPeriod = kFailureCountResetSeconds;
    failureActions.cActions = sizeof restarts / sizeof restarts[0];
    failureActions.lpsaActions = restarts;
    return ::ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failureActions) != FALSE;
}

bool SetDescription(SC_HANDLE service) {
    SERVICE_DESCRIPTIONA description{const_cast<char*>(kServiceDescription)};
    return ::ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &description) != FALSE;
}

bool SetRegistryValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
    return ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool RegisterEventSourceKey(const std::string& executablePath) {
    HKEY created = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created,
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const ScopedRegistryKey sourceKey(created);
    const DWORD types = kAllEventTypes;
    return SetRegistryValue(sourceKey.Get(), "EventMessageFile", REG_EXPAND_SZ, executablePath.c_str(),
                            static_cast<DWORD>(executablePath.size() + 1)) &&
           SetRegistryValue(sourceKey.Get(), "TypesSupported", REG_DWORD, &types, sizeof types);
}

bool RemoveEventSourceKey() {
    const LONG result = ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEventSourceKey);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

ScopedServiceHandle OpenServiceManager(DWORD access) {
    return ScopedServiceHandle(::OpenSCManagerA(nullptr, nullptr, access));
}

}  // namespace

bool InstallService(const std::string& executablePath) {
    if (executablePath.empty()) return false;
    const ScopedServiceHandle manager = OpenServiceManager(SC_MANAGER_CREATE_SERVICE);
    if (!manager.IsValid()) return false;

    // Quoted, so a path with blanks cannot be read as a shorter program plus arguments.
    const std::string commandLine = "\"" + executablePath + "\"";
    const ScopedServiceHandle service(::CreateServiceA(
        manager.Get(), kServiceName, kServiceDisplayName, SERVICE_CHANGE_CONFIG | SERVICE_START | DELETE,
        SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr, nullptr,
        nullptr, nullptr, nullptr));
    if (!service.IsValid()) return false;

    if (SetDescription(service.Get()) && SetRestartOnFailure(service.Get()) && RegisterEventSourceKey(executablePath)) {
        return true;
    }
    ::DeleteService(service.Get());
    RemoveEventSourceKey();
    return false;
}

bool UninstallService() {
    bool serviceDeleted = false;
    if (const ScopedServiceHandle manager = OpenServiceManager(SC_MANAGER_CONNECT); manager.IsValid()) {
        const ScopedServiceHandle service(::OpenServiceA(manager.Get(), kServiceName, DELETE));
        // Removed by hand (sc delete) already: the removal's goal holds, and the setting
        // that makes every start a service start must be reset all the same.
        serviceDeleted = service.IsValid() ? ::DeleteService(service.Get()) != FALSE
                                           : ::GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    }
    const bool sourceRemoved = RemoveEventSourceKey();
    return serviceDeleted && sourceRemoved;
}

}  // namespace ostrilo::win32
