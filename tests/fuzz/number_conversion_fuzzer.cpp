// Both text-to-number conversions against a slow, string-based reading of the same
// rules, plus round trips of every 32-bit number through its decimal and "&h" texts.

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "config/number_conversion.h"
#include "fuzz_check.h"

namespace ostrilo::fuzz {
namespace {

using Number = std::optional<std::int32_t>;

std::size_t DigitRun(std::string_view text, std::size_t from, unsigned radix) {
    std::size_t end = from;
    while (end < text.size()) {
        const char c = text[end];
        const bool digit = radix == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                                       : c >= '0' && c < static_cast<char>('0' + radix);
        if (!digit) break;
        ++end;
    }
    return end;
}

std::string WithoutLeadingZeros(std::string_view digits) {
    while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
    return std::string(digits);
}

std::string WithoutTrailingZeros(std::string_view digits) {
    while (!digits.empty() && digits.back() == '0') digits.remove_suffix(1);
    return std::string(digits);
}

Number InInt32(long long value) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

// The 32 bits of a hexadecimal or octal text as a two's-complement number.
Number FromBits(std::string_view digits, unsigned radix) {
    const std::string significant = WithoutLeadingZeros(digits);
    if (significant.size() > 12) return std::nullopt;
    const unsigned long long bits = significant.empty() ? 0 : std::stoull(significant, nullptr, static_cast<int>(radix));
    if (bits > 0xFFFFFFFFull) return std::nullopt;
    return InInt32(bits > 0x7FFFFFFFull ? static_cast<long long>(bits) - (1LL << 32) : static_cast<long long>(bits));
}

// Once trailing zeros are gone, comparing the fraction's digits with "5" as text tells
// below, exactly or above one half.
Number FromDecimal(bool negative, std::string_view whole, std::string_view fraction, bool mustBeWhole) {
    const std::string significant = WithoutLeadingZeros(whole);
    const std::string exactFraction = WithoutTrailingZeros(fraction);
    if (mustBeWhole && !exactFraction.empty()) return std::nullopt;
    if (significant.size() > 11) return std::nullopt;
    long long magnitude = significant.empty() ? 0 : std::stoll(significant);
    if (!exactFraction.empty()) {
        const int versusHalf = exactFraction.compare("5");
        if (versusHalf > 0 || (versusHalf == 0 && magnitude % 2 == 1)) ++magnitude;
    }
    return InInt32(negative ? -magnitude : magnitude);
}

struct Decimal {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
    std::size_t end = 0;
};

// Sign, digits, point, digits; empty unless at least one digit was read.
std::optional<Decimal> ReadDecimal(std::string_view text) {
    Decimal decimal;
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) decimal.negative = text[at++] == '-';
    std::size_t end = DigitRun(text, at, 10);
    decimal.whole = text.substr(at, end - at);
    if (end < text.size() && text[end] == '.') {
        const std::size_t fractionEnd = DigitRun(text, end + 1, 10);
        decimal.fraction = text.substr(end + 1, fractionEnd - end - 1);
        end = fractionEnd;
    }
    if (decimal.whole.empty() && decimal.fraction.empty()) return std::nullopt;
    decimal.end = end;
    return decimal;
}

Number ReferenceWholeText(std::string_view text, bool mustBeWhole) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.size() >= 2 && text[0] == '&' && (text[1] == 'h' || text[1] == 'H')) {
        const std::string_view digits = text.substr(2);
        if (digits.empty() || digits.size() > 8 || DigitRun(digits, 0, 16) != digits.size()) return std::nullopt;
        return FromBits(digits, 16);
    }
    const auto decimal = ReadDecimal(text);
    if (!decimal || decimal->end != text.size()) return std::nullopt;
    return FromDecimal(decimal->negative, decimal->whole, decimal->fraction, mustBeWhole);
}

Number ReferenceLeadingNumber(std::string_view original) {
    std::string text;
    for (const char c : original) {
        if (c != ' ' && c != '\t' && c != '\n') text += c;
    }
    if (!text.empty() && text[0] == '&') {
        if (text.size() < 2) return 0;
        const char letter = text[1];
        const unsigned radix = (letter == 'h' || letter == 'H') ? 16 : (letter == 'o' || letter == 'O') ? 8 : 0;
        if (radix == 0) return 0;
        const std::size_t end = DigitRun(text, 2, radix);
        if (end == 2) return 0;
        return FromBits(std::string_view(text).substr(2, end - 2), radix);
    }
    const auto decimal = ReadDecimal(text);
    if (!decimal) return 0;
    return FromDecimal(decimal->negative, decimal->whole, decimal->fraction, false);
}

std::string Describe(std::string_view text, Number got, Number expected) {
    const auto show = [](Number n) { return n ? std::to_string(*n) : std::string("(fails)"); };
    return std::string(text) + " -> " + show(got) + ", expected " + show(expected);
}

void CheckAgainstReference(std::string_view text) {
    const Number number = WholeTextToNumber(text);
    const Number integer = WholeTextToInteger(text);
    const Number leading = LeadingNumberOf(text);
    FUZZ_EXPECT(number == ReferenceWholeText(text, false), Describe(text, number, ReferenceWholeText(text, false)));
    FUZZ_EXPECT(integer == ReferenceWholeText(text, true), Describe(text, integer, ReferenceWholeText(text, true)));
    FUZZ_EXPECT(leading == ReferenceLeadingNumber(text), Describe(text, leading, ReferenceLeadingNumber(text)));
    // A text that is a number as a whole starts with that number.
    if (number) FUZZ_EXPECT(leading == number, Describe(text, leading, number));
    if (integer) FUZZ_EXPECT(number == integer, Describe(text, number, integer));
}

std::string HexText(std::int32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, "&h%X", static_cast<std::uint32_t>(n));
    return text;
}

// A decimal half above n's magnitude rounds to the even neighbour, away from zero or not.
Number HalfAwayRounded(std::int32_t n) {
    const long long magnitude = n < 0 ? -static_cast<long long>(n) : n;
    const long long rounded = magnitude % 2 == 0 ? magnitude : magnitude + 1;
    return InInt32(n < 0 ? -rounded : rounded);
}

void CheckRoundTrips(std::int32_t n) {
    const std::string decimal = std::to_string(n);
    for (const std::string& text : {decimal, " \t" + decimal + "\t ", decimal + ".000"}) {
        FUZZ_EXPECT(WholeTextToNumber(text) == n, text);
        FUZZ_EXPECT(WholeTextToInteger(text) == n, text);
        FUZZ_EXPECT(LeadingNumberOf(text + " units") == n, text);
    }
    FUZZ_EXPECT(WholeTextToNumber(HexText(n)) == n, HexText(n));
    FUZZ_EXPECT(WholeTextToNumber(decimal + ".5") == HalfAwayRounded(n), decimal + ".5");
    FUZZ_EXPECT(!WholeTextToInteger(decimal + ".5"), decimal + ".5");
}

}  // namespace
}  // namespace ostrilo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ostrilo::fuzz::CheckAgainstReference(text);
    if (size >= sizeof(std::int32_t)) {
        std::int32_t n;
        std::memcpy(&n, data, sizeof n);
        ostrilo::fuzz::CheckRoundTrips(n);
    }
    return 0;
}
