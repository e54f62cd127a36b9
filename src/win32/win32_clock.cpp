#include "win32/win32_clock.h"

#include <windows.h>

#include <cstdint>

namespace ostrilo::win32 {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;  // FILETIME counts 100 ns
constexpr std::uint64_t kTicksPerDay = 86'400 * kTicksPerSecond;

using PreciseTimeFunction = VOID(WINAPI*)(LPFILETIME);

// Windows 8 and later read the time to well below a millisecond; Windows 7 only to the
// scheduler tick, so the log's milliseconds fall back to that.
PreciseTimeFunction PreciseSystemTime() {
    static const PreciseTimeFunction function = [] {
        const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
        const FARPROC found = kernel ? ::GetProcAddress(kernel, "GetSystemTimePreciseAsFileTime") : nullptr;
        // Through a generic function pointer, the sanctioned way to retype a looked-up export.
        return reinterpret_cast<PreciseTimeFunction>(reinterpret_cast<void (*)()>(found));
    }();
    return function;
}

std::uint64_t TicksOf(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

platform::LocalDateTime Win32Clock::Now() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    platform::LocalDateTime now;
    now.year = local.wYear;
    now.month = local.wMonth;
    now.day = local.wDay;
    now.hour = local.wHour;
    now.minute = local.wMinute;
    now.second = local.wSecond;
    return now;
}

double Win32Clock::SecondsSinceMidnight() {
    FILETIME utc{};
    if (const PreciseTimeFunction precise = PreciseSystemTime()) {
        precise(&utc);
    } else {
        ::GetSystemTimeAsFileTime(&utc);
    }
    FILETIME local{};
    if (!::FileTimeToLocalFileTime(&utc, &local)) {
        local = utc;
    }
    // FILETIME starts at a midnight (1 January 1601), so the rest of a whole day is the
    // time since the last local midnight.
    const std::uint64_t ticksToday = TicksOf(local) % kTicksPerDay;
    return static_cast<double>(ticksToday) / static_cast<double>(kTicksPerSecond);
}

std::int64_t Win32Clock::SecondsSinceEpoch() {
    constexpr std::uint64_t kSecondsFrom1601To1970 = 11'644'473'600;
    FILETIME utc{};
    ::GetSystemTimeAsFileTime(&utc);
    return static_cast<std::int64_t>(TicksOf(utc) / kTicksPerSecond - kSecondsFrom1601To1970);
}

std::string Win32Clock::TimeSeparator() {
    // The last byte stays zero, so the text is terminated whatever the call writes.
    char separator[8] = {};
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof separator - 1) == 0) {
        return std::string();
    }
    return separator;
}

}  // namespace ostrilo::win32
