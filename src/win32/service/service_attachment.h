#pragma once

#include <windows.h>

#include <mutex>

#include "win32/scoped_handles.h"

namespace ostrilo::win32 {

// Attaches the process to the service control manager as the service "Ostrilo".
// The service manager insists on a thread of its own inside StartServiceCtrlDispatcher;
// that thread does nothing but answer the manager and post stop and shutdown requests
// to the main window as requestMessage (wParam = the control code), so all of the
// program's work stays on the window's thread. While the start-up still runs there, the
// thread reports "start pending" with a new checkpoint every few seconds, so a slow
// start-up (a bridge library that blocks at boot) does not make the manager give up.
// One attachment per process.
class ServiceAttachment {
public:
    ServiceAttachment(HWND mainWindow, UINT requestMessage);
    // Reports the service stopped if it runs and gives the thread a moment to end.
    ~ServiceAttachment();
    ServiceAttachment(const ServiceAttachment&) = delete;
    ServiceAttachment& operator=(const ServiceAttachment&) = delete;

    // Starts the thread that attaches to the service manager and returns at once;
    // false when that thread cannot start. A process the service manager did not
    // start (a start by hand) is refused there, and the thread just ends.
    bool Start();
    // The start-up has finished: the service is reported running (at once, or as soon
    // as the manager has answered the attachment).
    void ReportRunning();
    // Tells the service manager that a stop under way is still making progress.
    void ReportStopProgress();
    // Tells the service manager that the service has stopped; the last thing before
    // the process ends. Does nothing unless the service runs.
    void ReportStopped();

private:
    static DWORD WINAPI DispatcherThread(void*);
    static void WINAPI ServiceMain(DWORD argumentCount, LPSTR* arguments);
    static DWORD WINAPI ControlHandler(DWORD control, DWORD eventType, void* eventData, void* attachment);

    void ReportStartProgress();
    DWORD HandleControl(DWORD control);
    // Callers hold statusLock_.
    void SetState(DWORD state, DWORD waitHintMs);

    const HWND mainWindow_;
    const UINT requestMessage_;
    ScopedKernelHandle thread_;
    const ScopedKernelHandle startupFinished_;
    std::mutex statusLock_;
    SERVICE_STATUS_HANDLE statusHandle_ = nullptr;
    SERVICE_STATUS status_{};
    bool running_ = false;
};

}  // namespace ostrilo::win32
