#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "logging/log_writer.h"
#include "logging/operator_alerts.h"
#include "platform/monotonic_clock.h"
#include "platform/tcp.h"

namespace ostrilo {

// The listening socket Halvex connects to. A port that another program still holds, or a
// listen address whose network card has none yet, is a passing fault: the listen is tried
// again every kRetryPeriodMs until it works. The failure is logged once, the success each time.
class HalvexListening {
public:
    static constexpr std::int64_t kRetryPeriodMs = 10 * 1000;

    HalvexListening(platform::TcpListener& listener, LogWriter& log, platform::MonotonicClock& clock,
                    OperatorAlerts& alerts);
    HalvexListening(const HalvexListening&) = delete;
    HalvexListening& operator=(const HalvexListening&) = delete;

    // `address`, host order, is the PC's own address or platform::kAnyAddress; empty when
    // the setting names none, `addressRefusal` saying why. A port or address that the settings
    // get wrong is refused for good: trying again could not mend it.
    void Start(int port, const std::optional<std::uint32_t>& address, const std::string& addressRefusal);
    // From the timer: tries again when a failed listen is due for it.
    void RetryWhenDue();

private:
    void TryListen();
    // The two changes of state, each in the log and the event log.
    void OnListenFailed(int port, const std::string& reason);
    void OnListening(int port);

    platform::TcpListener& listener_;
    LogWriter& log_;
    platform::MonotonicClock& clock_;
    OperatorAlerts& alerts_;
    int port_ = 0;
    std::uint32_t address_ = platform::kAnyAddress;
    bool retrying_ = false;
    bool failureLogged_ = false;
    std::int64_t lastTryMs_ = 0;
};

}  // namespace ostrilo
