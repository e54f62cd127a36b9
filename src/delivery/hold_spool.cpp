#include "delivery/hold_spool.h"

#include "delivery/hold_spool_format.h"

namespace ostrilo {
namespace {

constexpr char kFolderName[] = "Spool";

std::size_t LiveBytes(const std::deque<HeldMessage>& held) {
    std::size_t bytes = sizeof kSpoolHeader - 1;
    for (const HeldMessage& message : held) bytes += HeldRecordSize(message);
    return bytes;
}

}  // namespace

HoldSpool::HoldSpool(platform::DurableFiles& files, LogWriter& log, platform::MonotonicClock& clock,
                     OperatorAlerts& alerts)
    : files_(files), log_(log), clock_(clock), alerts_(alerts) {}

std::deque<HeldMessage> HoldSpool::Open(const std::string& appDirectory, std::int64_t now) {
    path_ = appDirectory + kRelativePath;
    files_.MakeFolder(appDirectory + kFolderName);  // usually there already
    mayRetry_ = true;
    std::deque<HeldMessage> held = ReadBack(now);
    // Written afresh at once: this drops what was damaged and shows whether the folder takes writes.
    usable_ = mayRetry_ && Rewrite(held);
    if (!usable_ && mayRetry_) OnUnwritable();
    return held;
}

std::deque<HeldMessage> HoldSpool::ReadBack(std::int64_t now) {
    const auto bytes = files_.ReadFileUpTo(path_, kLongestFile);
    if (!bytes) {
        if (!files_.Exists(path_)) return {};
        // Overwriting it would lose what it holds; it is kept for whoever can read it.
        const std::string aside = AsideName(now, "damaged");
        mayRetry_ = files_.RenameFile(path_, aside);
        log_.WriteLog(std::string(kRelativePath) + " cannot be read; " +
                      (mayRetry_ ? "renamed it to " + aside + " and started with an empty hold"
                                 : "could not rename it either, so held messages are kept in memory only and are "
                                   "lost if Ostrilo stops"));
        return {};
    }
    SpoolReading reading;
    if (bytes->size() <= kLongestFile) reading = ReadSpool(*bytes);
    else reading.shape = SpoolReading::Shape::NotASpool;

    if (reading.shape == SpoolReading::Shape::NotASpool) {
        // Kept for whoever wants to look at it, but never read again.
        const std::string aside = AsideName(now, "damaged");
        log_.WriteLog(std::string(kRelativePath) + " is not a file of held messages; " +
                      (files_.RenameFile(path_, aside) ? "renamed it to " + aside : "could not rename it") +
                      " and started with an empty hold");
        return {};
    }
    if (reading.shape == SpoolReading::Shape::DamagedTail) {
        log_.WriteLog(std::string("Dropped a damaged record at the end of ") + kRelativePath +
                      " (a write cut short?); the records before it are kept");
    }
    if (reading.shape == SpoolReading::Shape::DamagedMiddle) {
        // The records after the damage cannot be placed in the hold's order; the file keeps them.
        const std::string aside = AsideName(now, "damaged");
        log_.WriteLog(std::string("Found a damaged record in the middle of ") + kRelativePath +
                      "; the records before it are kept, " +
                      (files_.RenameFile(path_, aside) ? "the file with those after it is renamed to " + aside
                                                       : "those after it are lost: could not rename the file"));
    }
    if (!reading.messages.empty()) {
        log_.WriteLog("Read " + std::to_string(reading.messages.size()) + " held messages back from " +
                      kRelativePath);
    }
    return std::move(reading.messages);
}

std::string HoldSpool::AsideName(std::int64_t now, const char* why) const {
    return path_ + "." + std::to_string(now) + "." + why;
}

void HoldSpool::NoteHeld(const HeldMessage& message) {
    if (!usable_) return;
    WriteNoteOfTaken();
    unflushed_ += HeldRecord(message);
}

void HoldSpool::NoteTaken() {
    if (usable_) ++unflushedTaken_;
}

void HoldSpool::NoteReordered() { reordered_ = usable_; }

void HoldSpool::Flush(const std::deque<HeldMessage>& held) {
    WriteNoteOfTaken();
    if (!usable_) {
        RetryWhenDue(held);
        return;
    }
    if (unflushed_.empty() && !reordered_) return;
    // An append cannot put messages in front, and an empty hold leaves nothing worth keeping.
    const bool rewrite = reordered_ || held.empty() ||
                         fileBytes_ + unflushed_.size() > 2 * LiveBytes(held) + kCompactionSlack;
    bool written = false;
    if (rewrite) {
        written = Rewrite(held);
    } else if (files_.AppendAndFlush(path_, unflushed_)) {
        fileBytes_ += unflushed_.size();
        written = true;
    }
    unflushed_.clear();
    reordered_ = false;
    if (!written) OnUnwritable();
}

void HoldSpool::RetryWhenDue(const std::deque<HeldMessage>& held) {
    if (!mayRetry_ || clock_.Milliseconds() - lastTryMs_ < kRetryPeriodMs) return;
    lastTryMs_ = clock_.Milliseconds();
    if (Rewrite(held)) OnWritableAgain();
}

bool HoldSpool::Rewrite(const std::deque<HeldMessage>& held) {
    std::string content = kSpoolHeader;
    for (const HeldMessage& message : held) content += HeldRecord(message);
    if (!files_.ReplaceWholeFile(path_, content)) return false;
    fileBytes_ = content.size();
    unflushed_.clear();
    unflushedTaken_ = 0;
    reordered_ = false;
    return true;
}

void HoldSpool::WriteNoteOfTaken() {
    // Messages leave in runs; one record says how many.
    if (unflushedTaken_ == 0) return;
    unflushed_ += TakenRecord(unflushedTaken_);
    unflushedTaken_ = 0;
}

void HoldSpool::OnUnwritable() {
    usable_ = false;
    unflushed_.clear();
    unflushedTaken_ = 0;
    reordered_ = false;
    lastTryMs_ = clock_.Milliseconds();
    log_.WriteLog(std::string("Cannot write ") + kRelativePath +
                  ": held messages are kept in memory only and are lost if Ostrilo stops" + RemoveStaleFile());
    alerts_.SpoolNotWritable();
}

void HoldSpool::OnWritableAgain() {
    usable_ = true;
    log_.WriteLog(std::string(kRelativePath) + " can be written again: held messages are kept in it again");
}

std::string HoldSpool::RemoveStaleFile() {
    // Read back at the next start, a file behind the hold would resend what Halvex got since.
    if (!files_.Exists(path_)) return "";
    if (files_.RemoveFile(path_)) return " (removed the outdated file; it is written again once it can be)";
    const std::string aside = path_ + ".stale";
    if (files_.RenameFile(path_, aside)) {
        return " (renamed the outdated file to " + aside + "; it is written again once it can be)";
    }
    return " (could not remove the outdated file either: a start before it can be written again may resend what "
           "Halvex already got)";
}

}  // namespace ostrilo
