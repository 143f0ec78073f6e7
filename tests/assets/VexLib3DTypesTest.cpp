#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "assets/GameRandom.h"
#include "assets/VexLib3DTypes.h"

TEST(GameRandom, FirstDrawsFromSeedZeroFollowTheFormula) {
  RandSeed = 0;
  // Seed 0 -> 1: Random(1600) = (1600 * 1) >> 32 = 0.
  EXPECT_EQ(Random(1600), 0);
  EXPECT_EQ(RandSeed, 1u);
  // 1 * 134775813 + 1 = 134775814; 1600 * 134775814 = 215641302400; >> 32 = 50.
  EXPECT_EQ(Random(1600), 50);
  EXPECT_EQ(RandSeed, 134775814u);
  // 134775814 * 134775813 + 1 mod 2^32 = 3698175007 (worked out independently).
  const uint64_t expected = (uint64_t(134775814u) * 134775813u + 1u) & 0xFFFFFFFFu;
  EXPECT_EQ(expected, 3698175007u);
  EXPECT_DOUBLE_EQ(Random(), 3698175007.0 / 4294967296.0);
  EXPECT_EQ(RandSeed, 3698175007u);
}

TEST(GameRandom, SeedWrapsModulo2To32) {
  RandSeed = 0xFFFFFFFFu;
  // -1 * 134775813 + 1 = 2^32 - 134775812 = 4160191484; 10 * that >> 32 = 9.
  EXPECT_EQ(Random(10), 9);
  EXPECT_EQ(RandSeed, 4160191484u);
  RandSeed = 0;
}

TEST(VectorMath, ClampXYAndInsideXY) {
  TXYZ v{-900, 600, 7};
  EXPECT_TRUE(ClampXY(v, -800, 800, -550, 550));
  EXPECT_EQ(v.X, -800);
  EXPECT_EQ(v.Y, 550);
  EXPECT_EQ(v.Z, 7);
  TXYZ inside{10, -20, 3};
  EXPECT_FALSE(ClampXY(inside, -800, 800, -550, 550));
  EXPECT_EQ(inside.X, 10);
  EXPECT_EQ(inside.Y, -20);
  EXPECT_TRUE(InsideXY({800, -550, 0}, -800, 800, -550, 550));
  EXPECT_FALSE(InsideXY({800.001f, 0, 0}, -800, 800, -550, 550));
  EXPECT_FALSE(InsideXY({0, -550.5f, 0}, -800, 800, -550, 550));
}

TEST(VectorMath, BounceTurnsBackBeforeTheWall) {
  float p = 55, d = 3;
  Bounce(p, d, -60, 60);
  EXPECT_EQ(p, 55);
  EXPECT_EQ(d, -3);
  // A flap step of 5 holds each extreme for two steps: ..., 45, 50, 50, 45, ...
  float angle = 40, step = 5;
  std::vector<float> seen;
  for (int i = 0; i < 4; ++i) {
    Bounce(angle, step, -60, 60);
    seen.push_back(angle);
  }
  EXPECT_EQ(seen, (std::vector<float>{45, 50, 50, 45}));
}

TEST(VectorMath, BearingToTable) {
  struct Case {
    float x1, y1, x2, y2;
    int32_t bearing;
  } cases[] = {
      {0, 0, 10, 0, 0},     {0, 0, -10, 0, 180},  {0, 0, 0, 10, 90},     {0, 0, 0, -10, 270},
      {0, 0, 0, 0, 0},      {0, 0, 10, 10, 45},   {0, 0, -10, -10, 225}, {0, 0, 1000, -1, 360},
      {0, 0, -10, 10, 135}, {0, 0, 10, -10, 315}, {5, 5, 6, 7, 63},      {100, 0, 0, 1, 179},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BearingTo(c.x1, c.y1, c.x2, c.y2), c.bearing)
        << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
}

TEST(VectorMath, BearingToRoundsTiesToEven) {
  // atan(tan(22.5 deg)) is not exactly representable, so use a case whose angle is an exact .5:
  // none exists for finite floats, so check the rounding helper directly instead.
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
}

TEST(VectorMath, WrapAngleCorrectsOnce) {
  struct Case {
    int32_t in, out;
  } cases[] = {{361, 1}, {360, 360}, {-1, 359}, {-361, -1}, {-400, -40}, {800, 440}, {0, 0}};
  for (const Case& c : cases) EXPECT_EQ(WrapAngle(c.in), c.out) << c.in;
  EXPECT_EQ(WrapAngleF(363.5f), 3.5f);
  EXPECT_EQ(WrapAngleF(-3), 357);
  EXPECT_EQ(WrapAngleF(360), 360);
}

TEST(VectorMath, TurnDirectionTable) {
  struct Case {
    int32_t from, to, dir;
  } cases[] = {{10, 20, -1}, {20, 10, 1}, {350, 10, -1}, {10, 350, 1}, {0, 180, -1}, {90, 90, 0},
               {360, 0, 0},  {0, 360, 1}, {180, 0, -1},  {90, 271, 1}, {90, 270, -1}};
  for (const Case& c : cases)
    EXPECT_EQ(TurnDirection(c.from, c.to), c.dir) << c.from << "->" << c.to;
}

