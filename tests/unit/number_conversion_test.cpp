// The three ways INI and registry texts become numbers: exact at every edge of 32 bits,
// fractions rounded half to even however many digits follow, hex as two's complement.

#include "config/number_conversion.h"

#include <gtest/gtest.h>

#include <climits>

namespace ostrilo {
namespace {

using Number = std::optional<std::int32_t>;
using Conversion = Number (*)(std::string_view);
const Number kFails;
const std::string kNines(100000, '9');
const std::string kZeros(100000, '0');

void ExpectConversions(Conversion convert, const std::vector<std::pair<std::string, Number>>& cases) {
    for (const auto& [text, expected] : cases) EXPECT_EQ(convert(text), expected) << '"' << text.substr(0, 40) << '"';
}

// The whole text is one number: DaysToKeepLogFiles, registry values.
TEST(NumberConversion, WholeText) {
    ExpectConversions(WholeTextToNumber, {
        {" 42\t", 42}, {"&h1e", 30}, {kZeros + "5", 5}, {"30.5", 30}, {"31.5", 32}, {"-2.5", -2}, {"-3.5", -4},
        {".51", 1}, {"2.49999", 2}, {"2.5" + kZeros + "1", 3}, {"2.4" + kNines, 2}, {"2147483647", INT_MAX},
        {"2147483648", kFails}, {"-2147483648", INT_MIN}, {"-2147483649", kFails}, {"2147483647.5", kFails},
        {"-2147483648.5", INT_MIN}, {kNines, kFails}, {"&hFFFFFFFF", -1}, {"&h80000000", INT_MIN},
        {"&h000000001", kFails}, {"&o17", kFails}, {"1abc", kFails}, {"1 2", kFails}, {"", kFails}, {".", kFails},
        {"1e3", kFails}, {"-&h1", kFails}, {std::string("1\0", 2), kFails}});
    ExpectConversions(WholeTextToInteger, {{"2.0", 2}, {"0.0001", kFails}, {"yes", kFails}});
}

// The number at the start of the text: ConnectionType, PortNumber, EventType.
TEST(NumberConversion, Leading) {
    ExpectConversions(LeadingNumberOf, {
        {"1abc", 1}, {"abc", 0}, {"", 0}, {"1 2", 12}, {"\t4\n5", 45}, {"\r1", 0}, {"- 5", -5}, {"1.5", 2}, {"0.5", 0},
        {"3.5x", 4}, {"& h 1 E", 30}, {"&o17", 15}, {"&o18", 1}, {"&h000000001", 1}, {"&hG", 0},
        {std::string("5\0" "9", 3), 5}, {"2147483648", kFails}, {"&h100000000", kFails}, {kZeros + "12abc", 12},
        {"&h" + kNines, kFails}});
}

}  // namespace
}  // namespace ostrilo
