#pragma once

#include <string>

namespace ostrilo::platform {

// The on-screen log list of the main window, oldest line first.
class LogList {
public:
    virtual ~LogList() = default;
    virtual int Count() = 0;
    virtual bool Append(const std::string& line) = 0;
    virtual bool RemoveFirst() = 0;
    virtual bool SelectLast() = 0;
};

}  // namespace ostrilo::platform
