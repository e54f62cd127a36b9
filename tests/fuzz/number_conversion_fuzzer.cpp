// The text-to-number conversions on any bytes: an integer text reads the same as a number,
// and every number read comes back from its own decimal and "&h" texts.
#include <cstdint>
#include <cstdio>
#include <string>

#include "config/number_conversion.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto whole = ostrilo::WholeTextToNumber(text);
    const auto integer = ostrilo::WholeTextToInteger(text);
    const auto leading = ostrilo::LeadingNumberOf(text);
    FUZZ_EXPECT(!integer || integer == whole);
    for (const auto& number : {whole, leading}) {
        if (!number) continue;
        char hex[16];
        std::snprintf(hex, sizeof hex, "&h%X", static_cast<std::uint32_t>(*number));
        FUZZ_EXPECT(ostrilo::WholeTextToNumber(std::to_string(*number)) == number);
        FUZZ_EXPECT(ostrilo::WholeTextToNumber(hex) == number);
        FUZZ_EXPECT(ostrilo::LeadingNumberOf(std::to_string(*number) + "x") == number);
    }
    return 0;
}
