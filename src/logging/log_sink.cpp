#include "logging/log_sink.h"

#include <utility>

#include "error_policy/skip_on_failure.h"
#include "logging/log_lines.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/log_list.h"

namespace ostrilo {

std::string FormatTimeOfDay(platform::Clock& clock) {
    const double seconds = clock.SecondsSinceMidnight();
    const platform::LocalDateTime now = clock.Now();
    return TimeStampText(now, seconds, clock.TimeSeparator());
}

LogSink::LogSink(platform::Clock& clock, platform::FileSystem& files, std::string appDirectory)
    : clock_(clock), files_(files), appDirectory_(std::move(appDirectory)) {}

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

        const bool separator = IsSeparatorMessage(message);
        SkipOnFailure([&] {
            // A separator carries no stamp, so it costs no reading of the clock.
            const std::string stamp = separator ? std::string() : FormatTimeOfDay(clock_);
            files_.AppendToFile(folder + "\\" + DateText(today) + ".Log", FileLineFor(stamp, message));
        });
        if (separator) {
            return;
        }
        SkipOnFailure([&] { AddListLine(ListLineFor(today, FormatTimeOfDay(clock_), message)); });
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
