#include <gtest/gtest.h>

#include <set>

#include "CreatureTestSupport.h"
#include "creatures/blobEgg.h"

namespace {

using EggTest = TCreatureTest;

TEST_F(EggTest, ConstructorDrawsTheSignBeforeTheRate) {
  std::set<int32_t> rates;
  for (uint32_t start : {1u, 2u, 99u, 5000u, 123456u, 4000000000u, 7u, 8u}) {
    RandSeed = start;
    TRefRandom ref(start);
    TBlobEgg egg;
    const int32_t sign = ref.Real() >= 0.5 ? 1 : -1;
    EXPECT_EQ(egg.WobbleRate, sign * ref.Next(4)) << start;
    EXPECT_EQ(RandSeed, ref.Seed);
    EXPECT_EQ(egg.Bonus, 0);
    EXPECT_FALSE(egg.Active);
    EXPECT_TRUE(SameXYZ(egg.Target, TXYZ{0, 100, 0}));
    rates.insert(egg.WobbleRate);
  }
  EXPECT_GE(rates.size(), 3u);
}

TEST_F(EggTest, WobbleWrapsAndGlowsComeFromTheRimOfTheWobblingCircle) {
  struct TCase {
    int32_t Rate;
    float StartAngle;
  };
  // Rate 0 never wobbles: the circle sits 2 units to +X for ever.
  const TCase cases[] = {{0, 0}, {3, 355}, {-3, 2}, {1, 0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Rate);
    Engine->Clear();
    TBlobEgg egg;
    egg.Engine = Engine;
    egg.Position = {100, -50, 0};
    egg.WobbleRate = c.Rate;
    egg.WobbleAngle = c.StartAngle;
    egg.SetActive(true);
    float angle = c.StartAngle;
    for (int i = 0; i < 400; ++i) {
      const uint32_t seed = RandSeed;
      egg.Update();
      angle += float(c.Rate);
      if (angle > 360) angle -= 360;
      if (angle < 0) angle += 360;
      ASSERT_EQ(egg.WobbleAngle, angle);
      // Draws per step: rim, scale, and the three velocity components.
      ASSERT_EQ(DrawsBetween(seed, RandSeed), 5);
      const double rad = std::nearbyint(angle) * 3.14159265358979323846 / 180;
      const double cx = 100 + 2 * std::cos(rad), cy = -50 + 2 * std::sin(rad);
      TParticle* p = Engine->Particles->First();
      for (int k = 0; k < i; ++k) p = static_cast<TParticle*>(p->Next);
      ASSERT_NEAR(std::hypot(p->Position.X - cx, p->Position.Y - cy), 10, 1e-3);
      if (c.Rate == 0) {
        EXPECT_EQ(cx, 102);
      }
      ASSERT_GE(p->Scale, 8);
      ASSERT_LE(p->Scale, 17);
      ASSERT_GE(p->Velocity.X, -1);
      ASSERT_LT(p->Velocity.Z, 1);
    }
    EXPECT_FLOAT_EQ(egg.Radius, 10);
    EXPECT_EQ(Engine->LiveCount(), 400);
  }
}

TEST_F(EggTest, FertiliseBurstsAndAssignsABonusOnlyOnce) {
  TBlobEgg egg;
  egg.Engine = Engine;
  egg.Position = {-30, 40, 0};
  std::set<int> bonuses;
  for (int round = 0; round < 60; ++round) {
    egg.Bonus = bnNone;
    const uint32_t seed = RandSeed;
    egg.Fertilise();
    EXPECT_EQ(DrawsBetween(seed, RandSeed), 257);
    ASSERT_GE(egg.Bonus, 1);
    ASSERT_LE(egg.Bonus, 6);
    bonuses.insert(egg.Bonus);
    Engine->Clear();
  }
  EXPECT_EQ(bonuses.size(), 6u);

  egg.Bonus = bnSpeedLow;
  egg.Fertilise();
  EXPECT_EQ(egg.Bonus, bnSpeedLow);
  ASSERT_EQ(Engine->LiveCount(), 128);
  for (TParticle* p = Engine->Particles->First(); p; p = static_cast<TParticle*>(p->Next)) {
    ASSERT_NEAR(std::hypot(p->Position.X + 30, p->Position.Y - 40), 8, 1e-3);
    const double push = std::hypot(p->Velocity.X, p->Velocity.Y);
    ASSERT_NEAR(push, std::nearbyint(push), 1e-3);
    ASSERT_LE(push, 9.001);
    EXPECT_EQ(p->Life, 60);
  }
}

} // namespace
