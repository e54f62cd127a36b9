#pragma once

#include <string>

namespace ostrilo::win32 {

// Registers the service "Ostrilo" with the service control manager (own process,
// automatic start, not interactive, the executable's quoted path, restarted after a
// crash) and the executable as the message file of the event source "Ostrilo".
// All or nothing: a step that fails undoes the ones before it.
bool InstallService(const std::string& executablePath);

// Removes the service and its event source. Fails when there was no service to remove;
// a left-over event source is removed all the same.
bool UninstallService();

}  // namespace ostrilo::win32
