#include <gtest/gtest.h>

#include "CreatureTestSupport.h"
#include "creatures/blobPlankton.h"

namespace {

using PlanktonTest = TCreatureTest;

TEST_F(PlanktonTest, ConstructorDrawsInItsOrder) {
  RandSeed = 4242;
  TRefRandom ref(4242);
  TBlobPlankton plankton;
  const float tx = float(ref.Next(1000) - 500), ty = float(ref.Next(1000) - 500);
  EXPECT_EQ(ref.Next(0), 0); // Z has an empty range but still draws
  const float px = float(ref.Next(1000) - 500), py = float(ref.Next(1000) - 500);
  ref.Next(0);
  const float flap = float(ref.Next(4) + 2);
  const float speed = float(ref.Real() * 0.5 + 0.1);
  const int32_t timer = ref.Next(1000) + 500;
  EXPECT_EQ(plankton.Target.X, tx);
  EXPECT_EQ(plankton.Target.Y, ty);
  EXPECT_EQ(plankton.Position.X, px);
  EXPECT_EQ(plankton.Position.Y, py);
  EXPECT_EQ(plankton.FlapStep, flap);
  EXPECT_FLOAT_EQ(plankton.Speed, speed);
  EXPECT_EQ(plankton.Timer, timer);
  EXPECT_EQ(RandSeed, ref.Seed);
  EXPECT_TRUE(plankton.Turning);
  EXPECT_TRUE(plankton.Active);
  EXPECT_FLOAT_EQ(plankton.Radius, 10);
  EXPECT_EQ(plankton.Points, 0);
  EXPECT_EQ(plankton.Engine, nullptr);
}

TEST_F(PlanktonTest, FeelersSwingAndHoldEachExtremeForTwoSteps) {
  TBlobPlankton plankton;
  plankton.FlapStep = 5;
  plankton.FlapAngle = 0;
  std::vector<float> seen;
  for (int i = 0; i < 52; ++i) {
    plankton.Update();
    seen.push_back(plankton.FlapAngle);
  }
  std::vector<float> expected;
  for (int a = 5; a <= 50; a += 5) expected.push_back(float(a));
  for (int a = 50; a >= -50; a -= 5) expected.push_back(float(a));
  for (int a = -50; a <= 50 && expected.size() < 52; a += 5) expected.push_back(float(a));
  EXPECT_EQ(seen, expected);
}

TEST_F(PlanktonTest, TurnsOneDegreeAtFullSpeedAndSettlesOnItsPoint) {
  TBlobPlankton plankton;
  plankton.Position = {0, 0, 0};
  plankton.Target = {0, 200, 0};
  plankton.Course = 0;
  plankton.Turning = true;
  plankton.Speed = 0.5f;
  plankton.Timer = 100000;
  int steps = 0;
  TXYZ lastStart;
  while (plankton.Turning && steps < 200) {
    const TXYZ before = plankton.Position;
    lastStart = before;
    const float course = plankton.Course;
    plankton.Update();
    ++steps;
    EXPECT_LE(std::fabs(plankton.Course - course), 1.0f);
    EXPECT_NEAR(std::hypot(plankton.Position.X - before.X, plankton.Position.Y - before.Y), 0.5,
                1e-4);
  }
  // A quarter circle of radius 0.5 / (1 degree) takes it right of the line, so it settles on the
  // bearing from where it then stood, about 99 degrees.
  EXPECT_FALSE(plankton.Turning);
  EXPECT_EQ(plankton.Course, float(RefBearing(lastStart.X, lastStart.Y, 0, 200)));
  EXPECT_GT(plankton.Course, 95);
  EXPECT_TRUE(SameXYZ(plankton.SettledTarget, plankton.Target));
  // Keeps looping back through its point for ever, in loops of bounded size.
  TPassCounter passes{.Near = 3, .Far = 10};
  for (int i = 0; i < 5000; ++i) {
    plankton.Update();
    const double d = std::hypot(plankton.Position.X, plankton.Position.Y - 200);
    if (passes.Passes > 0) {
      ASSERT_LT(d, 80);
    }
    passes.See(d);
  }
  EXPECT_GE(passes.Passes, 5);
}

} // namespace
