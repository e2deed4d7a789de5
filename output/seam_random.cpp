#include "seam_random.h"
#include <cstring>

uint32_t seamColourMix(uint32_t s) {
    uint32_t x = s + ~(s << 16);
    x ^= x >> 5;
    x *= 9u;
    x ^= x >> 13;
    x += ~(x << 9);
    x ^= x >> 17;
    return x;
}

float seamColourRandom(uint32_t &state) {
    state = state * 1664525u + 1013904223u;
    // A float in [1, 2) with the mixed bits as its mantissa, less 1.
    uint32_t bits = (seamColourMix(state) & 0x7FFFFFu) | 0x3F800000u;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f - 1.0f;
}
