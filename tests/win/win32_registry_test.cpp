#include "win32/win32_registry.h"

#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_reader.h"
#include "platform/profile_reader.h"
#include "win32/scoped_handles.h"

namespace ostrilo::win32 {
namespace {

constexpr char kTestKey[] = "SOFTWARE\\Fennmark\\Ostrilo\\Version 1 Test";

// A registry key under HKEY_LOCAL_MACHINE that the test writes and removes again.
class TestKey {
public:
    explicit TestKey(std::string subKey) : subKey_(std::move(subKey)) {
        HKEY created = nullptr;
        const LONG result = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey_.c_str(), 0, nullptr, 0,
                                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &created, nullptr);
        EXPECT_EQ(result, ERROR_SUCCESS) << "cannot create HKLM\\" << subKey_;
        key_.Reset(created);
    }
    ~TestKey() {
        key_.Reset();
        ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, subKey_.c_str(), KEY_WOW64_32KEY, 0);
    }
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;

    // RegSetValueExA stores the text's terminating zero with it.
    void SetText(const std::string& name, const std::string& text) {
        Set(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    void SetNumber(const std::string& name, DWORD number) { Set(name, REG_DWORD, &number, sizeof number); }
    void Set(const std::string& name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(::RegSetValueExA(key_.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }

    // Only the native call stores a text exactly as given, without a terminating zero.
    void SetTextWithoutZero(const std::wstring& name, const std::wstring& text) {
        using NtSetValueKeyFn = LONG(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG, ULONG, void*, ULONG);
        const auto ntSetValueKey = reinterpret_cast<NtSetValueKeyFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtSetValueKey")));
        ASSERT_NE(ntSetValueKey, nullptr);
        std::wstring nameCopy = name;
        UNICODE_STRING nativeName;
        nativeName.Buffer = nameCopy.data();
        nativeName.Length = static_cast<USHORT>(nameCopy.size() * sizeof(wchar_t));
        nativeName.MaximumLength = nativeName.Length;
        std::wstring data = text;
        ASSERT_EQ(ntSetValueKey(key_.Get(), &nativeName, 0, REG_SZ, data.data(),
                                static_cast<ULONG>(data.size() * sizeof(wchar_t))),
                  0);
    }

private:
    std::string subKey_;
    ScopedRegistryKey key_;
};

class NoIniFile : public platform::ProfileReader {
public:
    std::string ReadString(const std::string&, const std::string&, const std::string& defaultText,
                           const std::string&) override {
        return defaultText;
    }
};

class Win32RegistryTest : public ::testing::Test {
protected:
    std::optional<std::string> Read(const std::string& name) { return config.ReadRegistryValue(name, kTestKey); }

    TestKey key{kTestKey};
    Win32Registry registry;
    NoIniFile noIni;
    const std::string appDirectory = "C:\\";
    ConfigReader config{noIni, registry, appDirectory};
};

TEST_F(Win32RegistryTest, TextReadsWithOrWithoutItsTerminatingZero) {
    key.SetText("Stored", "1");
    key.SetTextWithoutZero(L"Bare", L"12");
    EXPECT_EQ(Read("Stored"), "1");
    EXPECT_EQ(Read("Bare"), "12");

    const auto raw = registry.QueryLocalMachineValue(kTestKey, "Bare");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, 1u);
    EXPECT_EQ(raw->data, (std::vector<std::uint8_t>{'1', '2'}));
}

TEST_F(Win32RegistryTest, ValueUpTo1024BytesIsReadAndLongerGivesNoValue) {
    key.SetText("Fits", std::string(1023, '7'));
    key.SetText("TooLong", std::string(1024, '7'));
    key.SetTextWithoutZero(L"FitsBare", std::wstring(1024, L'8'));
    key.SetTextWithoutZero(L"TooLongBare", std::wstring(1025, L'8'));
    EXPECT_EQ(Read("Fits"), std::string(1023, '7'));
    EXPECT_EQ(Read("TooLong"), std::nullopt);
    EXPECT_EQ(Read("FitsBare"), std::string(1024, '8'));
    EXPECT_EQ(Read("TooLongBare"), std::nullopt);
}

TEST_F(Win32RegistryTest, NumbersReadAsHexTextMostSignificantFirst) {
    key.SetNumber("ServerPort", 14000);
    key.SetNumber("ConnectionType", 4294967295u);
    EXPECT_EQ(Read("ServerPort"), "&h0036B0");
    EXPECT_EQ(Read("ConnectionType"), "&hFFFFFFFF");
}

TEST_F(Win32RegistryTest, OtherTypesReadAsEmptyText) {
    const BYTE bytes[] = {'1', '2', 0};
    key.Set("Binary", REG_BINARY, bytes, sizeof bytes);
    key.Set("Expandable", REG_EXPAND_SZ, bytes, sizeof bytes);
    EXPECT_EQ(Read("Binary"), "");
    EXPECT_EQ(Read("Expandable"), "");
}

TEST_F(Win32RegistryTest, ValueWithoutDataGivesNoValue) {
    key.Set("EmptyBinary", REG_BINARY, nullptr, 0);
    key.SetTextWithoutZero(L"EmptyText", L"");
    const auto raw = registry.QueryLocalMachineValue(kTestKey, "EmptyText");
    ASSERT_TRUE(raw.has_value());
    EXPECT_TRUE(raw->data.empty());
    EXPECT_EQ(Read("EmptyBinary"), std::nullopt);
    EXPECT_EQ(Read("EmptyText"), std::nullopt);
}

TEST_F(Win32RegistryTest, MissingKeyOrValueGivesNoValue) {
    EXPECT_EQ(Read("NoSuchValue"), std::nullopt);
    EXPECT_EQ(config.ReadRegistryValue("ConnectionType", std::string(kTestKey) + "\\Missing"), std::nullopt);
}

// Handle numbers are handed out lowest-free-first, so a key left open by any read
// shows up as a higher number for the next handle the process opens.
HANDLE NextHandleNumber() {
    const HANDLE probe = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ::CloseHandle(probe);
    return probe;
}

TEST_F(Win32RegistryTest, ReadsLeaveNoKeyOpen) {
    key.SetText("Stored", "1");
    key.SetText("TooLong", std::string(2000, 'x'));
    const HANDLE before = NextHandleNumber();
    for (int i = 0; i < 50; ++i) {
        Read("Stored");
        Read("TooLong");
        Read("NoSuchValue");
    }
    EXPECT_EQ(NextHandleNumber(), before) << "registry reads leave key handles open";
}

}  // namespace
}  // namespace ostrilo::win32
