#pragma once

#include <functional>
#include <string>
#include <vector>

#include "delivery/halvex_gateway.h"

namespace ostrilo::testing {

// Takes every message offered to Halvex; `running` answers the presence probe.
class FakeHalvexGateway : public HalvexGateway {
public:
    using HalvexGateway::SendToHalvex;
    bool SendToHalvex(const std::string& message, WhenUndeliverable) override {
        sent.push_back(message);
        if (duringSend) duringSend();
        return true;
    }
    bool IsHalvexRunning() override { return running; }

    bool running = false;
    std::vector<std::string> sent;
    std::function<void()> duringSend;  // runs inside the delivery, e.g. a nested tick
};

}  // namespace ostrilo::testing
