#pragma once
#include <cstdint>

// The game's generator written out again from its definition (seed := seed x 134775813 + 1, the
// integer draw is the upper half of n x seed), so tests can predict draws without the code under
// test.
struct TRefRandom {
  uint32_t Seed = 0;
  TRefRandom() = default;
  explicit TRefRandom(uint32_t Start) : Seed(Start) {}
  int32_t Next(int32_t N) {
    Step();
    return int32_t((uint64_t(uint32_t(N)) * Seed) >> 32);
  }
  double Real() {
    Step();
    return Seed / 4294967296.0;
  }
  void Skip(int Count) {
    for (int i = 0; i < Count; ++i) Step();
  }

private:
  void Step() { Seed = Seed * 134775813u + 1u; }
};

// How many draws took the generator from Before to After (up to Limit), or -1.
inline int DrawsBetween(uint32_t Before, uint32_t After, int Limit = 100000) {
  TRefRandom r(Before);
  for (int n = 0; n <= Limit; ++n) {
    if (r.Seed == After) return n;
    r.Skip(1);
  }
  return -1;
}
