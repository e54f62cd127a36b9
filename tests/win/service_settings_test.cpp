#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win32/service_settings.h"
#include "win32/win32_service_control.h"

namespace ostrilo::win32 {
namespace {

constexpr char kSection[] = "Parameters";
constexpr char kSectionKey[] = "SOFTWARE\\Fennmark\\Ostrilo\\Parameters";

void SetRawValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSectionKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &created,
                                nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExA(created, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    ::RegCloseKey(created);
}

class ServiceSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kSectionKey, KEY_WOW64_32KEY, 0); }
    void TearDown() override { ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kSectionKey, KEY_WOW64_32KEY, 0); }

    Win32ServiceControl control{nullptr, WM_APP};
};

TEST_F(ServiceSettingsTest, ValueThatIsNoTextOrTooLongGivesTheDefault) {
    const DWORD number = 1;
    SetRawValue("Number", REG_DWORD, &number, sizeof number);
    const std::string huge(5000, '1');
    SetRawValue("Huge", REG_SZ, huge.c_str(), static_cast<DWORD>(huge.size() + 1));
    EXPECT_EQ(control.ReadSetting(kSection, "Number", "0"), "0");
    EXPECT_EQ(control.ReadSetting(kSection, "Huge", "0"), "0");
}

TEST_F(ServiceSettingsTest, ReadStopsAtTheFirstZeroOfTheStoredText) {
    const char stored[] = {'1', '\0', '7', '\0'};
    SetRawValue("RunAsService", REG_SZ, stored, sizeof stored);
    EXPECT_EQ(control.ReadSetting(kSection, "RunAsService", "0"), "1");
}

TEST_F(ServiceSettingsTest, WritingAfterRemovalLeavesNoServiceEntryBehind) {
    control.Uninstall();
    ASSERT_TRUE(control.WriteSetting(kSection, "RunAsService", "0"));
    HKEY opened = nullptr;
    EXPECT_NE(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Ostrilo", 0, KEY_READ,
                              &opened),
              ERROR_SUCCESS);
    if (opened != nullptr) ::RegCloseKey(opened);
}

}  // namespace
}  // namespace ostrilo::win32
