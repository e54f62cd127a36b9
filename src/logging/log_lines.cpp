#include "logging/log_lines.h"

#include <cmath>
#include <cstdio>

namespace ostrilo {
namespace {

// Windows allows up to three characters; anything else cannot come from a sane locale.
constexpr std::size_t kMaxSeparatorLength = 3;

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

// An empty or oversized separator would make the stamp unreadable or unbounded.
std::string_view UsableSeparator(std::string_view separator) {
    if (separator.empty() || separator.size() > kMaxSeparatorLength) {
        return ":";
    }
    return separator;
}

std::string MillisecondsOf(double secondsSinceMidnight) {
    if (!std::isfinite(secondsSinceMidnight)) {
        return "000";
    }
    char text[400];  // room for the widest double printed with three decimals
    const int length = std::snprintf(text, sizeof text, "%.3f", secondsSinceMidnight);
    if (length < 3 || static_cast<std::size_t>(length) >= sizeof text) {
        return "000";
    }
    return std::string(text + length - 3, 3);
}

}  // namespace

std::string DateText(const platform::LocalDateTime& date) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

bool IsSeparatorMessage(std::string_view message) {
    return !message.empty() && message.front() == '-';
}

std::string TimeStampText(const platform::LocalDateTime& now, double secondsSinceMidnight,
                          std::string_view separator) {
    const std::string usable(UsableSeparator(separator));
    return TwoDigits(now.hour) + usable + TwoDigits(now.minute) + usable + TwoDigits(now.second) + "." +
           MillisecondsOf(secondsSinceMidnight);
}

std::string FileLineFor(std::string_view timeStamp, std::string_view message) {
    std::string line;
    if (!IsSeparatorMessage(message)) {
        line.append(timeStamp).append("\t");
    }
    return line.append(message).append("\r\n");
}

std::string ListLineFor(const platform::LocalDateTime& date, std::string_view timeStamp, std::string_view message) {
    std::string line = DateText(date);
    return line.append(" ").append(timeStamp).append(" ").append(message);
}

}  // namespace ostrilo
