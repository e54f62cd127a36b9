#pragma once

#include <cstdint>
#include <string>

#include "config/connection_type.h"
#include "config/settings_keys.h"
#include "delivery/peer_allow_list.h"

namespace ostrilo {

// The settings of this run. The service switches set runAsService first; the start-up
// sequence settles the rest, turning the export off where the bridge library cannot
// serve it. Nothing changes them once the start-up has ended.
struct RunSettings {
    std::string appDirectory;             // the executable's folder, ending in a backslash
    bool runAsService = false;
    std::int32_t daysToKeepLogFiles = 0;
    ConnectionType connectionType = ConnectionType::ByLibraries;
    PeerAllowList halvexAddresses;        // who may take the TCP link; everyone unless set
    std::int32_t heartbeatIntervalSeconds = 0;  // 0: no heartbeat
    std::int32_t halvexUnreachableSeconds = kDefaultHalvexUnreachableSeconds;  // Halvex away this long: an event-log entry
};

}  // namespace ostrilo
