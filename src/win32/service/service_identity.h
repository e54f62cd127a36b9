#pragma once

namespace ostrilo::win32 {

// The one Windows service this program registers and runs as; also its event source.
constexpr char kServiceName[] = "Ostrilo";
constexpr char kServiceDisplayName[] = "Ostrilo";
// Shown in the Services console; the installer package reads it from here.
constexpr char kServiceDescription[] = "Relays WinCC alarm messages to the Halvex alarm server";

// The event-source registration Event Viewer reads to find the message texts.
constexpr char kEventSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Ostrilo";

}  // namespace ostrilo::win32
