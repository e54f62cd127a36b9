#pragma once

#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/log_list.h"

namespace ostrilo::logging_fakes {

inline platform::LocalDateTime At(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    platform::LocalDateTime time;
    time.year = year;
    time.month = month;
    time.day = day;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    return time;
}

// Hands out scripted readings in order; the last one repeats.
class ScriptedClock : public platform::Clock {
public:
    std::deque<platform::LocalDateTime> nowReadings{At(2026, 12, 5, 14, 3, 7)};
    std::deque<double> secondsReadings{50587.25};
    std::string separator = ":";

    platform::LocalDateTime Now() override { return Next(nowReadings); }
    double SecondsSinceMidnight() override { return Next(secondsReadings); }
    std::string TimeSeparator() override { return separator; }

private:
    template <typename T>
    static T Next(std::deque<T>& readings) {
        const T reading = readings.front();
        if (readings.size() > 1) readings.pop_front();
        return reading;
    }
};

// Records every call; each operation can be told to fail or to throw.
class RecordingFileSystem : public platform::FileSystem {
public:
    std::vector<std::string> calls;  // "verb path", in call order
    std::map<std::string, std::string> contents;
    std::vector<std::string> listing;
    std::string listedFolder;
    std::string listedPattern;
    bool makeFolderFails = false;
    bool appendFails = false;
    bool appendThrows = false;
    std::string clearThrowsFor;
    std::string removeFailsFor;

    bool MakeFolder(const std::string& path) override {
        calls.push_back("mkdir " + path);
        return !makeFolderFails;
    }
    bool AppendToFile(const std::string& path, std::string_view bytes) override {
        calls.push_back("append " + path);
        if (appendThrows) throw std::runtime_error("disk gone");
        if (appendFails) return false;
        contents[path].append(bytes);
        return true;
    }
    std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) override {
        listedFolder = folder;
        listedPattern = pattern;
        return listing;
    }
    bool ClearAttributes(const std::string& path) override {
        calls.push_back("clear " + path);
        if (path == clearThrowsFor) throw std::runtime_error("access denied");
        return true;
    }
    bool RemoveFile(const std::string& path) override {
        calls.push_back("remove " + path);
        return path != removeFailsFor;
    }
};

class MemoryLogList : public platform::LogList {
public:
    std::vector<std::string> lines;
    int selected = -1;
    bool removeFails = false;
    bool removeDoesNothing = false;

    int Count() override { return static_cast<int>(lines.size()); }
    bool Append(const std::string& line) override {
        lines.push_back(line);
        return true;
    }
    bool RemoveFirst() override {
        if (removeFails) return false;
        if (!removeDoesNothing) lines.erase(lines.begin());
        return true;
    }
    bool SelectLast() override {
        selected = Count() - 1;
        return true;
    }
};

}  // namespace ostrilo::logging_fakes
