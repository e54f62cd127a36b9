#pragma once

#include <cstdint>

namespace ostrilo::e2e {

// A loopback port that nothing listens on right now, chosen by the system, so tests that
// run side by side (and other programs on this host) do not meet on a fixed port.
std::uint16_t FreeTcpPort();

}  // namespace ostrilo::e2e
