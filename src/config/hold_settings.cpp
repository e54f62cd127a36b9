#include "config/hold_settings.h"

#include <algorithm>
#include <string>

#include "config/number_conversion.h"
#include "config/settings_keys.h"

namespace ostrilo {

namespace {

// Empty, absent and 0 are the usual "not set" and stay quiet; anything else that is not a
// whole number of at least 0 gets a line, like the heartbeat's interval.
std::optional<std::int32_t> ReadCount(IniValues& ini, LogWriter& log, const char* key, const std::string& unusable) {
    const std::string text = ini.ReadIniValue(kGeneralSection, key, "");
    const auto count = WholeTextToInteger(text);
    if (text.empty() || (count && *count >= 0)) return count;
    log.WriteLog(std::string("The ") + key + " " + text + " is not a number of " + unusable);
    return std::nullopt;
}

}  // namespace

std::optional<HoldLimits> ReadHoldLimits(IniValues& ini, LogWriter& log) {
    const auto minutes = ReadCount(ini, log, kHoldMinutesKey, "minutes, no message will be held for Halvex");
    if (!minutes || *minutes <= 0) return std::nullopt;
    const auto messages = ReadCount(ini, log, kHoldMessagesKey,
                                    "messages, at most " + std::to_string(kDefaultHeldMessages) + " will be held");
    HoldLimits limits;
    limits.maxAgeMinutes = *minutes;
    limits.maxMessages = messages && *messages > 0 ? std::min(*messages, kMostHeldMessages) : kDefaultHeldMessages;
    return limits;
}

}  // namespace ostrilo
