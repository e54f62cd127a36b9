#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "delivery/held_message.h"
#include "logging/log_writer.h"
#include "logging/operator_alerts.h"
#include "platform/durable_files.h"
#include "platform/monotonic_clock.h"

namespace ostrilo {

// Keeps the held messages in a file of the program folder, so that they outlive a
// restart, a crash or a power cut. Changes are collected and reach the disk together
// at Flush. A file that cannot be brought up to date is removed or set aside, so that a
// later start never reads back what Halvex got since; the hold goes on in memory and the
// write is tried again every kRetryPeriodMs.
class HoldSpool {
public:
    static constexpr std::int64_t kRetryPeriodMs = 10 * 1000;
    static constexpr char kRelativePath[] = "Spool\\HeldMessages.dat";
    // Larger than any file this program writes (the hold's text limit, twice, plus slack).
    static constexpr std::size_t kLongestFile = 64 * 1024 * 1024;
    // How far the file may outgrow its live records before it is written afresh.
    static constexpr std::size_t kCompactionSlack = 1024 * 1024;

    HoldSpool(platform::DurableFiles& files, LogWriter& log, platform::MonotonicClock& clock, OperatorAlerts& alerts);

    // Reads back what an earlier run held; afterwards the file holds exactly that.
    std::deque<HeldMessage> Open(const std::string& appDirectory, std::int64_t now);

    void NoteHeld(const HeldMessage& message);
    void NoteTaken();
    void NoteReordered();
    // Brings the file up to date with `held`, the hold's whole content.
    void Flush(const std::deque<HeldMessage>& held);

private:
    std::deque<HeldMessage> ReadBack(std::int64_t now);
    // The file's name for a copy kept aside, never read again.
    std::string AsideName(std::int64_t now, const char* why) const;
    bool Rewrite(const std::deque<HeldMessage>& held);
    void RetryWhenDue(const std::deque<HeldMessage>& held);
    void WriteNoteOfTaken();
    // The two changes of state a watcher would report.
    void OnUnwritable();
    void OnWritableAgain();
    // Empty when nothing stale is left to read back, else what became of the file.
    std::string RemoveStaleFile();

    platform::DurableFiles& files_;
    LogWriter& log_;
    platform::MonotonicClock& clock_;
    OperatorAlerts& alerts_;
    std::string path_;
    bool usable_ = false;
    // Off when a file we could neither read nor set aside must not be overwritten.
    bool mayRetry_ = false;
    std::int64_t lastTryMs_ = 0;
    bool reordered_ = false;
    std::string unflushed_;
    std::uint64_t unflushedTaken_ = 0;
    std::size_t fileBytes_ = 0;
};

}  // namespace ostrilo
