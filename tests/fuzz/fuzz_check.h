#pragma once
// A broken property is a finding: name it, then abort so that libFuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

#define FUZZ_EXPECT(condition)                                                                                  \
    ((condition) ? void() : (std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition), \
                             std::abort()))
