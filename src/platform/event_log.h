#pragma once

#include <cstdint>
#include <string>

namespace ostrilo::platform {

// The levels of the Windows event log, with the entry-type values Windows gives them.
enum class EventLevel : std::uint16_t { Error = 1, Warning = 2, Information = 4 };

// The Application event log, where the monitoring of a plant PC looks for what needs a person.
class EventLog {
public:
    virtual ~EventLog() = default;
    // Best effort: an entry that cannot be written is not the program's business to retry.
    virtual void Write(EventLevel level, std::uint32_t eventId, const std::string& text) = 0;
};

}  // namespace ostrilo::platform
