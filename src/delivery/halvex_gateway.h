#pragma once

#include <string>

#include "delivery/held_message.h"

namespace ostrilo {

// What the rest of the program needs of the alarm server: hand over one message
// and ask whether the server can be reached at all.
class HalvexGateway {
public:
    virtual ~HalvexGateway() = default;
    // True when the message was handed over (written to the link or queued with a library).
    virtual bool SendToHalvex(const std::string& message, WhenUndeliverable whenUndeliverable) = 0;
    bool SendToHalvex(const std::string& message) {
        return SendToHalvex(message, WhenUndeliverable::HoldIfEnabled);
    }
    virtual bool IsHalvexRunning() = 0;
};

}  // namespace ostrilo
