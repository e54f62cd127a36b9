// The three ways INI and registry texts become numbers: exact at every edge of 32 bits,
// fractions rounded half to even however many digits follow, hex as two's complement.

#include "config/number_conversion.h"

#include <gtest/gtest.h>

#include <climits>

namespace ostrilo {
namespace {

using Conversion = std::optional<std::int32_t> (*)(std::string_view);
const std::optional<std::int32_t> kFails;
const std::string kNines(100000, '9');
const std::string kZeros(100000, '0');

struct Case {
    Conversion convert;
    std::string text;
    std::optional<std::int32_t> expected;
};

class NumberConversion : public testing::TestWithParam<Case> {};

TEST_P(NumberConversion, GivesTheNumberOrFails) {
    EXPECT_EQ(GetParam().convert(GetParam().text), GetParam().expected) << "\"" << GetParam().text.substr(0, 40) << "\"";
}

// The whole text is one number: DaysToKeepLogFiles, registry values.
INSTANTIATE_TEST_SUITE_P(WholeText, NumberConversion, testing::ValuesIn(std::vector<Case>{
    {WholeTextToNumber, " 42\t", 42}, {WholeTextToNumber, "&h1e", 30}, {WholeTextToNumber, kZeros + "5", 5},
    {WholeTextToNumber, "30.5", 30}, {WholeTextToNumber, "31.5", 32}, {WholeTextToNumber, "-2.5", -2},
    {WholeTextToNumber, "-3.5", -4}, {WholeTextToNumber, ".51", 1}, {WholeTextToNumber, "2.49999", 2},
    {WholeTextToNumber, "2.5" + kZeros + "1", 3}, {WholeTextToNumber, "2.4" + kNines, 2},
    {WholeTextToNumber, "2147483647", INT_MAX}, {WholeTextToNumber, "2147483648", kFails},
    {WholeTextToNumber, "-2147483648", INT_MIN}, {WholeTextToNumber, "-2147483649", kFails},
    {WholeTextToNumber, "2147483647.5", kFails}, {WholeTextToNumber, "-2147483648.5", INT_MIN},
    {WholeTextToNumber, kNines, kFails}, {WholeTextToNumber, "&hFFFFFFFF", -1},
    {WholeTextToNumber, "&h80000000", INT_MIN}, {WholeTextToNumber, "&h000000001", kFails},
    {WholeTextToNumber, "&o17", kFails}, {WholeTextToNumber, "1abc", kFails}, {WholeTextToNumber, "1 2", kFails},
    {WholeTextToNumber, "", kFails}, {WholeTextToNumber, ".", kFails}, {WholeTextToNumber, "1e3", kFails},
    {WholeTextToNumber, "-&h1", kFails}, {WholeTextToNumber, std::string("1\0", 2), kFails},
    {WholeTextToInteger, "2.0", 2}, {WholeTextToInteger, "0.0001", kFails}, {WholeTextToInteger, "yes", kFails},
}));

// The number at the start of the text: ConnectionType, PortNumber, EventType.
INSTANTIATE_TEST_SUITE_P(Leading, NumberConversion, testing::ValuesIn(std::vector<Case>{
    {LeadingNumberOf, "1abc", 1}, {LeadingNumberOf, "abc", 0}, {LeadingNumberOf, "", 0},
    {LeadingNumberOf, "1 2", 12}, {LeadingNumberOf, "\t4\n5", 45}, {LeadingNumberOf, "\r1", 0},
    {LeadingNumberOf, "- 5", -5}, {LeadingNumberOf, "1.5", 2}, {LeadingNumberOf, "0.5", 0},
    {LeadingNumberOf, "3.5x", 4}, {LeadingNumberOf, "& h 1 E", 30}, {LeadingNumberOf, "&o17", 15},
    {LeadingNumberOf, "&o18", 1}, {LeadingNumberOf, "&h000000001", 1}, {LeadingNumberOf, "&hG", 0},
    {LeadingNumberOf, std::string("5\0" "9", 3), 5}, {LeadingNumberOf, "2147483648", kFails},
    {LeadingNumberOf, "&h100000000", kFails}, {LeadingNumberOf, kZeros + "12abc", 12},
    {LeadingNumberOf, "&h" + kNines, kFails},
}));

}  // namespace
}  // namespace ostrilo
