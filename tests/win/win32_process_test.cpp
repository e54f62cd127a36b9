#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <string>

#include "win32/scoped_handles.h"
#include "win32/single_instance.h"
#include "win32/win32_process.h"

namespace ostrilo::win32 {
namespace {

TEST(ArgumentText, DropsTheProgramPathQuotedOrUpToTheFirstBlankAndKeepsTheRestAsWritten) {
    const struct {
        const char* commandLine;
        const char* arguments;
    } cases[] = {
        {"\"C:\\Program Files\\Ostrilo\\Ostrilo.exe\" /I", "/I"},
        {"\"C:\\Program Files\\Ostrilo\\Ostrilo.exe\"/u", "/u"},
        {"\"C:\\Program Files\\Ostrilo\\Ostrilo.exe\"", ""},
        {"C:\\Ostrilo\\Ostrilo.exe -install", "-install"},
        {"Ostrilo.exe\t/I", "/I"},
        {"Ostrilo.exe   \t a/b  \"c d\" ", "a/b  \"c d\" "},
        {"Ostrilo.exe    ", ""},
        {"\"C:\\Ostrilo\\Ostrilo.exe /I", ""},  // an unclosed quote makes the whole line the path
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ArgumentTextOf(c.commandLine), c.arguments) << c.commandLine;
}

constexpr char kTestMutex[] = "Global\\Fennmark.Ostrilo.InstanceTest";

TEST(SingleInstance, FirstSeesNoOtherAndLaterOnesSeeTheFirst) {
    std::optional<SingleInstance> first(std::in_place, kTestMutex);
    EXPECT_FALSE(first->AnotherInstanceRunning());
    EXPECT_TRUE(SingleInstance(kTestMutex).AnotherInstanceRunning());

    // Held in the Global namespace, where an instance in another session looks for it.
    const ScopedKernelHandle seen(::OpenMutexA(SYNCHRONIZE, FALSE, kTestMutex));
    EXPECT_TRUE(seen.IsValid());

    first.reset();
    EXPECT_TRUE(SingleInstance(kTestMutex).AnotherInstanceRunning()) << "an open handle still holds the name";
}

TEST(SingleInstance, NameIsFreeAgainOnceEveryHolderHasGone) {
    { SingleInstance first(kTestMutex); }
    EXPECT_FALSE(SingleInstance(kTestMutex).AnotherInstanceRunning());
}

TEST(SingleInstance, MutexThatRefusesAccessCountsAsAnotherInstance) {
    // An empty access list grants nobody anything: what a desktop user meets when the
    // service made the mutex under the system account.
    ACL emptyList;
    ASSERT_TRUE(::InitializeAcl(&emptyList, sizeof emptyList, ACL_REVISION));
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, &emptyList, FALSE));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    const ScopedKernelHandle locked(::CreateMutexA(&attributes, FALSE, "Global\\Fennmark.Ostrilo.LockedTest"));
    ASSERT_TRUE(locked.IsValid());

    EXPECT_TRUE(SingleInstance("Global\\Fennmark.Ostrilo.LockedTest").AnotherInstanceRunning());
}

}  // namespace
}  // namespace ostrilo::win32
