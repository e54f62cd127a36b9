#pragma once

#include <windows.h>

#include "win32/outside_libraries_abi.h"

namespace ostrilo::bench {

struct HalvexLibrary {
    GetRunningAppsFn getRunningApps = nullptr;
    SetCommandEntryFn setCommandEntry = nullptr;

    bool Present() const { return getRunningApps && setCommandEntry; }
    bool ReportsRunning() const { return getRunningApps && getRunningApps(1) != 0; }
};

// The entry points the relay uses, bound once at start; a missing library leaves its
// pointers null. The modules stay loaded for the process's life, as in the program.
struct OutsideLibraries {
    GetDLLVersionFn getDllVersion = nullptr;
    ConnectWinCCDMProcFn connect = nullptr;
    StartWinCCMsgServiceFn startMessageService = nullptr;
    StopWinCCMsgServiceFn stopMessageService = nullptr;
    GetWinCCRuntimeProjectFn getRuntimeProject = nullptr;
    GetWinCCCmnErrorFn getCommonError = nullptr;
    GetWinCCMsgServiceMessageFn getMessage = nullptr;
    HalvexLibrary halvex2;
    HalvexLibrary halvex3;

    bool BridgePresent() const {
        return getDllVersion && connect && startMessageService && stopMessageService && getRuntimeProject &&
               getCommonError && getMessage;
    }
};

OutsideLibraries LoadOutsideLibraries();

}  // namespace ostrilo::bench
