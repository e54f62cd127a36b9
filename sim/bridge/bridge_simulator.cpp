#include "bridge/bridge_simulator.h"

#include <algorithm>
#include <limits>

#include "bridge/caller_buffer.h"
#include "common/text_escape.h"

namespace ostrilo::sim {
namespace {

std::int16_t ClampToInt16(std::int32_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, std::numeric_limits<std::int16_t>::min(),
                                                              std::numeric_limits<std::int16_t>::max()));
}

std::string JoinedWords(const std::array<std::int32_t, 5>& words) {
    std::string joined;
    for (const auto word : words) {
        if (!joined.empty()) joined += ',';
        joined += std::to_string(word);
    }
    return joined;
}

}  // namespace

BridgeSimulator::BridgeSimulator(const std::string& folder)
    : control_(folder + "Ostrilo.control"),
      queue_(folder + "Ostrilo.messages"),
      journal_(folder + "Ostrilo.journal"),
      callTimes_(folder + "Ostrilo.calltimes") {}

void BridgeSimulator::Record(const std::string& line) {
    journal_.Record(line);
    if (control_.Number("call_times", 0) != 1) return;
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    const double milliseconds = 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
    callTimes_.Record(std::to_string(milliseconds) + " " + line.substr(0, line.find(' ')));
}

std::int16_t BridgeSimulator::RecordedResult(const std::string& call, std::int16_t result) {
    Record(call + " -> " + std::to_string(result));
    return result;
}

std::int32_t BridgeSimulator::GetDLLVersion() {
    std::lock_guard<std::mutex> guard(mutex_);
    control_.Refresh();
    const std::int32_t version = control_.Number("version", 2);
    Record("GetDLLVersion -> " + std::to_string(version));
    return version;
}

std::int16_t BridgeSimulator::ConnectWinCCDMProc() {
    std::lock_guard<std::mutex> guard(mutex_);
    control_.Refresh();
    return RecordedResult("ConnectWinCCDMProc", ClampToInt16(control_.Number("connect_result", 1)));
}

std::int16_t BridgeSimulator::DisconnectWinCCDMProc() {
    std::lock_guard<std::mutex> guard(mutex_);
    return RecordedResult("DisconnectWinCCDMProc", 1);
}

std::int16_t BridgeSimulator::StartWinCCMsgService() {
    std::lock_guard<std::mutex> guard(mutex_);
    serviceStarted_ = true;
    return RecordedResult("StartWinCCMsgService", 1);
}

std::int16_t BridgeSimulator::StopWinCCMsgService() {
    std::lock_guard<std::mutex> guard(mutex_);
    serviceStarted_ = false;
    return RecordedResult("StopWinCCMsgService", 1);
}

std::int16_t BridgeSimulator::GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) {
    std::lock_guard<std::mutex> guard(mutex_);
    control_.Refresh();
    const std::string project = control_.Text("project", "");
    const std::int16_t count = CopyTerminated(project, buffer, capacity);
    Record("GetWinCCRuntimeProject " + std::to_string(capacity) + " -> " + std::to_string(count) + " " +
                    QuotedText(std::string_view(project).substr(0, count)));
    return count;
}

std::int16_t BridgeSimulator::GetWinCCCmnError(std::int32_t* words[5], char* buffer, std::int16_t capacity) {
    std::lock_guard<std::mutex> guard(mutex_);
    control_.Refresh();
    const auto errorWords = control_.NumberList("error_words");
    for (std::size_t i = 0; i < errorWords.size(); ++i) {
        if (words[i] != nullptr) *words[i] = errorWords[i];
    }
    const std::string text = control_.Text("error_text", "");
    const std::int16_t count = CopyTerminated(text, buffer, capacity);
    Record("GetWinCCCmnError " + std::to_string(capacity) + " -> " + std::to_string(count) + " " +
                    JoinedWords(errorWords) + " " + QuotedText(std::string_view(text).substr(0, count)));
    return count;
}

bool BridgeSimulator::MessagesFlow() const {
    const bool serviceAllows = serviceStarted_ || control_.Number("messages_need_service", 1) == 0;
    const bool projectAllows = !control_.Text("project", "").empty() || control_.Number("messages_need_project", 1) == 0;
    return serviceAllows && projectAllows;
}

std::int16_t BridgeSimulator::GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity, std::int16_t reserved) {
    std::lock_guard<std::mutex> guard(mutex_);
    control_.Refresh();
    const std::string call =
        "GetWinCCMsgServiceMessage " + std::to_string(capacity) + " " + std::to_string(reserved);
    // A message that cannot be handed over stays queued.
    const bool canHandOver = buffer != nullptr && capacity > 0 && MessagesFlow();
    const auto message = canHandOver ? queue_.TakeNext() : std::nullopt;
    if (!message) return RecordedResult(call, 0);

    const std::int16_t copied = control_.Number("message_unterminated", 0) != 0
                                    ? CopyFillingBuffer(*message, buffer, capacity)
                                    : CopyTerminated(*message, buffer, capacity);
    const auto injectedCount = control_.OptionalNumber("message_count");
    const std::int16_t result = injectedCount ? ClampToInt16(*injectedCount) : copied;
    Record(call + " -> " + std::to_string(result) + " " +
                    QuotedText(std::string_view(*message).substr(0, copied)));
    return result;
}

}  // namespace ostrilo::sim
