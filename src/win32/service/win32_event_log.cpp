#include "win32/service/win32_event_log.h"

#include "win32/scoped_handles.h"
#include "win32/service/service_identity.h"

namespace ostrilo::win32 {

bool ReportToEventLog(const std::string& source, std::uint16_t eventType, std::uint32_t eventId,
                      const std::string& text) {
    const ScopedEventSource eventSource(::RegisterEventSourceA(nullptr, source.c_str()));
    if (!eventSource.IsValid()) return false;
    const char* inserts[] = {text.c_str()};
    return ::ReportEventA(eventSource.Get(), eventType, 0, eventId, nullptr, 1, 0, inserts, nullptr) != FALSE;
}

void Win32EventLog::Write(platform::EventLevel level, std::uint32_t eventId, const std::string& text) {
    ReportToEventLog(kServiceName, static_cast<std::uint16_t>(level), eventId, text);
}

}  // namespace ostrilo::win32
