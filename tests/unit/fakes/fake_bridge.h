#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
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
    std::optional<std::int16_t> ConnectWinCCDMProc() override { return Call("ConnectWinCCDMProc", connectResult); }
    bool DisconnectWinCCDMProc() override { return Call("DisconnectWinCCDMProc", true); }
    bool StartWinCCMsgService() override { return Call("StartWinCCMsgService", true); }
    bool StopWinCCMsgService() override { return Call("StopWinCCMsgService", true); }
    std::optional<std::int16_t> GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) override {
        return Call("GetWinCCRuntimeProject", std::optional<std::int16_t>(Fill(projectName, buffer, capacity)));
    }
    std::optional<std::int16_t> GetWinCCCmnError(std::int32_t (&words)[5], char*, std::int16_t) override {
        const auto result = Call("GetWinCCCmnError", errorResult);
        if (result) words[0] = firstErrorWord;  // a failed call leaves the words alone
        return result;
    }
    std::optional<std::int16_t> GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity) override {
        if (countOverride) return Call("GetWinCCMsgServiceMessage", *countOverride);
        std::optional<std::int16_t> count = 0;
        if (!waiting.empty()) {
            count = Fill(waiting.front(), buffer, capacity);
            waiting.pop_front();
        }
        return Call("GetWinCCMsgServiceMessage", count);
    }

    std::size_t CallsTo(const std::string& name) const {
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), name));
    }

    std::optional<std::int32_t> version = 2;
    std::optional<std::int16_t> connectResult = 1;
    std::string projectName;  // empty: WinCC is not running
    std::int32_t firstErrorWord = 0;
    std::optional<std::int16_t> errorResult = 0;
    std::deque<std::string> waiting;                           // alarms handed over one per fetch
    std::optional<std::optional<std::int16_t>> countOverride;  // a lying fetch; inner empty: the call fails
    bool reachable = true;
    std::vector<std::string> calls;

private:
    // Copies what fits, ends it with a zero even past the stated capacity and reports the
    // full length, as a careless library might.
    static std::int16_t Fill(const std::string& text, char* buffer, std::int16_t capacity) {
        const std::size_t copied = std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity));
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
        return static_cast<std::int16_t>(text.size());
    }
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
