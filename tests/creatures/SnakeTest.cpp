#include <gtest/gtest.h>

#include <cmath>

#include "CreatureTestSupport.h"
#include "creatures/blobSnake.h"

namespace {

// The snake's steering rules, written out independently of the game code: run straight while
// the target is settled, stand still one step on a new target, otherwise turn 2 degrees the
// shorter way at 0.6 of the speed; clamp to +-796 x +-546.
struct TRefSnake {
  float X = 0, Y = 0;
  int32_t Course = 0;
  bool Turning = false;
  float SettledX = 0, SettledY = 0;
  float Speed = 2.5f;

  void Step(float TX, float TY) {
    const double d0 = double(TX - X) * (TX - X) + double(TY - Y) * (TY - Y);
    const bool wasTurning = Turning;
    if (!wasTurning) {
      if (SettledX == TX && SettledY == TY) {
        X += CosSinTable[Course].X * Speed;
        Y += CosSinTable[Course].Y * Speed;
      } else {
        Turning = true;
      }
      if (double(TX - X) * (TX - X) + double(TY - Y) * (TY - Y) > d0) Turning = true;
    }
    if (wasTurning) {
      const int32_t b = RefBearing(X, Y, TX, TY);
      if (b == Course) {
        SettledX = TX;
        SettledY = TY;
        Turning = false;
      } else {
        const int32_t diff = Course < b ? b - Course : b - Course + 360;
        Course += diff <= 180 ? 2 : -2;
        if (Course > 360) Course -= 360;
        if (Course < 0) Course += 360;
      }
      const float step = Speed * 0.6f;
      X += CosSinTable[Course].X * step;
      Y += CosSinTable[Course].Y * step;
    }
    X = std::fmin(std::fmax(X, -796.0f), 796.0f);
    Y = std::fmin(std::fmax(Y, -546.0f), 546.0f);
  }
};

using SnakeTest = TCreatureTest;

TEST_F(SnakeTest, FirstStepOfAGameStandsStillThenTurnsCounterClockwiseAtOnePointFive) {
  TBlobSnake snake;
  snake.Engine = Engine;
  snake.Update();
  EXPECT_EQ(snake.Position.X, 0);
  EXPECT_EQ(snake.Position.Y, 0);
  EXPECT_TRUE(snake.Turning);
  EXPECT_EQ(snake.Course, 0);

  // From (0, 0) toward (0, 100) the bearing starts at 90: the course climbs by 2 each step while
  // the head moves 1.5 units along it, until the course meets the bearing.
  int32_t expectedCourse = 0;
  int steps = 0;
  while (snake.Turning && steps < 100) {
    const float x = snake.Position.X, y = snake.Position.Y;
    const int32_t bearing = RefBearing(x, y, 0, 100);
    snake.Update();
    ++steps;
    if (bearing != expectedCourse) expectedCourse += 2;
    ASSERT_EQ(snake.Course, expectedCourse) << "step " << steps;
    const double moved = std::hypot(snake.Position.X - x, snake.Position.Y - y);
    EXPECT_NEAR(moved, 1.5, 1e-4) << "step " << steps;
  }
  ASSERT_FALSE(snake.Turning);
  EXPECT_GT(steps, 10);
  // Settled: straight on at full speed.
  const float x = snake.Position.X, y = snake.Position.Y;
  snake.Update();
  EXPECT_NEAR(std::hypot(snake.Position.X - x, snake.Position.Y - y), 2.5, 1e-4);
  EXPECT_EQ(Engine->LiveCount(), steps + 2);
}

TEST_F(SnakeTest, FixedTargetLoopsThroughItAndMatchesTheRulesStepByStep) {
  TBlobSnake snake;
  TRefSnake ref;
  const float tx = 120, ty = -40;
  snake.Target = {tx, ty, 0};
  TPassCounter closePasses{.Near = 6, .Far = 30};
  double farthest = 0;
  for (int step = 1; step <= 3000; ++step) {
    snake.Update();
    ref.Step(tx, ty);
    ASSERT_EQ(snake.Course, ref.Course) << "step " << step;
    ASSERT_EQ(snake.Turning, ref.Turning) << "step " << step;
    ASSERT_FLOAT_EQ(snake.Position.X, ref.X) << "step " << step;
    ASSERT_FLOAT_EQ(snake.Position.Y, ref.Y) << "step " << step;
    const double d = std::hypot(snake.Position.X - tx, snake.Position.Y - ty);
    if (step > 300) farthest = std::fmax(farthest, d);
    closePasses.See(d);
  }
  // Once it has arrived it keeps running through the target in loops of bounded size.
  EXPECT_GE(closePasses.Passes, 10);
  EXPECT_LT(farthest, 150);
  EXPECT_GT(farthest, 30);
}

TEST_F(SnakeTest, CourseAndBearingAtTheZeroThreeSixtySeam) {
  struct TCase {
    const char* Name;
    int32_t Course;
    TXYZ Target;
    int32_t Courses[3];
    bool TurningAfter[3];
  };
  // Course 360 against bearing 0: no turn, never equal, crawls along +X at 0.6 of the speed.
  // Course 0 against bearing 360: turns clockwise to 358, back to 360, and settles there.
  // A target exactly behind turns counter-clockwise.
  const TCase cases[] = {
      {"360 vs 0", 360, {300, 0.3f, 0}, {360, 360, 360}, {true, true, true}},
      {"0 vs 360", 0, {300, -0.5f, 0}, {358, 360, 360}, {true, true, false}},
      {"behind", 0, {-300, 0, 0}, {2, 4, 6}, {true, true, true}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBlobSnake snake;
    snake.Course = c.Course;
    snake.Turning = true;
    snake.Target = c.Target;
    for (int i = 0; i < 3; ++i) {
      const float x = snake.Position.X;
      snake.Update();
      EXPECT_EQ(snake.Course, c.Courses[i]) << "step " << i;
      EXPECT_EQ(snake.Turning, c.TurningAfter[i]) << "step " << i;
      if (c.Course == 360) {
        EXPECT_FLOAT_EQ(snake.Position.X - x, 1.5f);
      }
    }
  }
}

TEST_F(SnakeTest, TargetMovedWhileRunningStraightCostsExactlyOneStandstill) {
  TBlobSnake snake;
  snake.Target = {0, 100, 0};
  snake.SettledTarget = snake.Target;
  snake.Course = 90;
  snake.Update();
  ASSERT_FALSE(snake.Turning);
  ASSERT_FLOAT_EQ(snake.Position.Y, 2.5f);

  snake.Target = {-100, 2.5f, 0};
  const TXYZ before = snake.Position;
  snake.Update();
  EXPECT_TRUE(SameXYZ(snake.Position, before));
  EXPECT_EQ(snake.Course, 90);
  EXPECT_TRUE(snake.Turning);

  snake.Update();
  EXPECT_EQ(snake.Course, 92);
  EXPECT_NEAR(std::hypot(snake.Position.X - before.X, snake.Position.Y - before.Y), 1.5, 1e-4);
}

TEST_F(SnakeTest, HeadIsHeldInsideTheWallAndTheTrailRepeatsTheClampedPoint) {
  struct TCase {
    TXYZ Start;
    int32_t Course;
    TXYZ Target;
    float WallX, WallY;
  };
  const TCase cases[] = {
      {{790, 10, 0}, 0, {800, 10, 0}, 796, 10},
      {{-20, -540, 0}, 270, {-20, -550, 0}, -20, -546},
  };
  for (const TCase& c : cases) {
    TBlobSnake snake;
    snake.Position = c.Start;
    snake.Course = c.Course;
    snake.Target = c.Target;
    snake.SettledTarget = c.Target;
    for (int i = 0; i < 10; ++i) snake.Update();
    EXPECT_FLOAT_EQ(snake.Position.X, c.WallX);
    EXPECT_FLOAT_EQ(snake.Position.Y, c.WallY);
    for (int i = 0; i < 5; ++i) {
      TXYZ p;
      snake.GetTrailPoint(i, p);
      EXPECT_FLOAT_EQ(p.X, c.WallX) << i;
      EXPECT_FLOAT_EQ(p.Y, c.WallY) << i;
    }
    // A request past either end of the trail is held to that end instead of reading beyond it.
    TXYZ low, high;
    snake.GetTrailPoint(-5, low);
    snake.GetTrailPoint(500, high);
    EXPECT_FLOAT_EQ(low.Y, snake.Trail[0].Y);
    EXPECT_FLOAT_EQ(high.Y, snake.Trail[128].Y);
  }
}

TEST_F(SnakeTest, ApplyBonusTable) {
  struct TCase {
    uint8_t Kind;
    int32_t Mode;
    float Speed;
  };
  // The snake starts from mode 2 and speed 2.7, so every change shows.
  const TCase cases[] = {{0, 2, 2.7f}, {1, 1, 2.7f}, {2, 2, 2.7f}, {3, 3, 2.7f},  {4, 2, 2.5f},
                         {5, 2, 2.7f}, {6, 2, 3.2f}, {7, 2, 2.7f}, {255, 2, 2.7f}};
  for (const TCase& c : cases) {
    TBlobSnake snake;
    snake.WeaponMode = wmTwoBullets;
    snake.Speed = 2.7f;
    if (c.Kind == bnSpeedMid) snake.Speed = 1;
    snake.ApplyBonus(TBonus(c.Kind));
    EXPECT_EQ(snake.WeaponMode, c.Mode) << int(c.Kind);
    EXPECT_FLOAT_EQ(snake.Speed, c.Speed) << int(c.Kind);
  }
}

} // namespace
