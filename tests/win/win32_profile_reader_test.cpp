#include "win32/win32_profile_reader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "config/config_reader.h"
#include "platform/registry.h"

namespace ostrilo::win32 {
namespace {

// A folder of its own under the temporary folder, removed with everything written into it.
class TemporaryFolder {
public:
    TemporaryFolder() {
        char temp[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathA(sizeof temp, temp);
        path_ = std::string(temp, length) + "ostrilo-ini-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(next_++) + "\\";
        ::CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TemporaryFolder() {
        for (const auto& name : written_) ::DeleteFileA((path_ + name).c_str());
        ::RemoveDirectoryA(path_.c_str());
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& Path() const { return path_; }

    std::string Write(const std::string& name, const std::string& content) {
        std::ofstream(path_ + name, std::ios::binary) << content;
        written_.push_back(name);
        return path_ + name;
    }

private:
    static inline int next_ = 0;
    std::string path_;
    std::vector<std::string> written_;
};

class Win32ProfileReaderTest : public ::testing::Test {
protected:
    std::string Read(const std::string& section, const std::string& key, const std::string& defaultText = "-1") {
        return reader.ReadString(section, key, defaultText, iniPath);
    }

    TemporaryFolder folder;
    Win32ProfileReader reader;
    std::string iniPath = folder.Write("Ostrilo.ini",
        "[General]\r\n"
        "DaysToKeepLogFiles=30\r\n"
        "PortNumber =   14001   \r\n"
        "ConnectionType=\"1\"\r\n"
        "Quoted='two words'\r\n"
        "Empty=\r\n"
        "Ansi=Gr\xFC\xDF\xE9\r\n"
        "[HalvexMessageWhenWinCCIsStarted]\r\n"
        "EventType=1\r\n"
        "T0=WinCC started\r\n");
};

TEST_F(Win32ProfileReaderTest, ValuesLoseSurroundingBlanksAndOnePairOfQuotes) {
    EXPECT_EQ(Read("General", "DaysToKeepLogFiles"), "30");
    EXPECT_EQ(Read("General", "PortNumber"), "14001");
    EXPECT_EQ(Read("General", "ConnectionType"), "1");
    EXPECT_EQ(Read("General", "Quoted"), "two words");
    EXPECT_EQ(Read("HalvexMessageWhenWinCCIsStarted", "T0"), "WinCC started");
}

TEST_F(Win32ProfileReaderTest, PresentEmptyValueIsEmptyTextNotTheDefault) {
    EXPECT_EQ(Read("General", "Empty", "60"), "");
}

TEST_F(Win32ProfileReaderTest, NamesMatchWithoutRegardToCase) {
    EXPECT_EQ(Read("GENERAL", "portnumber"), "14001");
    EXPECT_EQ(Read("halvexmessagewhenwinccisstarted", "EVENTTYPE"), "1");
}

TEST_F(Win32ProfileReaderTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(Read("General", "NoSuchKey", "60"), "60");
    EXPECT_EQ(Read("NoSuchSection", "PortNumber", "-1"), "-1");
    EXPECT_EQ(reader.ReadString("General", "PortNumber", "-1", folder.Path() + "Missing.ini"), "-1");
    EXPECT_EQ(Read("General", "NoSuchKey", ""), "");
}

TEST_F(Win32ProfileReaderTest, LongValueIsCutTo2047Characters) {
    std::string longValue;
    for (int i = 0; longValue.size() < 3000; ++i) longValue += static_cast<char>('a' + i % 26);
    const auto path = folder.Write("Long.ini", "[General]\r\nT0=" + longValue + "\r\n");
    const auto value = reader.ReadString("General", "T0", "", path);
    EXPECT_EQ(value.size(), 2047u);
    EXPECT_EQ(value, longValue.substr(0, 2047));
}

TEST_F(Win32ProfileReaderTest, AnsiBytesComeBackUnchanged) {
    EXPECT_EQ(Read("General", "Ansi"), "Gr\xFC\xDF\xE9");
}

class NoRegistry : public platform::Registry {
public:
    std::optional<platform::RegistryValue> QueryLocalMachineValue(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

TEST_F(Win32ProfileReaderTest, ConfigReaderFindsOstriloIniInTheAppDirectoryNotTheWorkingFolder) {
    TemporaryFolder elsewhere;
    elsewhere.Write("Ostrilo.ini", "[General]\r\nPortNumber=2222\r\n");
    char previous[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA(elsewhere.Path().c_str()));

    NoRegistry registry;
    ConfigReader config(reader, registry, folder.Path());
    const auto value = config.ReadIniValue("General", "PortNumber", "-1");
    ::SetCurrentDirectoryA(previous);
    EXPECT_EQ(value, "14001");
}

}  // namespace
}  // namespace ostrilo::win32
