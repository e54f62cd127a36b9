// The log's line formats for any message, clock reading and time separator, and the
// sink's list bound with a list control that may misbehave.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "logging/log_lines.h"
#include "logging/log_retention.h"
#include "logging/log_sink.h"
#include "platform/file_system.h"
#include "platform/log_list.h"

namespace ostrilo::fuzz {
namespace {

bool AllDigits(const std::string& text) { return text.find_first_not_of("0123456789") == std::string::npos; }

platform::LocalDateTime DateTimeFrom(FuzzedDataProvider& input, bool plausible) {
    if (!plausible) {
        return {input.ConsumeIntegral<int>(), input.ConsumeIntegral<int>(), input.ConsumeIntegral<int>(),
                input.ConsumeIntegral<int>(), input.ConsumeIntegral<int>(), input.ConsumeIntegral<int>()};
    }
    return {input.ConsumeIntegralInRange(1601, 9999), input.ConsumeIntegralInRange(1, 12),
            input.ConsumeIntegralInRange(1, 31), input.ConsumeIntegralInRange(0, 23),
            input.ConsumeIntegralInRange(0, 59), input.ConsumeIntegralInRange(0, 59)};
}

void CheckTimeStamp(const platform::LocalDateTime& now, double seconds, const std::string& separator, bool plausible) {
    const std::string stamp = TimeStampText(now, seconds, separator);
    const std::string used = separator.empty() || separator.size() > 3 ? ":" : separator;
    // Three fields of any int and a separator of at most three characters.
    FUZZ_EXPECT(stamp.size() <= 3 * 11 + 2 * 3 + 4, stamp);
    FUZZ_EXPECT(stamp.size() >= 4 && stamp[stamp.size() - 4] == '.' && AllDigits(stamp.substr(stamp.size() - 3)), stamp);
    if (!plausible) return;
    FUZZ_EXPECT(stamp.size() == 6 + 2 * used.size() + 4, stamp);
    FUZZ_EXPECT(stamp.compare(2, used.size(), used) == 0 && stamp.compare(4 + used.size(), used.size(), used) == 0, stamp);
    if (seconds >= 0 && seconds < 1e6) {
        // The milliseconds are the counter's, rounded: at most one off its truncation.
        const auto truncated = static_cast<long long>(std::floor(seconds * 1000)) % 1000;
        const long long shown = std::stoll(stamp.substr(stamp.size() - 3));
        const long long difference = (shown - truncated + 1000) % 1000;
        FUZZ_EXPECT(difference <= 1 || difference == 999, stamp + " for " + std::to_string(seconds));
    }
}

void CheckLines(const platform::LocalDateTime& date, const std::string& stamp, const std::string& message, bool plausible) {
    const std::string fileLine = FileLineFor(stamp, message);
    const bool separator = !message.empty() && message[0] == '-';
    FUZZ_EXPECT(fileLine == (separator ? message : stamp + "\t" + message) + "\r\n", fileLine);

    const std::string dateText = DateText(date);
    const std::string listLine = ListLineFor(date, stamp, message);
    FUZZ_EXPECT(listLine == dateText + " " + stamp + " " + message, listLine);
    if (!plausible) return;
    // The day file the sink names is one the retention reads as today's, never deletes early.
    FUZZ_EXPECT(dateText.size() == 10, dateText);
    const auto dayFile = ReadDayFile(dateText + ".Log", ".Log", date);
    FUZZ_EXPECT(dayFile && dayFile->ageInDays == 0 && dayFile->upperBaseName == dateText, dateText);
}

// A list control whose answers come from the input: it may refuse to remove lines or
// report counts that have nothing to do with its lines.
class UnreliableList : public platform::LogList {
public:
    explicit UnreliableList(FuzzedDataProvider& input) : input_(input) {}
    int Count() override {
        if (!honest_ && input_.ConsumeBool()) return input_.ConsumeIntegral<int>();
        return static_cast<int>(lines.size());
    }
    bool Append(const std::string& line) override { return lines.push_back(line), true; }
    bool RemoveFirst() override {
        if (!honest_ && input_.ConsumeBool()) return input_.ConsumeBool();
        if (lines.empty()) return false;
        lines.erase(lines.begin());
        return true;
    }
    bool SelectLast() override { return true; }
    void BeHonest(bool honest) { honest_ = honest; }

    std::vector<std::string> lines;

private:
    FuzzedDataProvider& input_;
    bool honest_ = true;
};

class FixedClock : public platform::Clock {
public:
    platform::LocalDateTime Now() override { return {2026, 12, 5, 14, 3, 7}; }
    double SecondsSinceMidnight() override { return 50587.25; }
    std::string TimeSeparator() override { return ":"; }
};

class MemoryFiles : public platform::FileSystem {
public:
    bool MakeFolder(const std::string&) override { return true; }
    bool AppendToFile(const std::string& path, std::string_view bytes) override {
        contents[path].append(bytes);
        return true;
    }
    std::vector<std::string> ListFiles(const std::string&, const std::string&) override { return {}; }
    bool ClearAttributes(const std::string&) override { return true; }
    bool RemoveFile(const std::string&) override { return true; }
    std::map<std::string, std::string> contents;
};

void CheckSink(FuzzedDataProvider& input) {
    FixedClock clock;
    MemoryFiles files;
    const std::string appDirectory = "C:\\Plant\\";
    UnreliableList list(input);
    LogSink sink(clock, files, appDirectory);
    sink.AttachList(&list);
    std::string expectedDayFile;
    for (int call = 0; call < 600 && input.remaining_bytes() > 0; ++call) {
        const bool honest = input.ConsumeBool();
        list.BeHonest(honest);
        const std::string message = input.ConsumeBool() ? std::string(1, '-') : input.ConsumeRandomLengthString(32);
        const std::size_t listedBefore = list.lines.size();
        sink.WriteLog(message);  // returns even when the list lies about its lines
        const bool separator = !message.empty() && message[0] == '-';
        expectedDayFile += (separator ? message : "14:03:07.250\t" + message) + "\r\n";
        if (separator) FUZZ_EXPECT(list.lines.size() == listedBefore, message);
        // An honest list is trimmed back to the bound by the next line it receives.
        if (honest && !separator) FUZZ_EXPECT(list.lines.size() <= static_cast<std::size_t>(kMaxLogListLines), message);
    }
    // Every call reached today's file, and no other file, whatever the list did.
    FUZZ_EXPECT(files.contents.size() <= 1, "more than one day file");
    FUZZ_EXPECT(files.contents["C:\\Plant\\LogFiles\\2026-12-05.Log"] == expectedDayFile, "day file content");
}

}  // namespace
}  // namespace ostrilo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrilo::fuzz;
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        CheckSink(input);
        return 0;
    }
    const bool plausible = input.ConsumeBool();
    const ostrilo::platform::LocalDateTime now = DateTimeFrom(input, plausible);
    const double seconds = input.ConsumeBool() ? input.ConsumeFloatingPoint<double>()
                                               : input.ConsumeFloatingPointInRange(0.0, 86400.0);
    const std::string separator = input.ConsumeRandomLengthString(5);
    CheckTimeStamp(now, seconds, separator, plausible);
    const std::string stamp = ostrilo::TimeStampText(now, seconds, separator);
    CheckLines(now, stamp, input.ConsumeRemainingBytesAsString(), plausible);
    return 0;
}
