#include "win32/win32_wincc_bridge.h"

#include <utility>

namespace ostrilo::win32 {

Win32WinCCBridge::Win32WinCCBridge(std::string libraryFile, MillisecondTicks ticks)
    : library_(std::move(libraryFile), std::move(ticks)) {}

std::optional<std::int32_t> Win32WinCCBridge::GetDLLVersion() { return getDllVersion_.Call(); }

std::optional<std::int16_t> Win32WinCCBridge::ConnectWinCCDMProc() { return connect_.Call(); }

// The library's answers to these three carry no meaning; only whether the call was made counts.
bool Win32WinCCBridge::DisconnectWinCCDMProc() { return disconnect_.Call().has_value(); }

bool Win32WinCCBridge::StartWinCCMsgService() { return startMessageService_.Call().has_value(); }

bool Win32WinCCBridge::StopWinCCMsgService() { return stopMessageService_.Call().has_value(); }

std::optional<std::int16_t> Win32WinCCBridge::GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) {
    return getRuntimeProject_.Call(buffer, capacity);
}

std::optional<std::int16_t> Win32WinCCBridge::GetWinCCCmnError(std::int32_t (&errorWords)[5], char* buffer,
                                                               std::int16_t capacity) {
    return getCommonError_.Call(&errorWords[0], &errorWords[1], &errorWords[2], &errorWords[3], &errorWords[4],
                                buffer, capacity);
}

std::optional<std::int16_t> Win32WinCCBridge::GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity) {
    const std::int16_t reserved = 0;
    return getMessage_.Call(buffer, capacity, reserved);
}

}  // namespace ostrilo::win32
