#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace ostrilo {

// "YYYY-MM-DD", year first whatever the user's date format: names the day file and
// dates the list line.
std::string DateText(const platform::LocalDateTime& date);

// A message that begins with a hyphen marks a section of the log file and never shows
// in the list.
bool IsSeparatorMessage(std::string_view message);

// "HH" sep "NN" sep "SS" "." "mmm": the milliseconds are the last three digits of
// `secondsSinceMidnight` written with three decimals, so a rounding that carries into the
// next second reads "000". An empty or oversized separator becomes ":".
std::string TimeStampText(const platform::LocalDateTime& now, double secondsSinceMidnight,
                          std::string_view separator);

// The line the day file receives, line end included: a separator message alone, any
// other message after its time stamp and a tab.
std::string FileLineFor(std::string_view timeStamp, std::string_view message);

// The list's line: date, time stamp and message, each after a space but the first.
std::string ListLineFor(const platform::LocalDateTime& date, std::string_view timeStamp, std::string_view message);

}  // namespace ostrilo
