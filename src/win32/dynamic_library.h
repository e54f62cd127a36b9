#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "win32/scoped_handles.h"

namespace ostrilo::win32 {

// Milliseconds from a steady source; injectable so the retry window can be tested.
using MillisecondTicks = std::function<std::uint64_t()>;
std::uint64_t SystemMilliseconds();

// An outside library, loaded by name at the first request for one of its entry points.
// A load that failed is tried again at most once per retry interval: the presence check
// asks ten times a second, and a failed search for a missing library costs milliseconds.
// A library installed while the program runs is still found within seconds. A library
// that loaded stays loaded for the life of this object.
class DynamicLibrary {
public:
    static constexpr std::uint64_t kRetryIntervalMs = 10 * 1000;

    // `fileName` is passed to LoadLibraryA as it is: a bare name uses the normal DLL search.
    explicit DynamicLibrary(std::string fileName, MillisecondTicks ticks = SystemMilliseconds);

    // The entry point's address, or null when the library or the entry point is not available.
    FARPROC FindEntryPoint(const char* name);

private:
    bool EnsureLoaded();

    std::string fileName_;
    MillisecondTicks ticks_;
    ScopedLibraryModule module_;
    std::optional<std::uint64_t> lastFailedLoad_;
};

// One function of a DynamicLibrary, bound by name at its first successful lookup.
// `Fn` is one of the pointer types of outside_libraries_abi.h.
template <typename Fn>
class EntryPoint {
public:
    EntryPoint(DynamicLibrary& library, const char* name) : library_(library), name_(name) {}

    // Calls the function; empty when it cannot be bound now.
    template <typename... Args>
    auto Call(Args... args) -> std::optional<decltype(std::declval<Fn>()(args...))> {
        if (bound_ == nullptr) bound_ = Bind();
        if (bound_ == nullptr) return std::nullopt;
        return bound_(args...);
    }

private:
    Fn Bind() {
        FARPROC address = library_.FindEntryPoint(name_);
        // Going through the generic function pointer type keeps -Wcast-function-type quiet.
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
    }

    DynamicLibrary& library_;
    const char* name_;
    Fn bound_ = nullptr;
};

}  // namespace ostrilo::win32
