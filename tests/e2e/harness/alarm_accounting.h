#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "harness/ostrilo_run.h"

namespace ostrilo::e2e {

// Appends alarms to the bridge simulator's queue (Ostrilo.messages) in one write, each
// escaped onto one line, so any byte (line breaks included) reaches the program.
void QueueAlarms(OstriloRun& run, const std::vector<std::string>& alarms);

// `count` distinct alarms "<stem> <number>" from number `first` on, each padded with 'x'
// to `padTo` bytes.
std::vector<std::string> NumberedAlarms(const std::string& stem, std::size_t first, std::size_t count,
                                        std::size_t padTo = 0);

// The alarms the bridge simulator handed over, in order, as its journal records them
// (raw: line breaks still in).
std::vector<std::string> HandedOverAlarms(const OstriloRun& run);

// An alarm as the program relays it: every carriage return and line feed removed.
std::string WithoutLineBreaks(std::string alarm);

// Where every alarm handed over went, counted from the log.
struct AlarmAccount {
    std::size_t handedOver = 0;
    std::size_t sent = 0;            // "Sent Message to Halvex: "
    std::size_t sendFailed = 0;      // "Failed to send Message to Halvex: "
    std::size_t queuedWith2 = 0;     // "Queued Message to Halvex using Halvex2.DLL: "
    std::size_t queuedWith3 = 0;     // "Queued Message to Halvex using Halvex3.DLL: "
    std::size_t notQueued = 0;       // "Failed to queued Message to Halvex (not running?): "
};

// Succeeds when every one of `expectedAlarms` (as queued) was handed over by the bridge
// simulator exactly once and in order, and each has exactly one outcome in the log, in the
// same order:
//   socket delivery:  one "Sent" or one "Failed to send" line;
//   library delivery: one or two queue lines (Halvex2 before Halvex3, adjacent), or one
//                     "Failed to queued" line, never a queue line and a failure line.
// Every queue line must be matched, in order, by one SetCommandEntry "TA:<alarm>||24" in
// that library's journal. No other delivery outcome may appear in the log, so runs that
// use it configure no lifecycle notifications; the alarms should be distinct texts. An
// account taken while the last alarm is being queued may not show its Halvex3 line yet, so
// wait for the counts you expect. `account` receives the counts.
testing::AssertionResult AccountFor(const OstriloRun& run, const std::vector<std::string>& expectedAlarms,
                                    AlarmAccount* account = nullptr);

// Waits until AccountFor succeeds; on time-out returns its last failure.
testing::AssertionResult WaitForAccounting(OstriloRun& run, const std::vector<std::string>& expectedAlarms,
                                           std::chrono::milliseconds timeout, AlarmAccount* account = nullptr);

}  // namespace ostrilo::e2e
