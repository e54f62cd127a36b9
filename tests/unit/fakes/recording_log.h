#pragma once

#include <string>
#include <vector>

#include "logging/log_writer.h"

namespace ostrilo::testing {

class RecordingLog : public LogWriter {
public:
    void WriteLog(const std::string& message) override { lines.push_back(message); }
    std::vector<std::string> lines;
};

}  // namespace ostrilo::testing
