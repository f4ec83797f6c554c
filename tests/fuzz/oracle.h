// The fuzz targets' oracle check: a broken expectation aborts, which
// libFuzzer reports as a finding with the input that broke it.
#pragma once
#include <stdio.h>
#include <stdlib.h>

#define CHECK(condition)                                                                  \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            fprintf(stderr, "oracle: %s (%s:%d)\n", #condition, __FILE__, __LINE__);      \
            abort();                                                                      \
        }                                                                                 \
    } while (0)
