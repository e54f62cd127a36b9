#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "delivery/held_message.h"
#include "logging/log_writer.h"
#include "logging/operator_alerts.h"
#include "platform/durable_files.h"

namespace ostrilo {

// Keeps the held messages in a file of the program folder, so that they outlive a
// restart, a crash or a power cut. Changes are collected and reach the disk together
// at Flush; a folder that cannot be written leaves the hold in memory only.
class HoldSpool {
public:
    static constexpr char kRelativePath[] = "Spool\\HeldMessages.dat";
    // Larger than any file this program writes (the hold's text limit, twice, plus slack).
    static constexpr std::size_t kLongestFile = 64 * 1024 * 1024;
    // How far the file may outgrow its live records before it is written afresh.
    static constexpr std::size_t kCompactionSlack = 1024 * 1024;

    HoldSpool(platform::DurableFiles& files, LogWriter& log, OperatorAlerts& alerts);

    // Reads back what an earlier run held; afterwards the file holds exactly that.
    std::deque<HeldMessage> Open(const std::string& appDirectory, std::int64_t now);

    void NoteHeld(const HeldMessage& message);
    void NoteTaken();
    void NoteReordered();
    // Brings the file up to date with `held`, the hold's whole content.
    void Flush(const std::deque<HeldMessage>& held);

private:
    std::deque<HeldMessage> ReadBack(std::int64_t now);
    bool Rewrite(const std::deque<HeldMessage>& held);
    void WriteNoteOfTaken();
    void FallBackToMemory();

    platform::DurableFiles& files_;
    LogWriter& log_;
    OperatorAlerts& alerts_;
    std::string path_;
    bool usable_ = false;
    bool reordered_ = false;
    std::string unflushed_;
    std::uint64_t unflushedTaken_ = 0;
    std::size_t fileBytes_ = 0;
};

}  // namespace ostrilo
