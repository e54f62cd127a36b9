// The release zips as a user gets them: made by scripts/package from the current Windows
// builds, unpacked, checked for what they hold, and the x64 program started from them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <sstream>

#include "harness/ostrilo_run.h"
#include "harness/text_files.h"

namespace ostrilo::e2e {
namespace {

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::UnorderedElementsAre;

constexpr char kVersion[] = "1.0.02";
constexpr auto kToolTimeout = std::chrono::seconds(60);

std::string PackageName(const std::string& architecture) {
    return std::string("Ostrilo-") + kVersion + "-win-" + architecture;
}

// The machine field of a PE image's file header: 0x8664 for x64, 0x014C for x86.
std::uint16_t PeMachine(const std::string& image) {
    auto byteAt = [&](std::size_t offset) { return static_cast<std::uint8_t>(image.at(offset)); };
    const std::size_t header = byteAt(0x3C) | byteAt(0x3D) << 8 | byteAt(0x3E) << 16 | byteAt(0x3F) << 24;
    if (image.compare(header, 4, std::string("PE\0\0", 4)) != 0) return 0;
    return static_cast<std::uint16_t>(byteAt(header + 4) | byteAt(header + 5) << 8);
}

// Both zips, packed and unpacked once for the whole test program.
class PackedRelease {
public:
    explicit PackedRelease(const BuildOutputs& outputs) : sourceDir_(outputs.sourceDir) {
        for (const char* architecture : {"x64", "x86"}) {
            if (!fs::exists(BuiltProgram(architecture))) {
                problem_ = BuiltProgram(architecture).string() + " is missing; run scripts/build";
                return;
            }
        }
        const CommandResult packed = Run({(sourceDir_ / "scripts" / "package").string(), "--no-build", "--out",
                                          Zips().string(), "x64", "x86"});
        if (!packed.Succeeded()) {
            problem_ = "scripts/package failed: " + packed.Describe();
            return;
        }
        for (const char* architecture : {"x64", "x86"}) {
            const CommandResult unpacked = Run({"unzip", "-q", Zip(architecture).string(), "-d", Unpacked().string()});
            if (!unpacked.Succeeded()) problem_ = "unzip failed: " + unpacked.Describe();
        }
    }

    // Why the packages could not be made, or the empty text.
    const std::string& Problem() const { return problem_; }
    fs::path Zip(const std::string& architecture) const { return Zips() / (PackageName(architecture) + ".zip"); }
    fs::path Folder(const std::string& architecture) const { return Unpacked() / PackageName(architecture); }
    fs::path BuiltProgram(const std::string& architecture) const {
        return sourceDir_ / "build" / ("win-" + architecture) / "bin" / "Ostrilo.exe";
    }
    const fs::path& SourceDir() const { return sourceDir_; }
    // A tool found on PATH, bounded in time.
    CommandResult Run(const std::vector<std::string>& argv) const {
        std::vector<std::string> throughPath{"/usr/bin/env"};
        throughPath.insert(throughPath.end(), argv.begin(), argv.end());
        return RunBounded(throughPath, EnvironmentWith({}), kToolTimeout);
    }

private:
    fs::path Zips() const { return scratch_.Path() / "zips"; }
    fs::path Unpacked() const { return scratch_.Path() / "unpacked"; }

    TempDir scratch_;
    fs::path sourceDir_;
    std::string problem_;
};

const PackedRelease& Release() {
    static const PackedRelease release(BuildOutputs::FromEnvironment());
    return release;
}

std::vector<std::string> ZipEntries(const fs::path& zip) {
    return Release().Run({"unzip", "-Z1", zip.string()}).Lines();
}

class ReleasePackageTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Release().Problem(), ""); }
};

TEST_F(ReleasePackageTest, EachZipHoldsTheProgramOfItsOwnArchitectureAndTheDocuments) {
    const std::map<std::string, std::uint16_t> machines{{"x64", 0x8664}, {"x86", 0x014C}};
    for (const auto& [architecture, machine] : machines) {
        SCOPED_TRACE(architecture);
        const std::string folder = PackageName(architecture) + "/";
        EXPECT_THAT(ZipEntries(Release().Zip(architecture)),
                    UnorderedElementsAre(folder, folder + "Ostrilo.exe", folder + "Ostrilo.ini.example",
                                         folder + "README.md"));

        const std::string program = ReadWholeFile(Release().Folder(architecture) / "Ostrilo.exe");
        // The bitness must match the plant's libraries: a swapped program would load none of them.
        EXPECT_EQ(PeMachine(program), machine);
        EXPECT_TRUE(program == ReadWholeFile(Release().BuiltProgram(architecture))) << "not the built program";
        for (const char* document : {"Ostrilo.ini.example", "README.md"}) {
            EXPECT_EQ(ReadWholeFile(Release().Folder(architecture) / document),
                      ReadWholeFile(Release().SourceDir() / document))
                << document;
        }
    }
}

TEST_F(ReleasePackageTest, SampleConfigurationHasWindowsLineEndsAndSetsNothingWhenCopiedAsIs) {
    const std::string sample = ReadWholeFile(Release().Folder("x64") / "Ostrilo.ini.example");
    ASSERT_FALSE(sample.empty());
    std::istringstream lines(sample);
    int number = 0;
    std::vector<std::string> sections;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        ASSERT_TRUE(!line.empty() && line.back() == '\r') << "line " << number << " does not end in CR LF";
        line.pop_back();
        if (!line.empty() && line.front() == '[') {
            sections.push_back(line);
        } else {
            // A user who renames the sample must get the documented defaults, not a choice made for him.
            EXPECT_TRUE(line.empty() || line.front() == ';') << "line " << number << " sets a value: " << line;
        }
    }
    EXPECT_THAT(sections, ElementsAre("[General]", "[HalvexMessageWhenOstriloIsStarted]",
                                      "[HalvexMessageWhenOstriloIsStopped]", "[HalvexMessageWhenWinCCIsStarted]",
                                      "[HalvexMessageWhenWinCCIsStopped]"));
}

// The x64 program taken from the unpacked zip, with nothing beside it.
class UnpackedReleaseTest : public OstriloE2eTest {
protected:
    void SetUp() override {
        ASSERT_EQ(Release().Problem(), "");
        OstriloE2eTest::SetUp();
    }
    RunLayout Layout(const BuildOutputs&) const override { return {Release().Folder("x64") / "Ostrilo.exe", {}}; }
};

TEST_F(UnpackedReleaseTest, StartsWithoutConfigurationOrLibrariesAndClosesCleanly) {
    run->Start();
    ASSERT_TRUE(run->WaitForLog("Ostrilo started as a normal application"));
    ASSERT_TRUE(run->Probe("close").Succeeded());
    EXPECT_EQ(run->WaitForExit(), 0);

    EXPECT_THAT(run->LogMessages(),
                ElementsAre(std::string("Ostrilo version ") + kVersion + " is starting",
                            "Could not find any valid ConnectionType in Registry or Ostrilo.ini",
                            "The ConnectionType is invalid, we will not export any alarm events to Halvex",
                            "Ostrilo.DLL can not be found or is an obsolete version (< 1.0.0.2), no alarms will be "
                            "sent to Halvex!",
                            "Ostrilo started as a normal application", "Shutting down Ostrilo",
                            "Failed to call StopWinCCMsgService()", "Failed to call DisconnectWinCCDMProc()",
                            "Ostrilo has been shutdown", std::string(120, '-')));
}

}  // namespace
}  // namespace ostrilo::e2e
