#include "delivery/halvex_listening.h"

namespace ostrilo {
namespace {

constexpr int kInvalidArgumentError = 10022;  // WSAEINVAL: a port outside 1..65535
constexpr int kHighestPort = 65535;

}  // namespace

HalvexListening::HalvexListening(platform::TcpListener& listener, LogWriter& log, platform::MonotonicClock& clock,
                                 OperatorAlerts& alerts)
    : listener_(listener), log_(log), clock_(clock), alerts_(alerts) {}

// Halvex could never find port 0: the system would pick a port at random.
void HalvexListening::Start(int port, const std::optional<std::uint32_t>& address, const std::string& addressRefusal) {
    if (port <= 0 || port > kHighestPort) {
        OnListenFailed(port, listener_.DescribeError(kInvalidArgumentError));
    } else if (!address) {
        OnListenFailed(port, addressRefusal);
    } else {
        port_ = port;
        address_ = *address;
        TryListen();
    }
}

void HalvexListening::RetryWhenDue() {
    if (retrying_ && clock_.Milliseconds() - lastTryMs_ >= kRetryPeriodMs) TryListen();
}

void HalvexListening::TryListen() {
    lastTryMs_ = clock_.Milliseconds();
    const platform::ListenResult result = listener_.Listen(port_, address_);
    retrying_ = result.errorCode != 0;
    if (retrying_) {
        OnListenFailed(result.localPort, listener_.DescribeError(result.errorCode));
    } else {
        OnListening(result.localPort);
    }
}

void HalvexListening::OnListenFailed(int port, const std::string& reason) {
    if (failureLogged_) return;
    failureLogged_ = true;
    log_.WriteLog("Could not set Halvex connection port " + std::to_string(port) + " in listen mode, error: " +
                  reason);
    alerts_.ListeningPortUnavailable(port, reason);
}

void HalvexListening::OnListening(int port) {
    failureLogged_ = false;
    log_.WriteLog("We will listen for Halvex connection attempts at port " + std::to_string(port));
    alerts_.ListeningPortAvailable(port);
}

}  // namespace ostrilo
