#include "win32/service/service_attachment.h"

#include <atomic>

#include "app/start_checkpoints.h"
#include "win32/service/service_identity.h"

namespace ostrilo::win32 {
namespace {

// ServiceMain gets no context argument, so it finds the attachment here.
std::atomic<ServiceAttachment*> activeAttachment{nullptr};

// How long the manager is told to wait for the shutdown sequence before it worries.
constexpr DWORD kStopWaitHintMs = 15 * 1000;
// The start-up may block in the bridge library for minutes at boot: the manager is
// promised a checkpoint within the hint and gets one well before it runs out.
constexpr DWORD kStartWaitHintMs = 10 * 1000;
constexpr DWORD kStartCheckpointIntervalMs = 3 * 1000;
// After the stopped report the dispatcher returns at once; this only bounds a hang.
constexpr DWORD kThreadEndTimeoutMs = 2 * 1000;

}  // namespace

ServiceAttachment::ServiceAttachment(HWND mainWindow, UINT requestMessage)
    : mainWindow_(mainWindow),
      requestMessage_(requestMessage),
      startupFinished_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
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
    ::SetEvent(startupFinished_.Get());
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

void ServiceAttachment::ReportRunning() {
    const std::lock_guard<std::mutex> lock(statusLock_);
    running_ = true;
    if (statusHandle_ != nullptr && status_.dwCurrentState == SERVICE_START_PENDING) SetState(SERVICE_RUNNING, 0);
    ::SetEvent(startupFinished_.Get());
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
    if (ServiceAttachment* self = activeAttachment.load()) self->ReportStartProgress();
}

void ServiceAttachment::ReportStartProgress() {
    {
        const std::lock_guard<std::mutex> lock(statusLock_);
        statusHandle_ = ::RegisterServiceCtrlHandlerExA(kServiceName, ControlHandler, this);
        if (statusHandle_ == nullptr) return;
        SetState(running_ ? SERVICE_RUNNING : SERVICE_START_PENDING, running_ ? 0 : kStartWaitHintMs);
    }
    const ULONGLONG began = ::GetTickCount64();
    while (::WaitForSingleObject(startupFinished_.Get(), kStartCheckpointIntervalMs) == WAIT_TIMEOUT) {
        if (!StartCheckpointDue(std::chrono::milliseconds(::GetTickCount64() - began))) return;
        const std::lock_guard<std::mutex> lock(statusLock_);
        if (status_.dwCurrentState != SERVICE_START_PENDING) return;
        SetState(SERVICE_START_PENDING, kStartWaitHintMs);
    }
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
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    // A pending state repeated is progress: its checkpoint counts up.
    status_.dwCheckPoint = !pending ? 0 : state == status_.dwCurrentState ? status_.dwCheckPoint + 1 : 1;
    status_.dwCurrentState = state;
    status_.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status_.dwWin32ExitCode = NO_ERROR;
    status_.dwWaitHint = waitHintMs;
    ::SetServiceStatus(statusHandle_, &status_);
}

}  // namespace ostrilo::win32
