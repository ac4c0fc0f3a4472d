#pragma once

#include <cassert>

// A primitive called when it must not be (no current image, no active stroke): an assertion in
// debug builds, nothing at all in release builds; never a write out of place.
#define TARVO_EXPECT(cond)   \
    do {                     \
        assert(cond);        \
        if (!(cond)) return; \
    } while (false)

#define TARVO_EXPECT_OR(cond, value) \
    do {                             \
        assert(cond);                \
        if (!(cond)) return value;   \
    } while (false)
