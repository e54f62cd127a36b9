#pragma once

#include <windows.h>

namespace ostrilo::win32 {

// Window messages that carry socket readiness (WSAAsyncSelect) and service requests.
constexpr UINT kListenerEventMessage = WM_APP + 1;
constexpr UINT kConnectionEventMessage = WM_APP + 2;
constexpr UINT kServiceRequestMessage = WM_APP + 3;
// The timer of the program's tick, and how often it fires.
constexpr UINT_PTR kTickTimerId = 1;
constexpr UINT kTickIntervalMs = 100;
// The timer of the later rounds of a backlog.
constexpr UINT_PTR kWorkRoundTimerId = 2;

// What the main window hands on to the program. Everything arrives on the window's thread.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    virtual void OnTimer() = 0;
    virtual void OnWorkRound() = 0;
    virtual void OnResize() = 0;
    virtual void OnClose() = 0;
    virtual void OnSocketEvent(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnServiceRequest(WPARAM request) = 0;
    // Windows is logging off, restarting or shutting down; the process ends after this.
    virtual void OnSessionEnd() = 0;
};

}  // namespace ostrilo::win32
