#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrilo {

// IPv4 addresses are held as 32-bit numbers in host order: 10.1.2.3 is 0x0A010203.

// Four decimal parts of 0 to 255 joined by dots, blanks around the whole ignored. A part
// with a leading zero is refused: some readers take it as octal, so its meaning is unsure.
std::optional<std::uint32_t> ParseIPv4Address(std::string_view text);

std::string FormatIPv4Address(std::uint32_t address);

// An address with a prefix length, such as 10.1.2.0/24; a bare address is a /32.
struct AddressRange {
    std::uint32_t address = 0;
    int prefixLength = 32;

    bool Contains(std::uint32_t candidate) const;
    std::string ToString() const;
};

// "a.b.c.d" or "a.b.c.d/n" with n from 0 to 32; bits beyond the prefix are ignored when
// matching.
std::optional<AddressRange> ParseAddressRange(std::string_view text);

}  // namespace ostrilo
