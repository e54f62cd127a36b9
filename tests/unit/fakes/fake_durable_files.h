#pragma once

#include <map>
#include <string>

#include "platform/durable_files.h"
#include "platform/wall_clock.h"

namespace ostrilo::testing {

// A folder in memory; `writable` false stands for a read-only program folder.
class FakeDurableFiles : public platform::DurableFiles {
public:
    bool MakeFolder(const std::string&) override { return writable; }
    std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t maxBytes) override {
        const auto found = files.find(path);
        if (found == files.end()) return std::nullopt;
        return found->second.substr(0, maxBytes + 1);
    }
    bool AppendAndFlush(const std::string& path, std::string_view bytes) override {
        return writable && (files[path] += bytes, true);
    }
    bool ReplaceWholeFile(const std::string& path, std::string_view bytes) override {
        return writable && (files[path] = bytes, true);
    }
    bool RenameFile(const std::string& from, const std::string& to) override {
        return writable && files.count(from) && (files[to] = files[from], files.erase(from), true);
    }

    bool writable = true;
    std::map<std::string, std::string> files;
};

class FakeWallClock : public platform::WallClock {
public:
    std::int64_t SecondsSinceEpoch() override { return now; }
    std::int64_t now = 1'800'000'000;
};

}  // namespace ostrilo::testing
