#pragma once
#include <cstdint>

// The game's one random source: a 32-bit linear congruential generator that starts at 0 on
// every run, so every run builds the same arena and, given the same input, plays the same game.
// Every random draw of the game goes through these two functions; the order of draws matters.

extern uint32_t RandSeed;

// Advances the seed, then returns the upper 32 bits of N x seed (both unsigned): 0..N-1.
int32_t Random(int32_t N);
// Advances the seed, then returns seed x 2^-32: a real in [0, 1).
double Random();
