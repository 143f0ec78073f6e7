#include <gtest/gtest.h>

#include "CreatureTestSupport.h"
#include "creatures/blobMutantSperm.h"

namespace {

class MutantSpermTest : public TCreatureTest {
protected:
  TBlobEgg EggA, EggB;
  TEggList Eggs{&EggA, &EggB};
  TBlobMutantSperm Sperm;

  void SetUp() override {
    TCreatureTest::SetUp();
    for (TBlobEgg* egg : Eggs) {
      egg->Engine = Engine;
      egg->Radius = 10;
      egg->SetActive(true);
    }
    Sperm.Engine = Engine;
    Sperm.Eggs = &Eggs;
  }

  void Launch(TXYZ From, TBlobEgg& Egg) {
    Sperm.TargetEgg = &Egg;
    Sperm.Position = From;
    Sperm.ResetTrail();
    Sperm.Target = Egg.Position;
    Sperm.SetSwimming(true);
  }
};

TEST_F(MutantSpermTest, FreshSpermIsNeverMovedOrDrawn) {
  TBlobMutantSperm fresh;
  fresh.Engine = Engine;
  fresh.Eggs = &Eggs;
  EXPECT_FALSE(fresh.Swimming);
  EXPECT_TRUE(fresh.Turning);
  EXPECT_EQ(fresh.WiggleStep, 12);
  EXPECT_TRUE(SameXYZ(fresh.Target, TXYZ{0, 100, 0}));
  const uint32_t seed = RandSeed;
  for (int i = 0; i < 10; ++i) fresh.Update();
  EXPECT_EQ(RandSeed, seed);
  EXPECT_EQ(Engine->LiveCount(), 0);
  EXPECT_TRUE(SameXYZ(fresh.Position, TXYZ{}));
  EXPECT_EQ(fresh.WiggleAngle, 0);
  EXPECT_EQ(GLTestContext::Get().CountLit(0, 0, 1023, 767, 10), 0);
}

TEST_F(MutantSpermTest, SwimsAtFixedSpeedAndFertilisesItsEgg) {
  EggA.Position = {60, 80, 0};
  EggB.SetActive(false);
  Launch({0, 0, 0}, EggA);
  int steps = 0;
  while (Sperm.Swimming && steps < 2000) {
    const TXYZ before = Sperm.Position;
    Sperm.Update();
    ++steps;
    ASSERT_NEAR(std::hypot(Sperm.Position.X - before.X, Sperm.Position.Y - before.Y), 0.75, 1e-4);
  }
  EXPECT_FALSE(Sperm.Swimming);
  EXPECT_LT(steps, 400);
  EXPECT_LT(std::hypot(Sperm.Position.X - 60, Sperm.Position.Y - 80), 10);
  EXPECT_GE(EggA.Bonus, 1);
  EXPECT_LE(EggA.Bonus, 6);
  EXPECT_EQ(EggB.Bonus, 0);
}

TEST_F(MutantSpermTest, FertilisesTheFirstEggItPassesAndStops) {
  // Its own egg lies far along +X; another one sits just beside the path.
  EggA.Position = {300, 0, 0};
  EggB.Position = {100, 6, 0};
  Sperm.Course = 0;
  Sperm.Turning = false;
  Sperm.SettledTarget = EggA.Position;
  Launch({0, 0, 0}, EggA);
  int steps = 0;
  while (Sperm.Swimming && steps < 1000) {
    Sperm.Update();
    ++steps;
  }
  EXPECT_FALSE(Sperm.Swimming);
  EXPECT_NE(EggB.Bonus, 0);
  EXPECT_EQ(EggA.Bonus, 0);
  // Stopped on the first step that came within the egg's radius.
  EXPECT_LT(DistanceSqXY(Sperm.Position, EggB.Position), 100);
  EXPECT_GE(std::hypot(Sperm.Position.X - 0.75f - 100, Sperm.Position.Y - 6), 10);
  // An egg already carrying a bonus keeps it, and the sperm still stops there.
  EggB.Bonus = bnSpeedMid;
  Launch({80, 6, 0}, EggB);
  steps = 0;
  while (Sperm.Swimming && steps < 1000) {
    Sperm.Update();
    ++steps;
  }
  EXPECT_FALSE(Sperm.Swimming);
  EXPECT_EQ(EggB.Bonus, 5);
}

TEST_F(MutantSpermTest, LoopsThroughAnEatenEggsPlaceUntilItsTimeRunsOut) {
  EggA.Position = {50, 50, 0};
  EggB.Position = {-700, -500, 0};
  Launch({0, 0, 0}, EggA);
  EggA.SetActive(false);
  int steps = 0;
  TPassCounter passes{.Near = 5, .Far = 20};
  while (Sperm.Swimming && steps < 5000) {
    Sperm.Update();
    ++steps;
    passes.See(std::hypot(Sperm.Position.X - 50, Sperm.Position.Y - 50));
  }
  EXPECT_EQ(steps, 1001);
  EXPECT_GE(passes.Passes, 3);
  EXPECT_EQ(EggA.Bonus, 0);
  EXPECT_EQ(EggB.Bonus, 0);
}

TEST_F(MutantSpermTest, ReachUsesOnlyTheEggRadiusAndSkipsEggsOutOfPlay) {
  struct TCase {
    const char* Name;
    TXYZ SpermAt;
    bool AActive, BActive;
    int32_t Expected;
  };
  EggA.Position = {0, 0, 0};
  EggB.Position = {5, 0, 0};
  const TCase cases[] = {
      {"both in reach: first in list", {3, 0, 0}, true, true, 0},
      {"first out of play", {3, 0, 0}, false, true, 1},
      {"exactly on the rim is out", {10, 0, 0}, true, false, -1},
      {"just inside", {9.99f, 0, 0}, true, false, 0},
      {"Z is ignored", {3, 0, 500}, true, false, 0},
      {"none in play", {3, 0, 0}, false, false, -1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EggA.SetActive(c.AActive);
    EggB.SetActive(c.BActive);
    Sperm.Position = c.SpermAt;
    EXPECT_EQ(Sperm.FindEggInReach(), c.Expected);
  }
  TBlobMutantSperm lone;
  EXPECT_EQ(lone.FindEggInReach(), -1);
}

} // namespace
