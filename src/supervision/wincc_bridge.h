#pragma once

#include <cstdint>
#include <optional>

namespace ostrilo {

// The WinCC bridge library Ostrilo.dll. Every call is bound at its first use; an
// empty result means the call could not be made (library or entry point missing),
// which the caller treats by its own error policy. Counts are the library's own
// answer: callers clamp them to the buffer they passed.
class WinCCBridge {
public:
    virtual ~WinCCBridge() = default;
    virtual std::optional<std::int32_t> GetDLLVersion() = 0;
    virtual std::optional<std::int16_t> ConnectWinCCDMProc() = 0;
    virtual bool DisconnectWinCCDMProc() = 0;
    virtual bool StartWinCCMsgService() = 0;
    virtual bool StopWinCCMsgService() = 0;
    virtual std::optional<std::int16_t> GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) = 0;
    virtual std::optional<std::int16_t> GetWinCCCmnError(std::int32_t (&errorWords)[5], char* buffer,
                                                         std::int16_t capacity) = 0;
    virtual std::optional<std::int16_t> GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity) = 0;
};

}  // namespace ostrilo
