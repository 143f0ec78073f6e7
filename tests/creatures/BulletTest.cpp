#include <gtest/gtest.h>

#include "CreatureTestSupport.h"
#include "creatures/blobBullet.h"

namespace {

using BulletTest = TCreatureTest;

TBlobBullet* Fire(TBlobBullet& Bullet, TParticleEngine2* Engine, TXYZ From, int32_t Bearing) {
  Bullet.Engine = Engine;
  Bullet.ResetFrameCount();
  Bullet.Position = From;
  Bullet.Target = CosSinTable[Bearing];
  Bullet.SetActive(true);
  return &Bullet;
}

TEST_F(BulletTest, BurstsOnlyWhenStrictlyOutsideAndAtTheClampedPoint) {
  struct TCase {
    const char* Name;
    TXYZ Start;
    int32_t Bearing;
    int FlyingSteps; // updates that still move and draw it
    TXYZ BurstAt;
  };
  const TCase cases[] = {
      // Exactly on the edge is inside: it flies on once, then bursts back on the edge.
      {"on the right edge", {800, 0, 0}, 0, 1, {800, 0, 0}},
      {"on the bottom edge", {0, -550, 0}, 270, 1, {0, -550, 0}},
      // Crossing the edge: drawn once outside, then clamped and burst.
      {"crossing", {790, 100, 0}, 0, 2, {800, 100, 0}},
      // Past a corner on both axes: clamped on both, bursts at the corner.
      {"corner", {797, 547, 0}, 45, 1, {800, 550, 0}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Engine->Clear();
    TBlobBullet bullet;
    Fire(bullet, Engine, c.Start, c.Bearing);
    for (int i = 0; i < c.FlyingSteps; ++i) {
      bullet.Update();
      ASSERT_TRUE(bullet.Active) << i;
    }
    EXPECT_EQ(Engine->LiveCount(), 0);
    const uint32_t seed = RandSeed;
    bullet.Update();
    EXPECT_FALSE(bullet.Active);
    EXPECT_EQ(bullet.FrameCount, c.FlyingSteps);
    EXPECT_NEAR(bullet.Position.X, c.BurstAt.X, 1e-3);
    EXPECT_NEAR(bullet.Position.Y, c.BurstAt.Y, 1e-3);
    // Twenty sparks of four draws each: size, speed, life, direction.
    EXPECT_EQ(DrawsBetween(seed, RandSeed), 80);
    ASSERT_EQ(Engine->LiveCount(), 20);
    for (TParticle* p = Engine->Particles->First(); p; p = static_cast<TParticle*>(p->Next)) {
      EXPECT_NEAR(p->Position.X, c.BurstAt.X, 1e-3);
      EXPECT_NEAR(p->Position.Y, c.BurstAt.Y, 1e-3);
      EXPECT_EQ(p->Kind, 1);
      EXPECT_NEAR(std::hypot(p->Velocity.X, p->Velocity.Y), 10, 1e-3);
    }
    // Once burst it stays where it burst.
    bullet.Update();
    EXPECT_EQ(Engine->LiveCount(), 20);
  }
}

TEST_F(BulletTest, SparkDrawsFollowTheirOrder) {
  TBlobBullet bullet;
  Fire(bullet, Engine, {801, 0, 0}, 0);
  RandSeed = 777;
  TRefRandom ref(777);
  bullet.Update();
  TParticle* p = Engine->Particles->First();
  ASSERT_NE(p, nullptr);
  const int32_t size = ref.Next(2) + 1;
  const double speed = ref.Real() + 0.1;
  const int32_t life = ref.Next(16) + 16;
  const int32_t direction = ref.Next(360);
  EXPECT_EQ(p->Size, size);
  EXPECT_FLOAT_EQ(p->Speed, float(speed));
  EXPECT_EQ(p->Life, life);
  EXPECT_FLOAT_EQ(p->Velocity.X, CosSinTable[direction].X * 10);
  EXPECT_FLOAT_EQ(p->Velocity.Y, CosSinTable[direction].Y * 10);
}

} // namespace
