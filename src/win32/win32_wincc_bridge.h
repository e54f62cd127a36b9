#pragma once

#include <string>

#include "supervision/wincc_bridge.h"
#include "win32/dynamic_library.h"
#include "win32/outside_libraries_abi.h"

namespace ostrilo::win32 {

// WinCCBridge over Ostrilo.dll. Every function is bound at its first call, and a call
// that cannot be bound now reports so instead of failing the program.
class Win32WinCCBridge final : public WinCCBridge {
public:
    explicit Win32WinCCBridge(std::string libraryFile = "Ostrilo.dll", MillisecondTicks ticks = SystemMilliseconds);

    std::optional<std::int32_t> GetDLLVersion() override;
    std::optional<std::int16_t> ConnectWinCCDMProc() override;
    bool DisconnectWinCCDMProc() override;
    bool StartWinCCMsgService() override;
    bool StopWinCCMsgService() override;
    std::optional<std::int16_t> GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) override;
    std::optional<std::int16_t> GetWinCCCmnError(std::int32_t (&errorWords)[5], char* buffer,
                                                 std::int16_t capacity) override;
    std::optional<std::int16_t> GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity) override;

private:
    DynamicLibrary library_;
    EntryPoint<GetDLLVersionFn> getDllVersion_{library_, "GetDLLVersion"};
    EntryPoint<ConnectWinCCDMProcFn> connect_{library_, "ConnectWinCCDMProc"};
    EntryPoint<DisconnectWinCCDMProcFn> disconnect_{library_, "DisconnectWinCCDMProc"};
    EntryPoint<StartWinCCMsgServiceFn> startMessageService_{library_, "StartWinCCMsgService"};
    EntryPoint<StopWinCCMsgServiceFn> stopMessageService_{library_, "StopWinCCMsgService"};
    EntryPoint<GetWinCCRuntimeProjectFn> getRuntimeProject_{library_, "GetWinCCRuntimeProject"};
    EntryPoint<GetWinCCCmnErrorFn> getCommonError_{library_, "GetWinCCCmnError"};
    EntryPoint<GetWinCCMsgServiceMessageFn> getMessage_{library_, "GetWinCCMsgServiceMessage"};
};

}  // namespace ostrilo::win32
