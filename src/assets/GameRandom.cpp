#include "assets/GameRandom.h"

uint32_t RandSeed = 0;

static uint32_t NextSeed() {
  RandSeed = RandSeed * 134775813u + 1u;
  return RandSeed;
}

int32_t Random(int32_t N) {
  const uint64_t product = uint64_t(uint32_t(N)) * NextSeed();
  return int32_t(uint32_t(product >> 32));
}

double Random() {
  return double(NextSeed()) * (1.0 / 4294967296.0);
}
