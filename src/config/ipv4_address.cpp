#include "config/ipv4_address.h"

namespace ostrilo {
namespace {

constexpr int kAddressBits = 32;

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One to three digits without a leading zero, at most `highest`.
std::optional<int> ParseSmallNumber(std::string_view digits, int highest) {
    if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits.front() == '0')) return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > highest) return std::nullopt;
    return value;
}

std::uint32_t MaskOf(int prefixLength) {
    return prefixLength == 0 ? 0u : ~std::uint32_t{0} << (kAddressBits - prefixLength);
}

}  // namespace

std::optional<std::uint32_t> ParseIPv4Address(std::string_view text) {
    text = TrimBlanks(text);
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = text.find('.');
        const bool last = part == 3;
        if (last != (dot == std::string_view::npos)) return std::nullopt;
        const auto value = ParseSmallNumber(text.substr(0, dot), 255);
        if (!value) return std::nullopt;
        address = address << 8 | static_cast<std::uint32_t>(*value);
        if (!last) text.remove_prefix(dot + 1);
    }
    return address;
}

std::string FormatIPv4Address(std::uint32_t address) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (!text.empty()) text += '.';
        text += std::to_string(address >> shift & 0xFFu);
    }
    return text;
}

bool AddressRange::Contains(std::uint32_t candidate) const {
    const std::uint32_t mask = MaskOf(prefixLength);
    return (candidate & mask) == (address & mask);
}

std::string AddressRange::ToString() const {
    const std::string text = FormatIPv4Address(address);
    return prefixLength == kAddressBits ? text : text + "/" + std::to_string(prefixLength);
}

std::optional<AddressRange> ParseAddressRange(std::string_view text) {
    text = TrimBlanks(text);
    const std::size_t slash = text.find('/');
    const auto address = ParseIPv4Address(text.substr(0, slash));
    if (!address) return std::nullopt;
    if (slash == std::string_view::npos) return AddressRange{*address, kAddressBits};
    const auto prefixLength = ParseSmallNumber(TrimBlanks(text.substr(slash + 1)), kAddressBits);
    if (!prefixLength) return std::nullopt;
    return AddressRange{*address, *prefixLength};
}

}  // namespace ostrilo
