#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace ostrilo::fuzz {

// A broken property is a finding: say which one and on what, then abort so that
// libFuzzer keeps the input as a crash.
[[noreturn]] inline void PropertyBroken(const char* property, std::string_view detail, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, property);
    std::string printable;
    for (const char c : detail) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            printable += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            printable += escaped;
        }
    }
    std::fprintf(stderr, "  on: \"%s\"\n", printable.c_str());
    std::abort();
}

}  // namespace ostrilo::fuzz

// Checks a property of the code under test; `detail` names the input it failed on.
#define FUZZ_EXPECT(condition, detail)                                                   \
    do {                                                                                 \
        if (!(condition)) ::ostrilo::fuzz::PropertyBroken(#condition, (detail), __FILE__, __LINE__); \
    } while (false)