TEST(VectorMath, FadeAndScale) {
  TXYZ r;
  FadeXYZ({0.03f, 0.5f, 1}, r, 0.05f);
  EXPECT_EQ(r.X, 0);
  EXPECT_FLOAT_EQ(r.Y, 0.45f);
  EXPECT_FLOAT_EQ(r.Z, 0.95f);
  SetScaledXYZ(r, 0, 0.6f, 0.6f, 0.5f);
  EXPECT_FLOAT_EQ(r.Y, 0.3f);
  TXYZ s;
  AddXYZ({1, 2, 3}, {4, 5, 6}, s);
  EXPECT_TRUE(SameXYZ(s, {5, 7, 9}));
  EXPECT_FALSE(SameXYZ(s, {5, 7, 9.0001f}));
}

TEST(VectorMath, RandomXYZDrawsThreeNumbersEvenForEmptyRanges) {
  RandSeed = 0;
  TXYZ r;
  RandomXYZ({3, 4, 5}, {3, 4, 5}, r);
  EXPECT_TRUE(SameXYZ(r, {3, 4, 5}));
  uint32_t seed = 0;
  for (int i = 0; i < 3; ++i) seed = seed * 134775813u + 1u;
  EXPECT_EQ(RandSeed, seed);

  // Components are drawn X, Y, Z from the seed just advanced each time.
  RandSeed = 0;
  RandomXYZ({-500, -500, 0}, {500, 500, 0}, r);
  uint32_t s = 0;
  s = s * 134775813u + 1u;
  const float x = -500.0f + float((uint64_t(1000) * s) >> 32);
  s = s * 134775813u + 1u;
  const float y = -500.0f + float((uint64_t(1000) * s) >> 32);
  EXPECT_EQ(r.X, x);
  EXPECT_EQ(r.Y, y);
  EXPECT_EQ(r.Z, 0);
  for (int i = 0; i < 2000; ++i) {
    RandomXYZ({-500, -500, 0}, {500, 500, 0}, r);
    ASSERT_GE(r.X, -500);
    ASSERT_LE(r.X, 499);
    ASSERT_GE(r.Y, -500);
    ASSERT_LE(r.Y, 499);
    ASSERT_EQ(r.Z, 0);
  }
  RandSeed = 0;
}

TEST(VectorMath, DistancesAreSquaredAndTableIsFilled) {
  EXPECT_EQ(DistanceSqXY({0, 0, 100}, {3, 4, -50}), 25);
  EXPECT_EQ(DistanceSqXYZ({0, 0, 0}, {3, 4, 12}), 169);
  EXPECT_EQ(CosSinTable[0].X, 1);
  EXPECT_EQ(CosSinTable[90].X, float(cosl(3.14159265358979323846L / 2)));
  EXPECT_EQ(CosSinTable[90].Y, 1);
  EXPECT_EQ(CosSinTable[180].X, -1);
  EXPECT_EQ(CosSinTable[360].X, 1);
  EXPECT_NEAR(CosSinTable[360].Y, 0, 1e-6);
  EXPECT_FLOAT_EQ(CosSinTable[60].X, 0.5f);
  for (const TXYZ& e : CosSinTable) EXPECT_EQ(e.Z, 0);
  float x = 0, y = 0;
  PolarToXY(x, y, 90, 2);
  EXPECT_NEAR(x, 0, 1e-6);
  EXPECT_FLOAT_EQ(y, 2);
}

// The game's own sine and cosine must give, once rounded to single as the game uses them, the
// same bits as an accurate C library (glibc's long double functions reduce the argument exactly),
// so the direction table and every PolarToXY result stay what they were; other platforms then
// get those same bits from the game's code.
#ifdef __GLIBC__
TEST(VectorMath, GameSinCosRoundLikeAnAccurateLibrary) {
  constexpr long double Pi = 3.14159265358979323846L;
  auto bitsOf = [](float F) {
    uint32_t u;
    std::memcpy(&u, &F, 4);
    return u;
  };
  for (int i = 0; i <= 360; ++i) {
    const long double a = i * Pi / 180.0L;
    ASSERT_EQ(bitsOf(CosSinTable[i].X), bitsOf(float(cosl(a)))) << "cos " << i;
    ASSERT_EQ(bitsOf(CosSinTable[i].Y), bitsOf(float(sinl(a)))) << "sin " << i;
  }
  // The zeros of sine and cosine, where a short pi goes wrong: tiny, not zero, and exact.
  EXPECT_NE(CosSinTable[180].Y, 0);
  EXPECT_EQ(CosSinTable[180].Y, 2 * CosSinTable[90].X);

  // Angles as the creatures use them (hundredths of degrees, then a spread of magnitudes
  // including negative ones and whole turns), scaled like a speed.
  uint32_t seed = 12345;
  int mismatches = 0;
  for (int k = 0; k < 400000; ++k) {
    seed = seed * 134775813u + 1;
    float angle = float(int32_t(seed % 144000) - 72000) / 100.0f;
    if (k % 3 == 1) angle = std::ldexp(float(seed >> 9) / float(1 << 23), int(seed % 40) - 20);
    if (k % 3 == 2) angle = float(int32_t(seed % 41) - 20) * 90.0f;
    const float distance = float((seed >> 7) % 2000) / 7.0f;
    float x = 0, y = 0;
    PolarToXY(x, y, angle, distance);
    const long double a = angle * Pi / 180.0L;
    if (bitsOf(x) != bitsOf(float(cosl(a) * distance)) ||
        bitsOf(y) != bitsOf(float(sinl(a) * distance)))
      ++mismatches;
  }
  EXPECT_EQ(mismatches, 0);

  // Beyond the reduced range the library takes over.
  EXPECT_EQ(GameSin(1e7L), sinl(1e7L));
  EXPECT_EQ(GameCos(-3e9L), cosl(-3e9L));
}
#endif
