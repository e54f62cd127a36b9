#include "delivery/hold_settings.h"

#include <algorithm>

#include "config/number_conversion.h"

namespace ostrilo {

namespace {
constexpr char kGeneralSection[] = "General";
}  // namespace

std::optional<HoldLimits> ReadHoldLimits(IniValues& ini) {
    const auto minutes = WholeTextToInteger(ini.ReadIniValue(kGeneralSection, kHoldMinutesKey, ""));
    if (!minutes || *minutes <= 0) return std::nullopt;
    const auto messages = WholeTextToInteger(ini.ReadIniValue(kGeneralSection, kHoldMessagesKey, ""));
    HoldLimits limits;
    limits.maxAgeMinutes = *minutes;
    limits.maxMessages = messages && *messages > 0 ? std::min(*messages, kMostHeldMessages) : kDefaultHeldMessages;
    return limits;
}

}  // namespace ostrilo
