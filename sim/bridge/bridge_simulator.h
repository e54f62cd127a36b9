#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "common/control_file.h"
#include "common/journal.h"
#include "common/message_queue.h"

namespace ostrilo::sim {

// The WinCC bridge as scripted by Ostrilo.control and Ostrilo.messages in the given folder;
// every call is recorded in Ostrilo.journal there (formats in sim/README.md).
class BridgeSimulator {
public:
    explicit BridgeSimulator(const std::string& folder);

    std::int32_t GetDLLVersion();
    std::int16_t ConnectWinCCDMProc();
    std::int16_t DisconnectWinCCDMProc();
    std::int16_t StartWinCCMsgService();
    std::int16_t StopWinCCMsgService();
    std::int16_t GetWinCCRuntimeProject(char* buffer, std::int16_t capacity);
    std::int16_t GetWinCCCmnError(std::int32_t* words[5], char* buffer, std::int16_t capacity);
    std::int16_t GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity, std::int16_t reserved);

private:
    bool MessagesFlow() const;
    std::int16_t RecordedResult(const std::string& call, std::int16_t result);
    // The journal line, and with `call_times=1` the call's time in Ostrilo.calltimes.
    void Record(const std::string& line);

    std::mutex mutex_;
    ControlFile control_;
    MessageQueue queue_;
    Journal journal_;
    Journal callTimes_;
    bool serviceStarted_ = false;
};

}  // namespace ostrilo::sim
