#pragma once

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/log_list.h"

namespace ostrilo::logging_fakes {

inline platform::LocalDateTime At(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    return {year, month, day, hour, minute, second};
}

// Hands out scripted readings in order; the last one repeats.
class ScriptedClock : public platform::Clock {
public:
    std::vector<platform::LocalDateTime> now{At(2026, 12, 5, 14, 3, 7)};
    std::vector<double> seconds{50587.25};
    std::string separator = ":";

    platform::LocalDateTime Now() override { return Next(now, nowRead_); }
    double SecondsSinceMidnight() override { return Next(seconds, secondsRead_); }
    std::string TimeSeparator() override { return separator; }

private:
    template <typename T>
    static T Next(const std::vector<T>& readings, std::size_t& read) {
        return readings.at(std::min(read++, readings.size() - 1));
    }
    std::size_t nowRead_ = 0;
    std::size_t secondsRead_ = 0;
};

// Records every call as "verb path"; a path named in `failing` fails, one in `throwing` throws.
class RecordingFileSystem : public platform::FileSystem {
public:
    std::vector<std::string> calls;
    std::map<std::string, std::string> contents;
    std::vector<std::string> listing;
    std::string failing;
    std::string throwing;

    bool MakeFolder(const std::string& path) override { return Record("mkdir", path); }
    bool AppendToFile(const std::string& path, std::string_view bytes) override {
        if (!Record("append", path)) return false;
        contents[path].append(bytes);
        return true;
    }
    std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) override {
        Record("list", folder + pattern);
        return listing;
    }
    bool ClearAttributes(const std::string& path) override { return Record("clear", path); }
    bool RemoveFile(const std::string& path) override { return Record("remove", path); }

private:
    bool Record(const std::string& verb, const std::string& path) {
        calls.push_back(verb + " " + path);
        if (path == throwing) throw std::runtime_error("adapter broke its promise");
        return path != failing;
    }
};

class MemoryLogList : public platform::LogList {
public:
    std::vector<std::string> lines;
    int selected = -1;
    bool removeFails = false;
    bool removeKeepsLine = false;

    int Count() override { return static_cast<int>(lines.size()); }
    bool Append(const std::string& line) override {
        lines.push_back(line);
        return true;
    }
    bool RemoveFirst() override {
        if (!removeKeepsLine && !removeFails) lines.erase(lines.begin());
        return !removeFails;
    }
    bool SelectLast() override {
        selected = Count() - 1;
        return true;
    }
};

}  // namespace ostrilo::logging_fakes
