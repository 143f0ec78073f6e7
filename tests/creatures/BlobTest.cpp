#include <gtest/gtest.h>

#include "creatures/blob.h"

namespace {

TEST(BlobTest, BaseRecordStartsOutOfPlayAndSetActiveTouchesNothingElse) {
  TBlob blob;
  EXPECT_FALSE(blob.Active);
  EXPECT_EQ(blob.Engine, nullptr);
  EXPECT_EQ(blob.Radius, 0);
  EXPECT_EQ(blob.Points, 0);
  EXPECT_FALSE(bool(blob.OnArrive));
  blob.Position = {1, 2, 3};
  blob.Radius = 4;
  blob.SetActive(false);
  blob.SetActive(true);
  EXPECT_TRUE(blob.Active);
  EXPECT_TRUE(SameXYZ(blob.Position, TXYZ{1, 2, 3}));
  EXPECT_EQ(blob.Radius, 4);
  blob.FrameCount = 9;
  blob.ResetFrameCount();
  EXPECT_EQ(blob.FrameCount, 0);
}

TEST(BlobTest, MoveTravelsInTheXZPlaneAndFiresArrivalAtMostOncePerCall) {
  struct TCase {
    const char* Name;
    float Heading, Speed;
    TXYZ Start, Target;
    TXYZ End;
    int Fired;
  };
  const TCase cases[] = {
      {"standing still far away", 0, 0, {5, 5, 5}, {100, 0, 100}, {5, 5, 5}, 0},
      {"standing on the target", 0, 0, {5, 5, 5}, {5, 5, 5}, {5, 5, 5}, 0},
      {"heading +X, short of it", 0, 2, {0, 7, 0}, {50, 7, 0}, {2, 7, 0}, 0},
      {"heading +X past it in X and Z",
       45,
       10,
       {0, 0, 0},
       {1, 0, 1},
       {7.0710678f, 0, 7.0710678f},
       1},
      {"heading +Z, within reach", 90, 1, {0, 0, 0}, {0, 0, 3}, {0, 0, 1}, 1},
      {"heading -X, passed it", 180, 3, {0, 0, 0}, {-1, 0, 0}, {-3, 0, 0}, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBlob blob;
    blob.Heading = c.Heading;
    blob.Speed = c.Speed;
    blob.Position = c.Start;
    blob.Target = c.Target;
    blob.Move(); // unassigned event: never fails
    int fired = 0;
    blob.Position = c.Start;
    blob.OnArrive = [&](TBlob* Sender) {
      EXPECT_EQ(Sender, &blob);
      ++fired;
    };
    blob.Move();
    EXPECT_EQ(fired, c.Fired);
    EXPECT_NEAR(blob.Position.X, c.End.X, 1e-4);
    EXPECT_NEAR(blob.Position.Y, c.End.Y, 1e-4);
    EXPECT_NEAR(blob.Position.Z, c.End.Z, 1e-4);
  }
}

TEST(BlobTest, PushTrailPutsTheNewestFirstAndDropsTheOldest) {
  TTrailPoint trail[4];
  for (int i = 0; i < 6; ++i) PushTrail(trail, {float(i), float(-i), 0, float(10 * i)});
  // After six pushes into four places: 5, 4, 3, 2, newest first; 0 and 1 are gone.
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(trail[k].X, float(5 - k)) << k;
    EXPECT_EQ(trail[k].Y, float(k - 5)) << k;
    EXPECT_EQ(trail[k].Angle, float(10 * (5 - k))) << k;
  }
  TTrailPoint single[1];
  PushTrail(single, {7, 8, 9, 1});
  EXPECT_TRUE(single[0].X == 7 && single[0].Z == 9 && single[0].Angle == 1);
}

} // namespace
