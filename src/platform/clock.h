#pragma once

#include <string>

namespace ostrilo::platform {

struct LocalDateTime {
    int year = 0;
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local wall clock. Two separate readings are deliberate: the log time stamp
// takes its milliseconds from one and the rest from the other.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() = 0;
    // Seconds elapsed since local midnight, with their fraction.
    virtual double SecondsSinceMidnight() = 0;
    // The user's time separator (":" in the usual settings).
    virtual std::string TimeSeparator() = 0;
};

}  // namespace ostrilo::platform
