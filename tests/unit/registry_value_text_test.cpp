#include "config/registry_value_text.h"

#include <gtest/gtest.h>

#include "config/number_conversion.h"

namespace ostrilo {
namespace {

constexpr std::uint32_t kText = 1;
constexpr std::uint32_t kExpandableText = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kNumber = 4;
constexpr std::uint32_t kMultiText = 7;

platform::RegistryValue Value(std::uint32_t type, std::vector<std::uint8_t> data) {
    return platform::RegistryValue{type, std::move(data)};
}

platform::RegistryValue Text(const std::string& text) {
    return Value(kText, std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST(RegistryValueText, TextLosesOnlyItsTerminatingZero) {
    EXPECT_EQ(RegistryValueText(Text(std::string("1\0", 2))), "1");
    EXPECT_EQ(RegistryValueText(Text("1")), "1") << "a text stored without its zero reads whole";
    EXPECT_EQ(RegistryValueText(Text(std::string("12\0\0", 4))), std::string("12\0", 3));
    EXPECT_EQ(RegistryValueText(Text(std::string(1, '\0'))), "");
}

TEST(RegistryValueText, TextBytesPassThroughUnchanged) {
    const std::string ansi = "Gr\xFC\xDF" "e \xE9t\xE9 \x80";
    EXPECT_EQ(RegistryValueText(Text(ansi + '\0')), ansi);
    // A zero inside is kept, so the number conversion rejects the text instead of
    // silently reading only its first part.
    const std::string embedded("1\0" "5", 3);
    EXPECT_EQ(RegistryValueText(Text(embedded + '\0')), embedded);
    EXPECT_FALSE(WholeTextToNumber(*RegistryValueText(Text(embedded + '\0'))));
}

TEST(RegistryValueText, NumberIsHexMostSignificantByteFirst) {
    struct Case { std::vector<std::uint8_t> bytes; const char* text; std::int32_t number; };
    const Case cases[] = {
        {{0xB0, 0x36, 0x00, 0x00}, "&h0036B0", 14000},
        {{0x01, 0x00, 0x00, 0x00}, "&h000001", 1},
        {{0x0A, 0x00, 0x00, 0x00}, "&h00000A", 10},
        {{0x78, 0x56, 0x34, 0x12}, "&h12345678", 0x12345678},
        {{0xFF, 0xFF, 0xFF, 0xFF}, "&hFFFFFFFF", -1},
        {{0x00, 0x00, 0x00, 0x80}, "&h80000000", INT32_MIN},
        {{0x00, 0x00, 0x00, 0x00}, "&h000000", 0},
        {{0x00, 0x00, 0x00, 0x01}, "&h01000000", 0x01000000},
    };
    for (const auto& c : cases) {
        const auto text = RegistryValueText(Value(kNumber, c.bytes));
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(*text, c.text);
        EXPECT_EQ(WholeTextToNumber(*text), c.number) << "from " << c.text;
    }
}

TEST(RegistryValueText, OtherTypesAreEmptyTextThatNoConversionAccepts) {
    for (const auto type : {kExpandableText, kBinary, kMultiText, 0u, 11u}) {
        const auto text = RegistryValueText(Value(type, {'1', '2', 0}));
        EXPECT_EQ(text, "") << "type " << type;
        EXPECT_FALSE(WholeTextToNumber(text.value_or("x")));
    }
}

TEST(RegistryValueText, ValueWithoutDataLeavesTheDefault) {
    for (const auto type : {kText, kNumber, kBinary}) {
        EXPECT_EQ(RegistryValueText(Value(type, {})), std::nullopt) << "type " << type;
    }
}

}  // namespace
}  // namespace ostrilo
