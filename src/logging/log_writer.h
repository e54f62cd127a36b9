#pragma once

#include <string>

namespace ostrilo {

// The program's one log sink, as the rest of the program sees it. Never fails towards
// its caller.
class LogWriter {
public:
    virtual ~LogWriter() = default;
    virtual void WriteLog(const std::string& message) = 0;
};

}  // namespace ostrilo
