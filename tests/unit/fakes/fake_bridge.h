#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "supervision/wincc_bridge.h"

namespace ostrilo::testing {

// A bridge library whose answers the test sets; `reachable = false` makes every call
// fail as if Ostrilo.dll were missing. Calls are recorded by name.
class FakeBridge : public WinCCBridge {
public:
    std::optional<std::int32_t> GetDLLVersion() override { return Call("GetDLLVersion", version); }
    std::optional<std::int16_t> ConnectWinCCDMProc() override {
        ++connectCalls;
        return Call("ConnectWinCCDMProc", connectResult);
    }
    bool DisconnectWinCCDMProc() override { return Call("DisconnectWinCCDMProc", true); }
    bool StartWinCCMsgService() override { return Call("StartWinCCMsgService", true); }
    bool StopWinCCMsgService() override { return Call("StopWinCCMsgService", true); }
    std::optional<std::int16_t> GetWinCCRuntimeProject(char*, std::int16_t) override {
        return Call("GetWinCCRuntimeProject", std::optional<std::int16_t>(0));
    }
    std::optional<std::int16_t> GetWinCCCmnError(std::int32_t (&)[5], char*, std::int16_t) override {
        return Call("GetWinCCCmnError", std::optional<std::int16_t>(0));
    }
    std::optional<std::int16_t> GetWinCCMsgServiceMessage(char*, std::int16_t) override {
        return Call("GetWinCCMsgServiceMessage", std::optional<std::int16_t>(0));
    }

    std::optional<std::int32_t> version = 2;
    std::optional<std::int16_t> connectResult = 1;
    bool reachable = true;
    int connectCalls = 0;
    std::vector<std::string> calls;

private:
    template <typename T>
    std::optional<T> Call(const char* name, std::optional<T> result) {
        calls.push_back(name);
        return reachable ? result : std::nullopt;
    }
    bool Call(const char* name, bool result) {
        calls.push_back(name);
        return reachable && result;
    }
};

}  // namespace ostrilo::testing
