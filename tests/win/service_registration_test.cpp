#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/executable_path.h"
#include "win32/scoped_handles.h"
#include "win32/service_identity.h"
#include "win32/win32_service_control.h"

namespace ostrilo::win32 {
namespace {

bool KeyExists(const char* subKey) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    ::RegCloseKey(opened);
    return true;
}

std::vector<BYTE> ReadValue(const char* subKey, const char* name, DWORD expectedType) {
    std::vector<BYTE> data(1024);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size());
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, subKey, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(), &size) !=
            ERROR_SUCCESS ||
        type != expectedType) {
        return {};
    }
    data.resize(size);
    return data;
}

std::string TextOf(const std::vector<BYTE>& data) {
    const std::string text(data.begin(), data.end());
    return text.substr(0, text.find('\0'));
}

// The service as the service control manager holds it, opened for queries.
class RegisteredService {
public:
    RegisteredService()
        : manager_(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)),
          service_(::OpenServiceA(manager_.Get(), kServiceName, SERVICE_QUERY_CONFIG)) {}

    bool Exists() const { return service_.IsValid(); }

    std::vector<BYTE> Config(DWORD infoLevel) const {
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        if (!::QueryServiceConfig2A(service_.Get(), infoLevel, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    &needed)) {
            buffer.clear();
        }
        return buffer;
    }

private:
    ScopedServiceHandle manager_;
    ScopedServiceHandle service_;
};

// Each test starts and ends without the service; the prefix is private to this run.
class ServiceRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { control.Uninstall(); }
    void TearDown() override { control.Uninstall(); }

    Win32ServiceControl control{nullptr, WM_APP};
};

TEST_F(ServiceRegistrationTest, InstallRestartsACrashedServiceAfterTenThirtyAndSixtySeconds) {
    ASSERT_TRUE(control.Install());

    const std::vector<BYTE> buffer = RegisteredService().Config(SERVICE_CONFIG_FAILURE_ACTIONS);
    if (buffer.empty() && ::GetLastError() == ERROR_INVALID_LEVEL) {
        GTEST_SKIP() << "this service manager (Wine) accepts recovery actions but cannot report them";
    }
    ASSERT_FALSE(buffer.empty()) << "QueryServiceConfig2A failed: " << ::GetLastError();
    const auto& actions = *reinterpret_cast<const SERVICE_FAILURE_ACTIONSA*>(buffer.data());
    EXPECT_EQ(actions.dwResetPeriod, 86400u);
    ASSERT_EQ(actions.cActions, 3u);
    const DWORD delays[] = {10000, 30000, 60000};
    for (DWORD i = 0; i < 3; ++i) {
        EXPECT_EQ(actions.lpsaActions[i].Type, SC_ACTION_RESTART) << "action " << i;
        EXPECT_EQ(actions.lpsaActions[i].Delay, delays[i]) << "action " << i;
    }
}

TEST_F(ServiceRegistrationTest, InstallNamesTheExecutableAsMessageFileOfTheEventSource) {
    ASSERT_TRUE(control.Install());

    EXPECT_EQ(TextOf(ReadValue(kEventSourceKey, "EventMessageFile", REG_EXPAND_SZ)), ExecutablePath());
    const std::vector<BYTE> types = ReadValue(kEventSourceKey, "TypesSupported", REG_DWORD);
    ASSERT_EQ(types.size(), sizeof(DWORD));
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(types.data()), 7u);
}

TEST_F(ServiceRegistrationTest, InstallOverAnExistingServiceFailsAndKeepsIt) {
    ASSERT_TRUE(control.Install());
    EXPECT_FALSE(control.Install());
    EXPECT_TRUE(RegisteredService().Exists()) << "a failed second install must not undo the first";
    EXPECT_TRUE(KeyExists(kEventSourceKey));
}

TEST_F(ServiceRegistrationTest, UninstallWithoutServiceStillRemovesALeftOverEventSource) {
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0, KEY_WRITE, nullptr, &created,
                                nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(created);

    EXPECT_FALSE(control.Uninstall());
    EXPECT_FALSE(KeyExists(kEventSourceKey));
}

}  // namespace
}  // namespace ostrilo::win32
