#pragma once

#include <cstdint>
#include <string>

namespace ostrilo::win32 {

// Writes one entry to the Application event log under the given source, with the text
// as the single insert of the message; Event Viewer formats it with the message table
// of the executable registered for that source.
bool ReportToEventLog(const std::string& source, std::uint16_t eventType, std::uint32_t eventId,
                      const std::string& text);

}  // namespace ostrilo::win32
