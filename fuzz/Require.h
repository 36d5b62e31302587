#pragma once
// A property the fuzzed code must keep. Breaking it is a finding, like a sanitizer's.
#include <cstdio>
#include <cstdlib>

inline void Require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}
