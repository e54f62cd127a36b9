// Registry data as any type and bytes: a text ends at most one zero early, a number is its
// bytes as hex from the last, any other type is empty; no data, no value.
#include <cstdint>
#include <string>

#include "config/registry_value_text.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const ostrilo::platform::RegistryValue value{data[0] % 8u, std::vector<std::uint8_t>(data + 1, data + size)};
    const auto text = ostrilo::RegistryValueText(value);
    FUZZ_EXPECT(text.has_value() == !value.data.empty());
    if (!text) return 0;
    const std::size_t kept = value.data.size() - (value.data.back() == 0);
    if (value.type == 1) FUZZ_EXPECT(*text == std::string(value.data.begin(), value.data.begin() + kept));
    else if (value.type == 4) FUZZ_EXPECT(text->size() == 2 + 2 * kept && text->compare(0, 2, "&h") == 0);
    else FUZZ_EXPECT(text->empty());
    return 0;
}
