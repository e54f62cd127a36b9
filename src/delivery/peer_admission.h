#pragma once

#include <cstdint>
#include <unordered_map>

#include "delivery/peer_allow_list.h"
#include "logging/log_writer.h"
#include "platform/monotonic_clock.h"

namespace ostrilo {

// Decides whether a connecting peer may take the Halvex link. Refusals are logged with
// the peer's address, at most one line per address a minute, so a storm of attempts
// cannot flood the log; the next line says how many went unlogged in between.
class PeerAdmission {
public:
    static constexpr std::int64_t kRefusalLinePeriodMs = 60 * 1000;
    // Addresses remembered for that minute; beyond them refusals go unlogged.
    static constexpr std::size_t kTrackedPeers = 1024;

    PeerAdmission(PeerAllowList allowList, LogWriter& log, platform::MonotonicClock& clock);

    bool Admits(std::uint32_t peer);

private:
    struct Refusals {
        std::int64_t lastLineAt = 0;
        std::uint64_t unlogged = 0;
    };

    void NoteRefusal(std::uint32_t peer);
    bool HasRoomFor(std::int64_t now);

    const PeerAllowList allowList_;
    LogWriter& log_;
    platform::MonotonicClock& clock_;
    std::unordered_map<std::uint32_t, Refusals> refusals_;
};

}  // namespace ostrilo
