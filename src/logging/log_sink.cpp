#include "logging/log_sink.h"

#include <cmath>
#include <cstdio>

#include "logging/skip_on_failure.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/log_list.h"

namespace ostrilo {
namespace {

// Windows allows up to three characters; anything else cannot come from a sane locale.
constexpr std::size_t kMaxSeparatorLength = 3;

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string DateText(const platform::LocalDateTime& date) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

// An empty or oversized separator would make the stamp unreadable or unbounded.
std::string UsableSeparator(std::string separator) {
    if (separator.empty() || separator.size() > kMaxSeparatorLength) {
        return ":";
    }
    return separator;
}

// The last three characters of the counter written with three decimals: rounding that
// carries into the next second therefore reads "000".
std::string MillisecondsOf(double secondsSinceMidnight) {
    if (!std::isfinite(secondsSinceMidnight)) {
        return "000";
    }
    char text[400];  // room for the widest double printed with three decimals
    const int length = std::snprintf(text, sizeof text, "%.3f", secondsSinceMidnight);
    if (length < 3 || static_cast<std::size_t>(length) >= sizeof text) {
        return "000";
    }
    return std::string(text + length - 3, 3);
}

bool IsSeparatorLine(const std::string& message) {
    return !message.empty() && message.front() == '-';
}

}  // namespace

std::string FormatTimeOfDay(platform::Clock& clock) {
    const double seconds = clock.SecondsSinceMidnight();
    const platform::LocalDateTime now = clock.Now();
    const std::string separator = UsableSeparator(clock.TimeSeparator());
    return TwoDigits(now.hour) + separator + TwoDigits(now.minute) + separator +
           TwoDigits(now.second) + "." + MillisecondsOf(seconds);
}

LogSink::LogSink(platform::Clock& clock, platform::FileSystem& files, const std::string& appDirectory)
    : clock_(clock), files_(files), appDirectory_(appDirectory) {}

void LogSink::AttachList(platform::LogList* list) {
    list_ = list;
}

void LogSink::WriteLog(const std::string& message) {
    SkipOnFailure([&] {
        // One reading names the file and dates the list line, even if the stamps that
        // follow fall after midnight.
        const platform::LocalDateTime today = clock_.Now();
        const std::string folder = appDirectory_ + "LogFiles";
        SkipOnFailure([&] { files_.MakeFolder(folder); });

        const bool separator = IsSeparatorLine(message);
        SkipOnFailure([&] {
            std::string line = separator ? message : FormatTimeOfDay(clock_) + "\t" + message;
            line += "\r\n";
            files_.AppendToFile(folder + "\\" + DateText(today) + ".Log", line);
        });
        if (separator) {
            return;
        }
        SkipOnFailure([&] { AddListLine(DateText(today) + " " + FormatTimeOfDay(clock_) + " " + message); });
    });
}

void LogSink::AddListLine(const std::string& line) {
    if (list_ == nullptr) {
        return;
    }
    list_->Append(line);
    int count = list_->Count();
    while (count > kMaxLogListLines) {
        // A list that refuses to shrink must not hold the window's thread for ever.
        if (!list_->RemoveFirst()) {
            break;
        }
        const int remaining = list_->Count();
        if (remaining >= count) {
            break;
        }
        count = remaining;
    }
    list_->SelectLast();
}

}  // namespace ostrilo
