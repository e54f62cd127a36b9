#include "delivery/peer_allow_list.h"

#include <algorithm>

namespace ostrilo {
namespace {

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

}  // namespace

PeerAllowList PeerAllowList::Parse(std::string_view setting) {
    PeerAllowList list;
    list.restricted_ = !IsBlank(setting);
    if (!list.restricted_) return list;
    for (std::size_t start = 0; start <= setting.size();) {
        const std::size_t comma = std::min(setting.find(',', start), setting.size());
        const std::string_view entry = setting.substr(start, comma - start);
        start = comma + 1;
        // An empty place between commas, or a trailing comma, names nothing.
        if (IsBlank(entry)) continue;
        if (const auto range = ParseAddressRange(entry)) {
            list.ranges_.push_back(*range);
        } else {
            list.badEntries_.emplace_back(entry);
        }
    }
    return list;
}

bool PeerAllowList::Admits(std::uint32_t peer) const {
    if (!restricted_) return true;
    return std::any_of(ranges_.begin(), ranges_.end(), [peer](const AddressRange& range) { return range.Contains(peer); });
}

}  // namespace ostrilo
