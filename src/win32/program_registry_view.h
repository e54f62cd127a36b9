#pragma once

#include <windows.h>

namespace ostrilo::win32 {

// The program's own registry values (the "Version 1" key, RunAsService) live in the
// 32-bit view in both builds: older installations were 32-bit programs and left their
// settings there, and the two builds must agree on whether the service is installed.
constexpr REGSAM kProgramRegistryView = KEY_WOW64_32KEY;

}  // namespace ostrilo::win32
