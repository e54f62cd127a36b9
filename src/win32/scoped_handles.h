#pragma once

// Winsock's header must come before <windows.h> pulls in anything socket-related.
#include <winsock2.h>
#include <windows.h>

#include <utility>

namespace ostrilo::win32 {

// Owns one Windows handle and closes it exactly once, so no early return can leak it.
// Traits supply the "no handle" value and the matching close call.
template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }

    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle Get() const { return handle_; }
    bool IsValid() const { return handle_ != Traits::Invalid(); }

    void Reset(Handle handle = Traits::Invalid()) {
        if (IsValid()) Traits::Close(handle_);
        handle_ = handle;
    }

    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

private:
    Handle handle_ = Traits::Invalid();
};

struct LibraryModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle module) { ::FreeLibrary(module); }
};
using ScopedLibraryModule = ScopedHandle<LibraryModuleTraits>;

struct SocketTraits {
    using Handle = SOCKET;
    static Handle Invalid() { return INVALID_SOCKET; }
    static void Close(Handle socket) { ::closesocket(socket); }
};
using ScopedSocket = ScopedHandle<SocketTraits>;

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle key) { ::RegCloseKey(key); }
};
using ScopedRegistryKey = ScopedHandle<RegistryKeyTraits>;

struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle file) { ::CloseHandle(file); }
};
using ScopedFileHandle = ScopedHandle<FileHandleTraits>;

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle search) { ::FindClose(search); }
};
using ScopedFindHandle = ScopedHandle<FindHandleTraits>;

// Kernel objects whose creation reports failure as a null handle (mutexes, threads, events).
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle object) { ::CloseHandle(object); }
};
using ScopedKernelHandle = ScopedHandle<KernelHandleTraits>;

// The service control manager and the services opened through it.
struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle service) { ::CloseServiceHandle(service); }
};
using ScopedServiceHandle = ScopedHandle<ServiceHandleTraits>;

struct EventSourceTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle source) { ::DeregisterEventSource(source); }
};
using ScopedEventSource = ScopedHandle<EventSourceTraits>;

// Memory that a call allocated for its caller with LocalAlloc (security descriptors).
struct LocalMemoryTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle memory) { ::LocalFree(memory); }
};
using ScopedLocalMemory = ScopedHandle<LocalMemoryTraits>;

}  // namespace ostrilo::win32
