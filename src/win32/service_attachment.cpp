#include "win32/service_attachment.h"

#include <atomic>

#include "win32/service_identity.h"

namespace ostrilo::win32 {
namespace {

// ServiceMain gets no context argument, so it finds the attachment here.
std::atomic<ServiceAttachment*> activeAttachment{nullptr};

// How long the manager is told to wait for the shutdown sequence before it worries.
constexpr DWORD kStopWaitHintMs = 15 * 1000;
// After the stopped report the dispatcher returns at once; this only bounds a hang.
constexpr DWORD kThreadEndTimeoutMs = 2 * 1000;

}  // namespace

ServiceAttachment::ServiceAttachment(HWND mainWindow, UINT requestMessage)
    : mainWindow_(mainWindow),
      requestMessage_(requestMessage) {
    status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status_.dwCurrentState = SERVICE_STOPPED;
}

ServiceAttachment::~ServiceAttachment() {
    bool attached = false;
    {
        const std::lock_guard<std::mutex> lock(statusLock_);
        attached = statusHandle_ != nullptr;
    }
    ReportStopped();
    // A thread still waiting for a service manager that never answers touches nothing
    // of this object when it ends, so only an attached one is waited for.
    if (attached) ::WaitForSingleObject(thread_.Get(), kThreadEndTimeoutMs);
    ServiceAttachment* self = this;
    activeAttachment.compare_exchange_strong(self, nullptr);
}

bool ServiceAttachment::Start() {
    ServiceAttachment* none = nullptr;
    if (!activeAttachment.compare_exchange_strong(none, this)) return false;
    thread_.Reset(::CreateThread(nullptr, 0, DispatcherThread, nullptr, 0, nullptr));
    return thread_.IsValid();
}

void ServiceAttachment::ReportStopProgress() {
    const std::lock_guard<std::mutex> lock(statusLock_);
    if (statusHandle_ == nullptr || status_.dwCurrentState != SERVICE_STOP_PENDING) return;
    // A new check point renews the wait hint: the manager waits as long as we advance.
    ++status_.dwCheckPoint;
    ::SetServiceStatus(statusHandle_, &status_);
}

void ServiceAttachment::ReportStopped() {
    const std::lock_guard<std::mutex> lock(statusLock_);
    if (statusHandle_ == nullptr || status_.dwCurrentState == SERVICE_STOPPED) return;
    SetState(SERVICE_STOPPED, 0);
}

DWORD WINAPI ServiceAttachment::DispatcherThread(void*) {
    SERVICE_TABLE_ENTRYA services[] = {{const_cast<char*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
    // Fails with ERROR_FAILED_SERVICE_CONTROLLER_CONNECT when started by hand (Wine
    // first waits 10 s for a control pipe); otherwise returns once the service has
    // reported itself stopped.
    ::StartServiceCtrlDispatcherA(services);
    return 0;
}

void WINAPI ServiceAttachment::ServiceMain(DWORD, LPSTR*) {
    if (ServiceAttachment* self = activeAttachment.load()) self->BecomeRunning();
}

void ServiceAttachment::BecomeRunning() {
    const std::lock_guard<std::mutex> lock(statusLock_);
    statusHandle_ = ::RegisterServiceCtrlHandlerExA(kServiceName, ControlHandler, this);
    if (statusHandle_ != nullptr) SetState(SERVICE_RUNNING, 0);
}

DWORD WINAPI ServiceAttachment::ControlHandler(DWORD control, DWORD, void*, void* attachment) {
    return static_cast<ServiceAttachment*>(attachment)->HandleControl(control);
}

DWORD ServiceAttachment::HandleControl(DWORD control) {
    const std::lock_guard<std::mutex> lock(statusLock_);
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            // Answer at once, so the manager never waits out its timeout, and leave the
            // shutdown itself to the window's thread. A repeated request changes nothing.
            if (status_.dwCurrentState == SERVICE_RUNNING) {
                SetState(SERVICE_STOP_PENDING, kStopWaitHintMs);
                ::PostMessageA(mainWindow_, requestMessage_, control, 0);
            }
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            ::SetServiceStatus(statusHandle_, &status_);
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void ServiceAttachment::SetState(DWORD state, DWORD waitHintMs) {
    status_.dwCurrentState = state;
    status_.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status_.dwWin32ExitCode = NO_ERROR;
    status_.dwCheckPoint = state == SERVICE_STOP_PENDING ? 1 : 0;
    status_.dwWaitHint = waitHintMs;
    ::SetServiceStatus(statusHandle_, &status_);
}

}  // namespace ostrilo::win32
