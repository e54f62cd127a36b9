#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ostrilo {

// The whole text, blanks around it ignored, must be a number: decimal with an optional
// fraction (rounded half to even) or "&h" with up to eight hex digits (32-bit two's
// complement). Empty when it is not, or when it lies outside the signed 32-bit range.
std::optional<std::int32_t> WholeTextToNumber(std::string_view text);

// Like WholeTextToNumber, but only whole numbers count: no rounding takes place.
std::optional<std::int32_t> WholeTextToInteger(std::string_view text);

// The number at the start of the text ("&h" hex, "&o" octal, blanks, tabs and line feeds
// skipped anywhere in it), rounded like above; 0 when the text does not begin with a
// number. Empty only when the number lies outside the signed 32-bit range.
std::optional<std::int32_t> LeadingNumberOf(std::string_view text);

}  // namespace ostrilo
