#pragma once
#include <cstdint>

/// Scrambles the bits of s (an integer hash).
uint32_t seamColourMix(uint32_t s);

/// Advances the caller's state by one linear congruential step and returns
/// a float in [0, 1) made from the mix of the new state.
float seamColourRandom(uint32_t &state);
