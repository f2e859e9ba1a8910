// Marks functions whose loops run over pixels and take no branch that
// depends on a file's content: fuzzing builds leave them without coverage
// hooks, which would cost most of a large picture's time there and find
// nothing.
#pragma once

#if defined(__clang__)
#define VX_PIXEL_LOOP __attribute__((no_sanitize("coverage")))
#else
#define VX_PIXEL_LOOP
#endif
