#pragma once

#include <string>

namespace ostrilo::win32 {

// Takes the current folder out of the library search, so nobody can plant an Ostrilo.dll
// or Halvex2.dll in whatever folder the program is started from; the program's folder, the
// system folders and PATH still serve. `appDirectory` is the program's folder, ending in a
// backslash. False when the search could not be changed.
bool KeepStartFolderOutOfLibrarySearch(const std::string& appDirectory);

}  // namespace ostrilo::win32
