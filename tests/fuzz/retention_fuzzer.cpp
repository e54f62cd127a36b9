// Day-file names as a folder listing may give them: only bare names of ten characters before
// the extension are day files, and their age is counted without overflow.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "logging/log_retention.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const ostrilo::platform::LocalDateTime today{input.ConsumeIntegralInRange(1601, 30827),
                                                 input.ConsumeIntegralInRange(1, 12),
                                                 input.ConsumeIntegralInRange(1, 31), 0, 0, 0};
    const std::string name = input.ConsumeRemainingBytesAsString();
    const auto dayFile = ostrilo::ReadDayFile(name, ".Log", today);
    if (!dayFile) return 0;
    FUZZ_EXPECT(dayFile->upperBaseName.size() == 10 && name.size() >= 14);
    FUZZ_EXPECT(name.find_first_of("\\/:") == std::string::npos);
    FUZZ_EXPECT(dayFile->ageInDays <= std::int64_t{30827} * 365 + 12 * 30 + 31);
    return 0;
}
