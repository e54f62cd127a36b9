#include "config/number_conversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrilo {
namespace {

struct Case {
    std::string text;
    std::optional<std::int32_t> expected;  // empty: the conversion must fail
};

using Conversion = std::optional<std::int32_t> (*)(std::string_view);

void ExpectAll(Conversion convert, const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        const auto result = convert(c.text);
        if (c.expected) {
            EXPECT_EQ(result, c.expected) << "text: \"" << c.text << "\"";
        } else {
            EXPECT_FALSE(result.has_value())
                << "text: \"" << c.text << "\" gave " << result.value_or(0) << ", expected failure";
        }
    }
}

const std::string kManyDigits(100000, '9');
const std::string kManyZeros(100000, '0');

TEST(WholeTextToNumber, ReadsDecimalAndHexWithBlanksAround) {
    ExpectAll(WholeTextToNumber, {
        {"30", 30}, {"0", 0}, {"-17", -17}, {"+17", 17}, {"  42  ", 42}, {"\t7\t", 7},
        {"007", 7}, {"&h1E", 30}, {"&H1e", 30}, {"&h0036B0", 14000}, {" &h1E ", 30},
        {kManyZeros + "5", 5},
    });
}

TEST(WholeTextToNumber, RoundsFractionsHalfToEven) {
    ExpectAll(WholeTextToNumber, {
        {"30.5", 30}, {"31.5", 32}, {"2.5", 2}, {"0.5", 0}, {"1.5", 2}, {"2.6", 3},
        {"2.4999", 2}, {"-2.5", -2}, {"-3.5", -4}, {"-0.5", 0}, {"-0.6", -1},
        {"5.", 5}, {".5", 0}, {".51", 1}, {"2.50", 2},
        // Exact: a single nonzero digit far behind the half tips the rounding.
        {"2.5" + kManyZeros + "1", 3}, {"2.4" + kManyDigits, 2},
    });
}

TEST(WholeTextToNumber, HoldsTheSigned32BitRangeExactly) {
    ExpectAll(WholeTextToNumber, {
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt}, {"-2147483649", std::nullopt},
        {"2147483647.4", 2147483647}, {"2147483647.5", std::nullopt},
        {"-2147483648.5", INT32_MIN}, {"-2147483648.51", std::nullopt},
        {"2147483646.5", 2147483646},
        {kManyDigits, std::nullopt}, {"-" + kManyDigits, std::nullopt},
    });
}

TEST(WholeTextToNumber, ReadsHexAsTwosComplementOfUpToEightDigits) {
    ExpectAll(WholeTextToNumber, {
        {"&hFFFFFFFF", -1}, {"&h80000000", INT32_MIN}, {"&h7FFFFFFF", 2147483647},
        {"&hFFFF", 65535}, {"&h12345678", 0x12345678},
        {"&h123456789", std::nullopt}, {"&h000000001", std::nullopt},
        {"&h" + kManyDigits, std::nullopt},
    });
}

TEST(WholeTextToNumber, FailsOnTextThatIsNotWhollyANumber) {
    ExpectAll(WholeTextToNumber, {
        {"", std::nullopt}, {"   ", std::nullopt}, {"abc", std::nullopt},
        {"1abc", std::nullopt}, {"1 2", std::nullopt}, {"- 5", std::nullopt},
        {"+", std::nullopt}, {"-", std::nullopt}, {".", std::nullopt}, {"1.2.3", std::nullopt},
        {"1e3", std::nullopt}, {"1,5", std::nullopt}, {"&h", std::nullopt},
        {"&hG", std::nullopt}, {"&h1G", std::nullopt}, {"-&h1", std::nullopt},
        {"&o17", std::nullopt}, {"&x1", std::nullopt}, {"&", std::nullopt},
        {"1\n", std::nullopt}, {std::string("1\0", 2), std::nullopt}, {"--1", std::nullopt},
    });
}

TEST(WholeTextToInteger, AcceptsWholeNumbersOnlyWithoutRounding) {
    ExpectAll(WholeTextToInteger, {
        {"0", 0}, {"1", 1}, {"2", 2}, {" 2 ", 2}, {"-1", -1}, {"&h1", 1}, {"&hFFFFFFFF", -1},
        {"2.0", 2}, {"2.", 2}, {"2147483647", 2147483647},
        {"1.5", std::nullopt}, {"0.5", std::nullopt}, {"0.0001", std::nullopt},
        {"2.5", std::nullopt}, {"2147483648", std::nullopt},
        {"", std::nullopt}, {"yes", std::nullopt}, {"1abc", std::nullopt},
    });
}

TEST(LeadingNumberOf, ReadsTheNumberAtTheStartAndIgnoresTheRest) {
    ExpectAll(LeadingNumberOf, {
        {"1", 1}, {"1 ", 1}, {"1abc", 1}, {"14000", 14000}, {"-1", -1}, {"+3", 3},
        {"1.2.3", 1}, {"1e3", 1}, {"12,5", 12}, {"7\r\n", 7}, {"3-4", 3},
        {std::string("5\0" "9", 3), 5},
    });
}

TEST(LeadingNumberOf, GivesZeroWhenTheTextDoesNotBeginWithANumber) {
    ExpectAll(LeadingNumberOf, {
        {"", 0}, {"abc", 0}, {"   ", 0}, {"-", 0}, {".", 0}, {"&", 0}, {"&h", 0},
        {"&x1", 0}, {"&hG", 0}, {"-&h1", 0}, {"\r1", 0}, {"x1", 0},
    });
}

TEST(LeadingNumberOf, SkipsBlanksTabsAndLineFeedsWhereverTheyStand) {
    ExpectAll(LeadingNumberOf, {
        {"1 2", 12}, {"  1 2 3", 123}, {"\t4\n5", 45}, {"- 5", -5}, {"1 . 5", 2},
        {"& h 1 E", 30}, {"&o 1 7", 15}, {"\n\n9", 9},
    });
}

TEST(LeadingNumberOf, RoundsLikeTheWholeTextConversion) {
    ExpectAll(LeadingNumberOf, {
        {"1.5", 2}, {"0.5", 0}, {"2.5", 2}, {"2.6", 3}, {"-2.5", -2}, {".5", 0}, {"3.5x", 4},
    });
}

TEST(LeadingNumberOf, ReadsHexAndOctalAsTwosComplement) {
    ExpectAll(LeadingNumberOf, {
        {"&h1E", 30}, {"&H1exyz", 30}, {"&hFFFFFFFF", -1}, {"&hFFFF", 65535},
        {"&o17", 15}, {"&O17", 15}, {"&o18", 1}, {"&o37777777777", -1},
        {"&h000000001", 1},
    });
}

TEST(LeadingNumberOf, FailsOnlyOutsideTheSigned32BitRange) {
    ExpectAll(LeadingNumberOf, {
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt}, {"2147483647.5", std::nullopt}, {"-2147483649", std::nullopt},
        {"&h100000000", std::nullopt}, {"&o40000000000", std::nullopt},
        {kManyDigits, std::nullopt}, {"&h" + kManyDigits, std::nullopt},
        {kManyZeros + "12abc", 12},
    });
}

}  // namespace
}  // namespace ostrilo
