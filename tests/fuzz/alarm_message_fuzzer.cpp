// Cleaning of the alarms the bridge hands over, alone and inside the supervision tick
// with a bridge whose counts lie: no line break survives, nothing beyond the buffer is
// read, and every other byte reaches Halvex in order.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "supervision/alarm_message.h"
#include "supervision/supervision_tick.h"

namespace ostrilo::fuzz {
namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

std::string WithoutLineBreaks(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(), IsLineBreak), text.end());
    return text;
}

// What the tick must make of a count: the reported characters, but never more than the buffer.
std::string Expected(const std::string& buffer, std::int16_t count, std::size_t capacity) {
    const std::size_t length = count <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(count), capacity);
    return WithoutLineBreaks(buffer.substr(0, length));
}

void CheckCleaning(FuzzedDataProvider& input) {
    const auto count = input.ConsumeIntegral<std::int16_t>();
    const std::string buffer = input.ConsumeRandomLengthString(4096);
    // The buffer is exactly as long as the capacity, so ASan sees any read past it.
    const std::vector<char> exact(buffer.begin(), buffer.end());
    const std::string message = CleanAlarmMessage(exact.data(), count, exact.size());
    FUZZ_EXPECT(std::none_of(message.begin(), message.end(), IsLineBreak), message);
    FUZZ_EXPECT(message.size() <= exact.size(), message);
    FUZZ_EXPECT(message == Expected(buffer, count, exact.size()), buffer);
}

struct FetchedAlarm {
    std::string text;
    std::int16_t reportedCount;
};

// Running WinCC that hands over scripted alarms with whatever count the script says.
class LyingBridge : public WinCCBridge {
public:
    std::optional<std::int32_t> GetDLLVersion() override { return 2; }
    std::optional<std::int16_t> ConnectWinCCDMProc() override { return 1; }
    bool DisconnectWinCCDMProc() override { return true; }
    bool StartWinCCMsgService() override { return true; }
    bool StopWinCCMsgService() override { return true; }
    std::optional<std::int16_t> GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) override {
        Fill("Plant", buffer, capacity);
        return 5;
    }
    std::optional<std::int16_t> GetWinCCCmnError(std::int32_t (&)[5], char*, std::int16_t) override { return 0; }
    std::optional<std::int16_t> GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity) override {
        if (waiting.empty()) return 0;
        const FetchedAlarm alarm = waiting.front();
        waiting.pop_front();
        Fill(alarm.text, buffer, capacity);
        // A count beyond the text reaches whatever earlier calls left in the buffer.
        const std::string wholeBuffer(buffer, static_cast<std::size_t>(capacity));
        if (alarm.reportedCount > 0) {
            relayable.push_back(Expected(wholeBuffer, alarm.reportedCount, wholeBuffer.size()));
        }
        return alarm.reportedCount;
    }

    std::deque<FetchedAlarm> waiting;
    std::vector<std::string> relayable;  // what each fetched alarm should become at Halvex

private:
    static void Fill(const std::string& text, char* buffer, std::int16_t capacity) {
        std::memcpy(buffer, text.data(), std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity)));
    }
};

class RecordingHalvex : public HalvexGateway {
public:
    bool SendToHalvex(const std::string& message) override { return sent.push_back(message), true; }
    bool IsHalvexRunning() override { return true; }
    std::vector<std::string> sent;
};

class QuietSurroundings : public platform::StatusBar, public platform::Clock, public platform::MonotonicClock,
                          public LogWriter {
public:
    std::int64_t Milliseconds() override { return 0; }
    bool SetPanelText(int, const std::string&) override { return true; }
    platform::LocalDateTime Now() override { return {2026, 12, 5, 14, 3, 7}; }
    double SecondsSinceMidnight() override { return 0; }
    std::string TimeSeparator() override { return ":"; }
    void WriteLog(const std::string&) override {}
};

void CheckRelay(FuzzedDataProvider& input) {
    LyingBridge bridge;
    while (input.remaining_bytes() > 0 && bridge.waiting.size() < 50) {
        const auto count = input.ConsumeIntegral<std::int16_t>();
        // Long enough to reach past the tick's buffer now and then.
        const std::size_t length = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::size_t>(8000, 9000) : 0;
        std::string text = input.ConsumeRandomLengthString(64);
        text.resize(std::max(text.size(), length), 'A');
        bridge.waiting.push_back({text, count});
    }
    RecordingHalvex halvex;
    QuietSurroundings surroundings;
    const std::int32_t connectionType = 1;
    const std::int32_t daysToKeep = 60;
    const std::int32_t noHeartbeat = 0;
    SupervisionTick tick({connectionType, daysToKeep, 100, noHeartbeat},
                         {bridge, halvex, surroundings, surroundings, surroundings, [](const std::string&) {},
                          [](const std::string&, std::int32_t) {}, surroundings, [] {}});
    for (int ticks = 0; ticks < 4; ++ticks) {
        const std::size_t before = halvex.sent.size();
        tick.OnTimer();
        FUZZ_EXPECT(halvex.sent.size() - before <= SupervisionTick::kMessagesPerTick, "too many in one tick");
    }
    // A count of 0 or less ends the tick's relay; every other fetched alarm reaches Halvex.
    FUZZ_EXPECT(halvex.sent == bridge.relayable, "relayed alarms differ from the fetched ones");
    for (const std::string& message : halvex.sent) {
        FUZZ_EXPECT(message.size() <= static_cast<std::size_t>(SupervisionTick::kMessageBufferLength), message);
    }
}

}  // namespace
}  // namespace ostrilo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) ostrilo::fuzz::CheckRelay(input);
    else ostrilo::fuzz::CheckCleaning(input);
    return 0;
}
