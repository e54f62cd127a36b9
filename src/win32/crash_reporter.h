#pragma once

#include <string>

namespace ostrilo::win32 {

// Makes an unexpected end leave a trace for the plant engineer. After this call an
// unhandled exception or a call of std::terminate writes one line to the day's log file in
// `appDirectory` + "LogFiles" and a minidump Ostrilo-YYYY-MM-DD-HHMMSS.dmp beside it, then
// ends the process at once (exit code: the exception code, or 3 after std::terminate), so
// no error box can hold an unattended process and the service manager can restart it.
// Everything the report needs is prepared here, because at crash time the heap may be
// damaged. Call once, as soon as the folder is known; a later call only changes the folder.
// False when the folder is too long to hold; crashes then still end the process at once.
bool InstallCrashReporter(const std::string& appDirectory);

}  // namespace ostrilo::win32
