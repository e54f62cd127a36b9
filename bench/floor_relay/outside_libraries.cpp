#include "floor_relay/outside_libraries.h"

namespace ostrilo::bench {
namespace {

template <typename Function>
void Bind(HMODULE module, const char* name, Function& function) {
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

HalvexLibrary LoadHalvex(const char* fileName) {
    HalvexLibrary library;
    HMODULE module = LoadLibraryA(fileName);
    Bind(module, "GetRunningApps", library.getRunningApps);
    Bind(module, "SetCommandEntry", library.setCommandEntry);
    return library;
}

}  // namespace

OutsideLibraries LoadOutsideLibraries() {
    OutsideLibraries libraries;
    HMODULE bridge = LoadLibraryA("Ostrilo.dll");
    Bind(bridge, "GetDLLVersion", libraries.getDllVersion);
    Bind(bridge, "ConnectWinCCDMProc", libraries.connect);
    Bind(bridge, "StartWinCCMsgService", libraries.startMessageService);
    Bind(bridge, "StopWinCCMsgService", libraries.stopMessageService);
    Bind(bridge, "GetWinCCRuntimeProject", libraries.getRuntimeProject);
    Bind(bridge, "GetWinCCCmnError", libraries.getCommonError);
    Bind(bridge, "GetWinCCMsgServiceMessage", libraries.getMessage);
    libraries.halvex2 = LoadHalvex("Halvex2.dll");
    libraries.halvex3 = LoadHalvex("Halvex3.dll");
    return libraries;
}

}  // namespace ostrilo::bench
