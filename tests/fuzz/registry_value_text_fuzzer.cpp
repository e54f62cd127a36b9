// Any registry value, of any type and any length, read as text: texts pass through byte
// for byte, and a 32-bit number's text converts back to the number it holds.

#include <cstdint>
#include <string>
#include <vector>

#include "config/number_conversion.h"
#include "config/registry_value_text.h"
#include "fuzz_check.h"

namespace ostrilo::fuzz {
namespace {

constexpr std::uint32_t kTextType = 1;
constexpr std::uint32_t kNumberType = 4;

std::string Bytes(const std::vector<std::uint8_t>& data) { return std::string(data.begin(), data.end()); }

// The first byte picks text, number or some other type; the rest is the value's data.
platform::RegistryValue ValueFrom(const std::uint8_t* data, std::size_t size) {
    platform::RegistryValue value;
    const std::uint8_t selector = data[0];
    value.type = selector % 3 == 0 ? kTextType : selector % 3 == 1 ? kNumberType : selector;
    value.data.assign(data + 1, data + size);
    return value;
}

// The number a REG_DWORD's bytes stand for, least significant first; a zero top byte
// changes nothing, so only the bytes that remain after it count.
std::optional<std::int32_t> NumberHeld(const std::vector<std::uint8_t>& data) {
    std::size_t count = data.size();
    if (count > 0 && data.back() == 0) --count;
    if (count == 0 || count > 4) return std::nullopt;  // "&h" alone, or more than 32 bits
    std::uint32_t bits = 0;
    for (std::size_t i = count; i > 0; --i) bits = (bits << 8) | data[i - 1];
    return static_cast<std::int32_t>(static_cast<std::int64_t>(bits) - (bits > 0x7FFFFFFFu ? (std::int64_t{1} << 32) : 0));
}

void CheckText(const platform::RegistryValue& value, const std::string& text) {
    const std::string bytes = Bytes(value.data);
    // Only the terminating zero goes; zeros inside a text are data.
    const bool dropsZero = bytes.back() == '\0';
    FUZZ_EXPECT(text.size() == bytes.size() - (dropsZero ? 1 : 0), bytes);
    FUZZ_EXPECT(bytes.compare(0, text.size(), text) == 0, bytes);
}

void CheckNumber(const platform::RegistryValue& value, const std::string& text) {
    const std::string bytes = Bytes(value.data);
    FUZZ_EXPECT(text.compare(0, 2, "&h") == 0, text);
    FUZZ_EXPECT(text.size() % 2 == 0 && text.size() <= 2 + 2 * bytes.size(), text);
    FUZZ_EXPECT(text.find_first_not_of("0123456789ABCDEF", 2) == std::string::npos, text);
    FUZZ_EXPECT(WholeTextToNumber(text) == NumberHeld(value.data), text);
}

}  // namespace
}  // namespace ostrilo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrilo::fuzz;
    if (size == 0) return 0;
    const ostrilo::platform::RegistryValue value = ValueFrom(data, size);
    const std::optional<std::string> text = ostrilo::RegistryValueText(value);
    // A value without data leaves the caller's default in place.
    FUZZ_EXPECT(text.has_value() == !value.data.empty(), Bytes(value.data));
    if (!text) return 0;
    if (value.type == kTextType) CheckText(value, *text);
    else if (value.type == kNumberType) CheckNumber(value, *text);
    else FUZZ_EXPECT(text->empty(), *text);
    return 0;
}
