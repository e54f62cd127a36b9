#pragma once

#include <string>

#include "logging/log_writer.h"

namespace ostrilo {

namespace platform {
class Clock;
class FileSystem;
class LogList;
}  // namespace platform

// The list keeps the newest lines only, so a long run cannot grow the window's memory.
constexpr int kMaxLogListLines = 200;

// The time of day to the millisecond, "HH:NN:SS.mmm" with the user's time separator.
// The milliseconds come from the seconds-since-midnight counter, the rest from a second,
// separate reading of the clock.
std::string FormatTimeOfDay(platform::Clock& clock);

// Writes every message to the day's file in AppDirectory + "LogFiles" and to the on-screen
// list. Holds nothing open between calls, so other programs and the retention may touch
// the files at any time. Nothing it meets (missing folder, locked file, failing list)
// reaches its caller.
class LogSink : public LogWriter {
public:
    LogSink(platform::Clock& clock, platform::FileSystem& files, std::string appDirectory);

    // The list exists only once the main window does; until then lines go to the file alone.
    void AttachList(platform::LogList* list);

    void WriteLog(const std::string& message) override;

private:
    void AddListLine(const std::string& line);

    platform::Clock& clock_;
    platform::FileSystem& files_;
    const std::string appDirectory_;
    platform::LogList* list_ = nullptr;
};

}  // namespace ostrilo
