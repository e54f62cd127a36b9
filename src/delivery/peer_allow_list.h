#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/ipv4_address.h"

namespace ostrilo {

// Who may take the Halvex link: everyone until a list is given; then only peers within
// one of its ranges, and nobody when none of its entries was an address.
class PeerAllowList {
public:
    // A comma-separated list of addresses, each optionally with a /prefix. Empty or only
    // blanks: everyone may connect. Entries that are not addresses are kept apart, named
    // for the log, and admit nobody.
    static PeerAllowList Parse(std::string_view setting);
    static PeerAllowList AdmitNobody();

    bool IsRestricted() const { return restricted_; }
    bool Admits(std::uint32_t peer) const;

    const std::vector<AddressRange>& Ranges() const { return ranges_; }
    const std::vector<std::string>& BadEntries() const { return badEntries_; }

private:
    bool restricted_ = false;
    std::vector<AddressRange> ranges_;
    std::vector<std::string> badEntries_;
};

}  // namespace ostrilo
