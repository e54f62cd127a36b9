#pragma once

#include <string>
#include <string_view>

namespace ostrilo::sim {

// One escape syntax for the message queue, the text values of the control files and the
// journal, so a test can write and compare any byte: \r \n \t \\ \" and \xHH. Bytes 0x80
// and above are ANSI letters and pass unchanged in both directions.

// Escapes control bytes, backslash and double quote; everything else is copied.
std::string EscapeText(std::string_view raw);

// Undoes EscapeText. An escape it does not know (or \x without two hex digits) is taken
// literally, backslash included, so a stray backslash never swallows text.
std::string UnescapeText(std::string_view escaped);

}  // namespace ostrilo::sim

namespace ostrilo::sim {

// The escaped text in double quotes, as the journal writes every text argument.
std::string QuotedText(std::string_view raw);

}  // namespace ostrilo::sim
