#include "config/registry_value_text.h"

#include <gtest/gtest.h>

#include "config/number_conversion.h"

namespace ostrilo {
namespace {

constexpr std::uint32_t kText = 1;
constexpr std::uint32_t kNumber = 4;
constexpr std::uint32_t kMultiText = 7;

platform::RegistryValue Value(std::uint32_t type, std::vector<std::uint8_t> data) {
    return platform::RegistryValue{type, std::move(data)};
}

platform::RegistryValue Text(const std::string& text) {
    return Value(kText, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// The Windows registry tests read the common values through the real registry; these are
// the byte-level edges.
TEST(RegistryValueText, TextLosesOnlyOneTerminatingZeroAndKeepsEveryOtherByte) {
    EXPECT_EQ(RegistryValueText(Text(std::string("12\0\0", 4))), std::string("12\0", 3));
    const std::string ansi = "Gr\xFC\xDF" "e \xE9t\xE9 \x80";
    EXPECT_EQ(RegistryValueText(Text(ansi + '\0')), ansi);
    // A zero inside is kept, so the number conversion rejects the text instead of
    // silently reading only its first part.
    const std::string embedded("1\0" "5\0", 4);
    EXPECT_FALSE(WholeTextToNumber(*RegistryValueText(Text(embedded))));
}

TEST(RegistryValueText, NumberIsHexOfAtLeastSixDigitsMostSignificantByteFirst) {
    struct Case { std::vector<std::uint8_t> bytes; const char* text; std::int32_t number; };
    const Case cases[] = {
        {{0x01, 0x00, 0x00, 0x00}, "&h000001", 1},
        {{0x00, 0x00, 0x00, 0x00}, "&h000000", 0},
        {{0x78, 0x56, 0x34, 0x12}, "&h12345678", 0x12345678},
        {{0x00, 0x00, 0x00, 0x80}, "&h80000000", INT32_MIN},
        {{0x00, 0x00, 0x00, 0x01}, "&h01000000", 0x01000000},
    };
    for (const auto& c : cases) {
        const auto text = RegistryValueText(Value(kNumber, c.bytes));
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(*text, c.text);
        EXPECT_EQ(WholeTextToNumber(*text), c.number) << "from " << c.text;
    }
}

TEST(RegistryValueText, MultiTextAndUnknownTypesAreEmptyText) {
    for (const auto type : {kMultiText, 0u, 11u}) EXPECT_EQ(RegistryValueText(Value(type, {'1', 0})), "") << type;
}

}  // namespace
}  // namespace ostrilo
