#include "config/registry_value_text.h"

#include <cstdint>
#include <vector>

namespace ostrilo {
namespace {

constexpr std::uint32_t kTextType = 1;    // REG_SZ
constexpr std::uint32_t kNumberType = 4;  // REG_DWORD, least significant byte first

std::string HexFromLastToFirst(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string text = "&h";
    for (std::size_t i = count; i > 0; --i) {
        text += kHexDigits[bytes[i - 1] >> 4];
        text += kHexDigits[bytes[i - 1] & 0x0F];
    }
    return text;
}

}  // namespace

std::optional<std::string> RegistryValueText(const platform::RegistryValue& value) {
    const auto& bytes = value.data;
    if (bytes.empty()) return std::nullopt;
    // A text's terminating zero, or a number's zero top byte, which leaves it unchanged.
    const std::size_t count = bytes.back() == 0 ? bytes.size() - 1 : bytes.size();
    switch (value.type) {
    case kTextType: return std::string(bytes.begin(), bytes.begin() + count);
    case kNumberType: return HexFromLastToFirst(bytes, count);
    default: return std::string();
    }
}

}  // namespace ostrilo
