// Installs the crash reporter for the program folder given and then fails as told, so the
// tests can see what a real crash leaves behind without a trigger in the product.
//   ostrilo_crash_child.exe FOLDER\ access-violation|terminate|stack-overflow|normal-end

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "win32/crash_reporter.h"

namespace {

// Opaque to the optimiser, so the faulting write really happens.
volatile std::uintptr_t g_badAddress = 0x10;

void WriteThroughBadPointer() { *reinterpret_cast<volatile int*>(g_badAddress) = 1; }

// Far beyond any stack; each frame keeps a buffer alive across the call, so the recursion
// cannot be flattened.
volatile int g_depthLimit = 1 << 30;

int Recurse(int depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    if (depth >= g_depthLimit) return frame[0];
    return Recurse(depth + 1) + frame[0];
}

void ThrowUncaught() { throw std::runtime_error("nobody catches this"); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    ostrilo::win32::InstallCrashReporter(argv[1]);
    const char* mode = argv[2];
    if (std::strcmp(mode, "access-violation") == 0) WriteThroughBadPointer();
    if (std::strcmp(mode, "terminate") == 0) ThrowUncaught();
    if (std::strcmp(mode, "stack-overflow") == 0) return Recurse(0);
    return std::strcmp(mode, "normal-end") == 0 ? 0 : 2;
}
