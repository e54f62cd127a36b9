#pragma once

#include <string>

namespace ostrilo::win32 {

// Texts travel through the program as ANSI bytes; only the screen wants UTF-16.
std::wstring WideFromAnsi(const std::string& text);

}  // namespace ostrilo::win32
