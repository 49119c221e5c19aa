#pragma once
// What a fuzz target asserts: a broken property aborts, which libFuzzer records as a
// crash and the replay test reports as a failed run.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                         \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            std::fprintf(stderr, "%s:%d: property broken: %s (%s)\n", __FILE__, __LINE__, \
                         #condition, what);                                                 \
            std::abort();                                                                   \
        }                                                                                   \
    } while (0)
