#pragma once

#include <string>

namespace ostrilo::win32 {

// Full path of the running executable, in the ANSI code page; empty when it cannot be read.
std::string ExecutablePath();

}  // namespace ostrilo::win32
