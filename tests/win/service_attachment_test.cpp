#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "test_folder.h"
#include "win32/executable_path.h"
#include "win32/scoped_handles.h"
#include "win32/service_identity.h"
#include "win32/win32_service_control.h"

namespace ostrilo::win32 {
namespace {

constexpr UINT kRequestMessage = WM_APP + 3;
constexpr char kChildResultFile[] = "C:\\ostrilo-service-child.txt";
constexpr char kChildFilter[] = " --gtest_also_run_disabled_tests --gtest_filter=";

DWORD MillisecondsSince(ULONGLONG start) { return static_cast<DWORD>(::GetTickCount64() - start); }

// Polls the service until it reaches the state or the time is up; returns the last status.
SERVICE_STATUS WaitForState(SC_HANDLE service, DWORD state, DWORD timeoutMs) {
    SERVICE_STATUS status{};
    const ULONGLONG start = ::GetTickCount64();
    while (::QueryServiceStatus(service, &status) && status.dwCurrentState != state &&
           MillisecondsSince(start) < timeoutMs) {
        ::Sleep(50);
    }
    return status;
}

// Runs only inside the service process that the next test starts.
TEST(ServiceAttachmentChild, DISABLED_RunsAsServiceUntilAStopRequestReachesTheWindow) {
    const HWND window = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    Win32ServiceControl control(window, kRequestMessage);
    std::ofstream result(kChildResultFile, std::ios::binary);
    if (window == nullptr || !control.StartAttachment()) {
        result << "not attached";
        return;
    }
    control.ReportRunning();
    MSG message{};
    const ULONGLONG start = ::GetTickCount64();
    while (MillisecondsSince(start) < 20000) {
        if (::PeekMessageA(&message, window, kRequestMessage, kRequestMessage, PM_REMOVE)) {
            result << "request " << message.wParam;
            break;
        }
        ::Sleep(20);
    }
    result.close();
    control.ReportStopped();
}

TEST(ServiceAttachment, StopRequestIsAnsweredAtOnceAndPostedToTheWindow) {
    ::DeleteFileA(kChildResultFile);
    const ScopedServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    ASSERT_TRUE(manager.IsValid());
    const std::string commandLine = "\"" + ExecutablePath() + "\"" + kChildFilter +
                                    "ServiceAttachmentChild.DISABLED_RunsAsServiceUntilAStopRequestReachesTheWindow";
    const ScopedServiceHandle service(::CreateServiceA(manager.Get(), kServiceName, kServiceDisplayName,
                                                       SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                                       SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, commandLine.c_str(),
                                                       nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(service.IsValid()) << ::GetLastError();
    struct DeleteAtEnd {
        SC_HANDLE service;
        ~DeleteAtEnd() { ::DeleteService(service); }
    } deleteAtEnd{service.Get()};

    ASSERT_TRUE(::StartServiceA(service.Get(), 0, nullptr)) << ::GetLastError();
    const SERVICE_STATUS running = WaitForState(service.Get(), SERVICE_RUNNING, 15000);
    ASSERT_EQ(running.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING)) << wintest::ContentOf(kChildResultFile);
    EXPECT_EQ(running.dwControlsAccepted, 5u) << "stop and shutdown";

    SERVICE_STATUS answered{};
    const ULONGLONG requested = ::GetTickCount64();
    ASSERT_TRUE(::ControlService(service.Get(), SERVICE_CONTROL_STOP, &answered)) << ::GetLastError();
    EXPECT_LT(MillisecondsSince(requested), 2000u) << "the stop request must be answered at once";
    EXPECT_TRUE(answered.dwCurrentState == SERVICE_STOP_PENDING || answered.dwCurrentState == SERVICE_STOPPED)
        << answered.dwCurrentState;

    EXPECT_EQ(WaitForState(service.Get(), SERVICE_STOPPED, 15000).dwCurrentState,
              static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(wintest::ContentOf(kChildResultFile), "request 1") << "the window gets the stop control as wParam";
}

// Run on its own under WINEDEBUG=+eventlog (see tests/CMakeLists.txt): Wine's event log
// keeps nothing but traces each entry's type, id and text on stderr.
TEST(EventLogTrace, DISABLED_WritesTheStartedEntry) {
    EXPECT_TRUE(Win32ServiceControl(nullptr, kRequestMessage).WriteEventLogEntry(4, 110, "Ostrilo started"));
}

}  // namespace
}  // namespace ostrilo::win32
