#include "config/number_conversion.h"

#include <cstddef>

namespace ostrilo {
namespace {

// Magnitudes stop growing here: far above anything that fits 32 bits, and small enough
// that one more digit in any radix cannot overflow 64 bits, however long the text.
constexpr std::uint64_t kSaturatedMagnitude = std::uint64_t{1} << 36;
constexpr std::uint64_t kLargestUnsigned32 = 0xFFFFFFFFu;
constexpr std::uint64_t kLargestPositive32 = 0x7FFFFFFFu;
constexpr std::uint64_t kLargestNegative32 = 0x80000000u;
constexpr std::size_t kMostHexDigitsOfWholeText = 8;

enum class Skipping { Nothing, BlanksTabsLineFeeds };
enum class FractionRule { RoundHalfToEven, MustBeZero };

// Reads a text one character at a time; with skipping on, blanks, tabs and line feeds
// are invisible wherever they stand.
class Cursor {
public:
    Cursor(std::string_view text, Skipping skipping) : text_(text), skipping_(skipping) {}

    // '\0' at the end: no number continues with it, as with a real zero byte.
    char Peek() {
        SkipIgnorable();
        return AtEnd() ? '\0' : text_[position_];
    }
    void Advance() { ++position_; }
    bool AtEnd() {
        SkipIgnorable();
        return position_ >= text_.size();
    }

private:
    void SkipIgnorable() {
        if (skipping_ == Skipping::Nothing) return;
        while (position_ < text_.size() && IsIgnorable(text_[position_])) ++position_;
    }
    static bool IsIgnorable(char c) { return c == ' ' || c == '\t' || c == '\n'; }

    std::string_view text_;
    Skipping skipping_;
    std::size_t position_ = 0;
};

std::optional<unsigned> DigitValue(char c, unsigned radix) {
    unsigned value = radix;
    if (c >= '0' && c <= '9') value = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') value = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') value = static_cast<unsigned>(c - 'A' + 10);
    if (value >= radix) return std::nullopt;
    return value;
}

// What the digits after the decimal point add up to, compared with one half; kept as
// three facts so that any number of digits is judged exactly.
class Fraction {
public:
    enum class VersusHalf { Below, Exactly, Above };

    void Add(unsigned digit) {
        if (!firstDigit_) firstDigit_ = digit;
        else if (digit != 0) nonzeroAfterFirst_ = true;
    }
    bool IsZero() const { return firstDigit_.value_or(0) == 0 && !nonzeroAfterFirst_; }
    VersusHalf ComparedWithHalf() const {
        const unsigned first = firstDigit_.value_or(0);
        if (first < 5) return VersusHalf::Below;
        if (first > 5 || nonzeroAfterFirst_) return VersusHalf::Above;
        return VersusHalf::Exactly;
    }

private:
    std::optional<unsigned> firstDigit_;
    bool nonzeroAfterFirst_ = false;
};

struct NumberText {
    unsigned radix = 10;
    bool negative = false;
    std::uint64_t whole = 0;       // saturated at kSaturatedMagnitude
    std::size_t wholeDigits = 0;
    Fraction fraction;
    std::size_t fractionDigits = 0;
};

std::size_t ReadDigits(Cursor& cursor, unsigned radix, std::uint64_t& value) {
    std::size_t count = 0;
    while (const auto digit = DigitValue(cursor.Peek(), radix)) {
        value = value * radix + *digit;
        if (value > kSaturatedMagnitude) value = kSaturatedMagnitude;
        cursor.Advance();
        ++count;
    }
    return count;
}

std::size_t ReadFraction(Cursor& cursor, Fraction& fraction) {
    std::size_t count = 0;
    while (const auto digit = DigitValue(cursor.Peek(), 10)) {
        fraction.Add(*digit);
        cursor.Advance();
        ++count;
    }
    return count;
}

// "&h" and "&o" name their radix; anything else after "&" is no number.
std::optional<unsigned> ReadRadixPrefix(Cursor& cursor) {
    cursor.Advance();
    const char letter = cursor.Peek();
    cursor.Advance();
    if (letter == 'h' || letter == 'H') return 16u;
    if (letter == 'o' || letter == 'O') return 8u;
    return std::nullopt;
}

// The number at the cursor, or empty when no digit belongs to one there.
std::optional<NumberText> ReadNumber(Cursor& cursor) {
    NumberText number;
    if (cursor.Peek() == '&') {
        const auto radix = ReadRadixPrefix(cursor);
        if (!radix) return std::nullopt;
        number.radix = *radix;
        number.wholeDigits = ReadDigits(cursor, number.radix, number.whole);
        if (number.wholeDigits == 0) return std::nullopt;
        return number;
    }
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
        number.negative = cursor.Peek() == '-';
        cursor.Advance();
    }
    number.wholeDigits = ReadDigits(cursor, 10, number.whole);
    if (cursor.Peek() == '.') {
        cursor.Advance();
        number.fractionDigits = ReadFraction(cursor, number.fraction);
    }
    if (number.wholeDigits == 0 && number.fractionDigits == 0) return std::nullopt;
    return number;
}

std::uint64_t RoundHalfToEven(std::uint64_t whole, const Fraction& fraction) {
    switch (fraction.ComparedWithHalf()) {
    case Fraction::VersusHalf::Below: return whole;
    case Fraction::VersusHalf::Exactly: return whole % 2 == 0 ? whole : whole + 1;
    case Fraction::VersusHalf::Above: return whole + 1;
    }
    return whole;
}

std::optional<std::int32_t> SignedInRange(bool negative, std::uint64_t magnitude) {
    if (negative) {
        if (magnitude > kLargestNegative32) return std::nullopt;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
    }
    if (magnitude > kLargestPositive32) return std::nullopt;
    return static_cast<std::int32_t>(magnitude);
}

// Hexadecimal and octal texts are the 32 bits of a two's-complement number.
std::optional<std::int32_t> TwosComplement32(std::uint64_t bits) {
    if (bits > kLargestUnsigned32) return std::nullopt;
    if (bits <= kLargestPositive32) return static_cast<std::int32_t>(bits);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(bits) - (std::int64_t{1} << 32));
}

std::optional<std::int32_t> ToInt32(const NumberText& number, FractionRule rule) {
    if (number.radix != 10) return TwosComplement32(number.whole);
    if (rule == FractionRule::MustBeZero) {
        if (!number.fraction.IsZero()) return std::nullopt;
        return SignedInRange(number.negative, number.whole);
    }
    return SignedInRange(number.negative, RoundHalfToEven(number.whole, number.fraction));
}

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<std::int32_t> WholeText(std::string_view text, FractionRule rule) {
    Cursor cursor(TrimBlanks(text), Skipping::Nothing);
    const auto number = ReadNumber(cursor);
    if (!number || !cursor.AtEnd() || number->radix == 8) return std::nullopt;
    if (number->radix == 16 && number->wholeDigits > kMostHexDigitsOfWholeText) return std::nullopt;
    return ToInt32(*number, rule);
}

}  // namespace

std::optional<std::int32_t> WholeTextToNumber(std::string_view text) {
    return WholeText(text, FractionRule::RoundHalfToEven);
}

std::optional<std::int32_t> WholeTextToInteger(std::string_view text) {
    return WholeText(text, FractionRule::MustBeZero);
}

std::optional<std::int32_t> LeadingNumberOf(std::string_view text) {
    Cursor cursor(text, Skipping::BlanksTabsLineFeeds);
    const auto number = ReadNumber(cursor);
    if (!number) return 0;
    return ToInt32(*number, FractionRule::RoundHalfToEven);
}

}  // namespace ostrilo
