#pragma once

#include <cstdint>
#include <string>

#include "config/connection_type.h"
#include "config/settings_keys.h"
#include "delivery/peer_allow_list.h"

namespace ostrilo {

// Settled once by the start-up sequence; read-only for everything after it.
struct StartupState {
    std::string appDirectory;             // the executable's folder, ending in a backslash
    bool runAsService = false;
    std::int32_t daysToKeepLogFiles = 0;
    std::int32_t connectionType = 0;      // 0 client libraries, 1 TCP socket, -1 no export
    PeerAllowList halvexAddresses;        // who may take the TCP link; everyone unless set
    std::int32_t heartbeatIntervalSeconds = 0;  // 0: no heartbeat
    std::int32_t halvexUnreachableSeconds = kDefaultHalvexUnreachableSeconds;  // before the event log hears of it
};

}  // namespace ostrilo
