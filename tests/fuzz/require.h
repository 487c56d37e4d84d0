// An invariant of a fuzz target: breaking it aborts, which libFuzzer reports
// as a crash with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define REQUIRE(condition)                                                              \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__, \
                         __LINE__);                                                     \
            std::abort();                                                               \
        }                                                                               \
    } while (0)
