#include "win32/dynamic_library.h"

namespace ostrilo::win32 {

std::uint64_t SystemMilliseconds() { return ::GetTickCount64(); }

DynamicLibrary::DynamicLibrary(std::string fileName, MillisecondTicks ticks)
    : fileName_(std::move(fileName)), ticks_(std::move(ticks)) {}

FARPROC DynamicLibrary::FindEntryPoint(const char* name) {
    if (!EnsureLoaded()) return nullptr;
    return ::GetProcAddress(module_.Get(), name);
}

bool DynamicLibrary::EnsureLoaded() {
    if (module_.IsValid()) return true;
    const std::uint64_t now = ticks_();
    if (lastFailedLoad_ && now - *lastFailedLoad_ < kRetryIntervalMs) return false;

    // A damaged or incomplete library must not stop an unattended service with a
    // system error box; the failure is reported to the caller instead.
    DWORD previousMode = 0;
    const BOOL modeSet = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    module_.Reset(::LoadLibraryA(fileName_.c_str()));
    if (modeSet) ::SetThreadErrorMode(previousMode, nullptr);

    if (module_.IsValid()) {
        lastFailedLoad_.reset();
        return true;
    }
    lastFailedLoad_ = now;
    return false;
}

}  // namespace ostrilo::win32
