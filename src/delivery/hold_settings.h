#pragma once

#include <optional>

#include "config/ini_values.h"
#include "delivery/message_hold.h"
#include "logging/log_writer.h"

namespace ostrilo {

inline constexpr char kHoldMinutesKey[] = "HoldUndeliveredMinutes";
inline constexpr char kHoldMessagesKey[] = "HoldUndeliveredMessages";
inline constexpr std::int32_t kDefaultHeldMessages = 10000;
inline constexpr std::int32_t kMostHeldMessages = 100000;

// The hold's limits from [General]; empty (the hold stays off) unless the minutes are a
// positive whole number. A missing or unusable message count takes the default. A value
// that is set but unusable is logged: "60 min" would otherwise turn the hold off unseen.
std::optional<HoldLimits> ReadHoldLimits(IniValues& ini, LogWriter& log);

}  // namespace ostrilo
