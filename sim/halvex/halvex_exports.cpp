// The exported entry points of a simulated Halvex client library. Built twice, as
// Halvex2.dll and Halvex3.dll; HALVEX_LIBRARY_NAME names the files it uses.

#include <type_traits>

#include "common/no_throw.h"
#include "common/win_file.h"
#include "halvex/halvex_simulator.h"
#include "win32/outside_libraries_abi.h"

namespace {

ostrilo::sim::HalvexSimulator& Halvex() {
    static ostrilo::sim::HalvexSimulator simulator(ostrilo::sim::OwnModuleFolder(), HALVEX_LIBRARY_NAME);
    return simulator;
}

}  // namespace

extern "C" {

std::int32_t OUTSIDE_CALL GetRunningApps(std::int32_t which) {
    return ostrilo::sim::NoThrow<std::int32_t>(0, [&] { return Halvex().GetRunningApps(which); });
}

std::int32_t OUTSIDE_CALL SetCommandEntry(const char* command, std::int32_t flags) {
    return ostrilo::sim::NoThrow<std::int32_t>(0, [&] { return Halvex().SetCommandEntry(command, flags); });
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&GetRunningApps), GetRunningAppsFn>);
static_assert(std::is_same_v<decltype(&SetCommandEntry), SetCommandEntryFn>);
