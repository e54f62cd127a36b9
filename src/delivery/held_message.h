#pragma once

#include <cstdint>
#include <string>

namespace ostrilo {

// A message Halvex could not take yet, with the time (UTC seconds) it first tried to.
struct HeldMessage {
    std::int64_t heldSince = 0;
    std::string text;
};

// What a delivery may do with a message that cannot be handed over at once.
enum class WhenUndeliverable {
    HoldIfEnabled,  // keep it for later when the hold is on, otherwise fail it
    Fail,           // fail it always: a late copy would mislead (e.g. a sign of life)
};

}  // namespace ostrilo
