#include "delivery/peer_admission.h"

#include <iterator>
#include <string>
#include <utility>

namespace ostrilo {

PeerAdmission::PeerAdmission(PeerAllowList allowList, LogWriter& log, platform::MonotonicClock& clock)
    : allowList_(std::move(allowList)), log_(log), clock_(clock) {}

bool PeerAdmission::Admits(std::uint32_t peer) {
    if (allowList_.Admits(peer)) return true;
    NoteRefusal(peer);
    return false;
}

void PeerAdmission::NoteRefusal(std::uint32_t peer) {
    const std::int64_t now = clock_.Milliseconds();
    const auto known = refusals_.find(peer);
    if (known != refusals_.end() && now - known->second.lastLineAt < kRefusalLinePeriodMs) {
        ++known->second.unlogged;
        return;
    }
    const std::uint64_t unlogged = known != refusals_.end() ? known->second.unlogged : 0;
    if (known == refusals_.end() && !HasRoomFor(now)) return;
    refusals_[peer] = Refusals{now, 0};
    std::string line = "Refused a Halvex connection from " + FormatIPv4Address(peer) + " (not in HalvexAddresses)";
    if (unlogged > 0) line += ", " + std::to_string(unlogged) + " more refused since the last line";
    log_.WriteLog(line);
}

// Addresses whose minute is over are forgotten, with any count not yet logged: only a
// scan from more addresses than are tracked comes to this.
bool PeerAdmission::HasRoomFor(std::int64_t now) {
    if (refusals_.size() < kTrackedPeers) return true;
    for (auto entry = refusals_.begin(); entry != refusals_.end();) {
        entry = now - entry->second.lastLineAt >= kRefusalLinePeriodMs ? refusals_.erase(entry) : std::next(entry);
    }
    return refusals_.size() < kTrackedPeers;
}

}  // namespace ostrilo
