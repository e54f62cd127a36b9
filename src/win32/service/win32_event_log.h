#pragma once

#include <cstdint>
#include <string>

#include "platform/event_log.h"

namespace ostrilo::win32 {

// Writes one entry to the Application event log under the given source, with the text
// as the single insert of the message; Event Viewer formats it with the message table
// of the executable registered for that source.
bool ReportToEventLog(const std::string& source, std::uint16_t eventType, std::uint32_t eventId,
                      const std::string& text);

// The entries an operator must act on, under the service's event source; written in
// either mode, since a PC that runs Ostrilo by hand is watched the same way.
class Win32EventLog : public platform::EventLog {
public:
    void Write(platform::EventLevel level, std::uint32_t eventId, const std::string& text) override;
};

}  // namespace ostrilo::win32
