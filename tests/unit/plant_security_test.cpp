#include <gtest/gtest.h>

#include <string>

#include "app/access_entry_rules.h"
#include "app/program_instances.h"
#include "app/start_checkpoints.h"
#include "app/startup_sequence.h"
#include "config/config_reader.h"
#include "delivery/halvex_listening.h"
#include "fakes.h"
#include "platform/profile_reader.h"
#include "platform/registry.h"

namespace ostrilo {
namespace {

constexpr char kUsers[] = "S-1-5-32-545";
constexpr char kNamedAccount[] = "S-1-5-21-1004336348-1177238915-682003330-1104";
constexpr char kOwnAccount[] = "S-1-5-18";
constexpr std::uint32_t kReadExecute = 0x001200A9;
constexpr std::uint32_t kModify = 0x001301BF;
constexpr std::uint32_t kAddSubfolder = 0x0004;
constexpr std::uint32_t kDelete = 0x00010000;

TEST(PlantSecurity, EveryUntrustedAccountThatMayWriteOpensTheObject) {
    const auto opens = [](const AccessEntry& entry, ObjectKind kind) {
        return OpensToUntrusted(entry, kind, kOwnAccount);
    };
    EXPECT_TRUE(opens({kNamedAccount, kModify}, ObjectKind::Folder)) << "named and domain accounts count too";
    EXPECT_TRUE(opens({kUsers, kAddSubfolder}, ObjectKind::Folder)) << "a new subfolder can become a junction";
    EXPECT_TRUE(opens({kUsers, kDelete}, ObjectKind::File)) << "a deletable file can be replaced";
    EXPECT_TRUE(opens({kUsers, kModify, false, true}, ObjectKind::Folder)) << "handed down to the files";
    EXPECT_FALSE(opens({kUsers, kReadExecute, true, true}, ObjectKind::Folder));
    EXPECT_FALSE(opens({kUsers, kDelete}, ObjectKind::Folder)) << "deleting the folder plants nothing in it";
    EXPECT_FALSE(opens({kUsers, kModify, false, true}, ObjectKind::File)) << "files hand nothing down";
    for (const char* trusted : {"S-1-5-32-544", "S-1-5-18", "S-1-3-0",
                                "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"}) {
        EXPECT_FALSE(opens({trusted, kModify, true, true}, ObjectKind::Folder)) << trusted;
    }
    EXPECT_FALSE(OpensToUntrusted({kNamedAccount, kModify}, ObjectKind::File, kNamedAccount))
        << "the account the program runs as gains nothing";
    EXPECT_FALSE(IsTrustedAccount(kUsers, ""));
}

TEST(PlantSecurity, OnlyAProcessOfThisExecutableIsAnotherInstance) {
    const std::string own = "C:\\Program Files\\Ostrilo\\Ostrilo.exe";
    EXPECT_TRUE(AnotherProcessRunsThisProgram(own, {{"ostrilo.EXE", "c:\\program files\\ostrilo\\OSTRILO.exe"}}));
    EXPECT_TRUE(AnotherProcessRunsThisProgram(own, {{"Ostrilo.exe", std::nullopt}}))
        << "the service, whose path a plain user may not read";
    EXPECT_FALSE(AnotherProcessRunsThisProgram(own, {{"Ostrilo.exe", "C:\\Users\\mallory\\Ostrilo.exe"}}))
        << "a user's program of the same name must not keep the service from starting";
    EXPECT_FALSE(AnotherProcessRunsThisProgram(own, {{"squatter.exe", std::nullopt}, {"explorer.exe", "C:\\x"}}));
}

TEST(PlantSecurity, StartCheckpointsStopAfterFiveMinutes) {
    using std::chrono::milliseconds;
    EXPECT_TRUE(StartCheckpointDue(milliseconds(0)));
    EXPECT_TRUE(StartCheckpointDue(std::chrono::minutes(5) - milliseconds(1)));
    EXPECT_FALSE(StartCheckpointDue(std::chrono::minutes(5)));
    EXPECT_FALSE(StartCheckpointDue(milliseconds(-1))) << "a clock that went back must not prolong the start";
}

struct Profile : platform::ProfileReader {
    std::string halvexAddresses;
    std::string ReadString(const std::string&, const std::string& key, const std::string& defaultText,
                           const std::string&) override {
        if (key == "ConnectionType") return "1";
        return key == "HalvexAddresses" ? halvexAddresses : defaultText;
    }
};

struct NoRegistry : platform::Registry {
    std::optional<platform::RegistryValue> QueryLocalMachineValue(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

// The profile reader cuts a longer value without a word: "10.1.2.15" could become "10.1.2.1".
TEST(PlantSecurity, HalvexAddressesAsLongAsTheReaderCutsAdmitsNobody) {
    for (const std::size_t length : {platform::kLongestProfileValue - 1, platform::kLongestProfileValue}) {
        Profile profile;
        profile.halvexAddresses = "10.1.2.15," + std::string(length - 18, ' ') + "10.1.2.1";
        NoRegistry registry;
        const std::string folder = "C:\\Ostrilo\\";
        fakes::DurableFiles files;
        ConfigReader config(profile, registry, files, folder);
        fakes::Log log;
        fakes::Listener listener;
        fakes::Bridge bridge;
        RunSettings state;
        fakes::Alerts alerts;
        HalvexListening listening(listener, log, alerts.clock, alerts.alerts);
        StartupSequence(state, log, config, listening, bridge, alerts.alerts).SettleConfiguration();
        const bool refused = length == platform::kLongestProfileValue;
        EXPECT_EQ(state.halvexAddresses.Admits(0x0A010201), !refused) << length;
        EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(),
                             "HalvexAddresses is longer than 2046 characters, we will accept no Halvex connection"),
                  refused ? 1 : 0);
    }
}

}  // namespace
}  // namespace ostrilo
