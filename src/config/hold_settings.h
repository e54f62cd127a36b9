#pragma once

#include <cstdint>
#include <optional>

#include "config/ini_values.h"
#include "logging/log_writer.h"

namespace ostrilo {

struct HoldLimits {
    std::int32_t maxAgeMinutes = 0;
    std::int32_t maxMessages = 0;
};

// The hold's limits from [General]; empty (the hold stays off) unless the minutes are a
// positive whole number. A missing or unusable message count takes the default. A value
// that is set but unusable is logged: "60 min" would otherwise turn the hold off unseen.
std::optional<HoldLimits> ReadHoldLimits(IniValues& ini, LogWriter& log);

}  // namespace ostrilo
