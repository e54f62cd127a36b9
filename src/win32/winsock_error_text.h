#pragma once

#include <string>

namespace ostrilo::win32 {

// The system's text for a Winsock (or other Windows) error number, without the
// trailing line break. Where the system has none (Wine has none for socket errors),
// a built-in text; failing that "Error " and the number. Never empty.
std::string DescribeWinsockError(int errorCode);

// The built-in text of a Winsock error number, or null when there is none.
const char* BuiltInWinsockErrorText(int errorCode);

}  // namespace ostrilo::win32
