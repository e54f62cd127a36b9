#pragma once

#include <optional>
#include <string>

#include "platform/registry.h"

namespace ostrilo {

// The text a registry value stands for: a text value as its bytes; a 32-bit number as
// "&h" and its bytes, most significant first, two upper-case hex digits each; any other
// type as the empty text. One trailing zero byte is dropped first. Empty when the value
// holds no data at all, so that the caller's default applies.
std::optional<std::string> RegistryValueText(const platform::RegistryValue& value);

}  // namespace ostrilo
