#include "delivery/peer_allow_list.h"

#include <algorithm>

namespace ostrilo {
namespace {

constexpr char kBlanks[] = " \t";

// The text without the blanks around it; empty when it holds nothing else.
std::string_view WithoutBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

PeerAllowList PeerAllowList::Parse(std::string_view setting) {
    PeerAllowList list;
    list.restricted_ = !WithoutBlanks(setting).empty();
    if (!list.restricted_) return list;
    for (std::size_t start = 0; start <= setting.size();) {
        const std::size_t comma = std::min(setting.find(',', start), setting.size());
        const std::string_view entry = WithoutBlanks(setting.substr(start, comma - start));
        start = comma + 1;
        // An empty place between commas, or a trailing comma, names nothing.
        if (entry.empty()) continue;
        if (const auto range = ParseAddressRange(entry)) {
            list.ranges_.push_back(*range);
        } else {
            list.badEntries_.emplace_back(entry);
        }
    }
    return list;
}

PeerAllowList PeerAllowList::AdmitNobody() {
    PeerAllowList list;
    list.restricted_ = true;
    return list;
}

bool PeerAllowList::Admits(std::uint32_t peer) const {
    if (!restricted_) return true;
    return std::any_of(ranges_.begin(), ranges_.end(), [peer](const AddressRange& range) { return range.Contains(peer); });
}

}  // namespace ostrilo
