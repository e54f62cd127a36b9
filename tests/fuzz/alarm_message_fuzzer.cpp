// A bridge library's buffer and count as it may lie about them: the alarm never exceeds the
// buffer, never holds a line break, and keeps every other byte in order.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "supervision/alarm_message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto count = input.ConsumeIntegral<std::int16_t>();
    const std::string buffer = input.ConsumeRemainingBytesAsString();
    const std::string alarm = ostrilo::CleanAlarmMessage(buffer.data(), count, buffer.size());
    std::string expected = buffer.substr(0, count > 0 ? static_cast<std::size_t>(count) : 0);
    expected.erase(std::remove_if(expected.begin(), expected.end(), [](char c) { return c == '\r' || c == '\n'; }),
                   expected.end());
    FUZZ_EXPECT(alarm == expected);
    return 0;
}
