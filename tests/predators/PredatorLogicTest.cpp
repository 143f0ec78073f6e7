// Pool record, kind table, going into play, eggs, steering, trail and the kind-2 brood.
#include <algorithm>
#include <cmath>
#include <set>

#include "PredatorTestWorld.h"

namespace {

uint32_t NextSeed(uint32_t Seed) {
  return Seed * 134775813u + 1u;
}

} // namespace

TEST_F(PredatorTest, ConstructionSetsDefaultsAndDrawsOneRandomNumber) {
  RandSeed = 777;
  TBlobPredator p;
  EXPECT_EQ(RandSeed, NextSeed(777)) << "the wobble step is the only draw";
  EXPECT_GE(p.WobbleStep, 0.5f);
  EXPECT_LT(p.WobbleStep, 4.5f);
  EXPECT_EQ(p.Kind, 0);
  EXPECT_FALSE(p.Alive);
  EXPECT_TRUE(p.Turning);
  EXPECT_EQ(p.Radius, 10);
  EXPECT_EQ(p.Points, 0);
  EXPECT_EQ(p.Speed, 1);
  EXPECT_EQ(p.Target.Y, 100);
  EXPECT_EQ(p.Pulse, 0.75f);
  EXPECT_EQ(p.PulseStep, 0.0051f);
  EXPECT_EQ(p.SwayStep, 0.25f);
  EXPECT_EQ(p.Fade, 0);
  EXPECT_EQ(p.Course, 0);
  EXPECT_TRUE(p.Spikes.empty());
  EXPECT_EQ(p.Engine, nullptr);
}

TEST_F(PredatorTest, KindTableSetsRadiusAndPointsExceptForKindsZeroAndSix) {
  struct Row {
    uint8_t Kind;
    float Radius;
    int32_t Points;
  };
  for (const Row row :
       {Row{1, 20, 1}, Row{2, 20, 10}, Row{3, 20, 100}, Row{4, 20, 1000}, Row{5, 20, 250}}) {
    TBlobPredator p;
    p.SetKind(row.Kind);
    EXPECT_EQ(p.Kind, row.Kind);
    EXPECT_EQ(p.Radius, row.Radius) << int(row.Kind);
    EXPECT_EQ(p.Points, row.Points) << int(row.Kind);
    EXPECT_FALSE(p.Alive) << "SetKind does not put a predator into play";
  }

  TBlobPredator fresh;
  fresh.SetKind(6);
  EXPECT_EQ(fresh.Radius, 10);
  EXPECT_EQ(fresh.Points, 0);

  TBlobPredator former;
  former.SetKind(4);
  former.SetKind(6);
  EXPECT_EQ(former.Radius, 20);
  EXPECT_EQ(former.Points, 1000);
  former.SetKind(0);
  EXPECT_EQ(former.Radius, 20);
  EXPECT_EQ(former.Points, 1000);
}

TEST_F(PredatorTest, GoingIntoPlayPreparesOnlyKindsOneAndThree) {
  Snake.Position = {-33, 44, 0};
  TBlobPredator& eater = *Predators[0];
  eater.SetKind(1);
  eater.SetAlive(true);
  EXPECT_TRUE(eater.Alive);
  EXPECT_EQ(eater.Target.X, -33) << "no egg in play: the snake is the target";
  EXPECT_EQ(eater.Target.Y, 44);

  TBlobPredator& chain = *Predators[1];
  chain.Position = {70, -80, 0};
  chain.Trail[10] = {1, 2, 3, 45};
  chain.SetKind(3);
  chain.SetAlive(true);
  for (const TTrailPoint& t : chain.Trail) {
    EXPECT_EQ(t.X, 70);
    EXPECT_EQ(t.Y, -80);
    EXPECT_EQ(t.Angle, 0);
  }

  TBlobPredator& sphere = *Predators[2];
  sphere.Trail[10] = {1, 2, 3, 45};
  sphere.Target = {5, 6, 0};
  const uint32_t seed = RandSeed;
  sphere.SetKind(2);
  sphere.SetAlive(true);
  EXPECT_EQ(sphere.Trail[10].Angle, 45);
  EXPECT_EQ(sphere.Target.X, 5);
  EXPECT_EQ(RandSeed, seed);

  chain.SetAlive(false);
  EXPECT_FALSE(chain.Alive);
  EXPECT_EQ(chain.Trail[0].X, 70) << "leaving play keeps the fields";
}

TEST_F(PredatorTest, IdleOrKindZeroPredatorNeitherMovesNorDrawsAndKillOnlyReports) {
  struct Case {
    uint8_t Kind;
    bool Alive;
  };
  for (const Case c : {Case{0, true}, Case{0, false}, Case{2, false}, Case{3, false}}) {
    TBlobPredator& p = *Predators[10];
    p.SetKind(c.Kind);
    p.Alive = c.Alive;
    p.Position = {10, 20, 0};
    p.Fade = 0.5f;
    p.Course = 90;
    p.Trail[0] = {1, 1, 0, 7};
    int killed = 0;
    p.OnKilled = [&](TBlobPredator* sender) {
      EXPECT_EQ(sender, &p);
      ++killed;
    };
    const uint32_t seed = RandSeed;
    for (int i = 0; i < 5; ++i) p.Update();
    p.Kill();
    EXPECT_EQ(killed, 1) << int(c.Kind) << " " << c.Alive;
    EXPECT_EQ(p.Position.X, 10);
    EXPECT_EQ(p.Position.Y, 20);
    EXPECT_EQ(p.Course, 90);
    EXPECT_EQ(p.Fade, 0.5f) << "no fade-in and no death effect";
    EXPECT_EQ(p.Trail[0].Angle, 7);
    EXPECT_EQ(RandSeed, seed) << "nothing drawn, no particles asked for";
    const int alive = int(std::count_if(Predators.begin(), Predators.end(),
                                        [](const TBlobPredator* q) { return q->Alive; }));
    EXPECT_EQ(alive, c.Alive ? 1 : 0) << "an idle kind 2 brings in no brood";
    p.Alive = false;
    p.OnKilled = nullptr;
  }
}

TEST_F(PredatorTest, FadeReachesOneOnTheTwoHundredAndFirstUpdateAndStays) {
  TBlobPredator& p = Spawn(0, 6, {0, 0, 0}, {0, 0, 0});
  for (int i = 0; i < 200; ++i) p.Update();
  EXPECT_LT(p.Fade, 1.0f);
  EXPECT_GT(p.Fade, 0.999f);
  p.Update();
  EXPECT_EQ(p.Fade, 1.0f);
  for (int i = 0; i < 30; ++i) p.Update();
  EXPECT_EQ(p.Fade, 1.0f);
}

TEST_F(PredatorTest, ChooseEggTargetPicksOnlyEggsInPlayElseTheSnake) {
  TBlobPredator& p = *Predators[0];
  Snake.Position = {12, 34, 0};

  p.ChooseEggTarget();
  EXPECT_EQ(p.Target.X, 12) << "every egg out of play";
  EXPECT_EQ(p.Target.Y, 34);

  TEggList empty;
  p.Eggs = &empty;
  p.Target = {};
  p.ChooseEggTarget();
  EXPECT_EQ(p.Target.X, 12) << "empty egg list";
  p.Eggs = nullptr;
  p.Target = {};
  p.ChooseEggTarget();
  EXPECT_EQ(p.Target.X, 12) << "no egg list at all";
  p.Eggs = &Eggs;

  Eggs[3]->SetActive(true);
  Eggs[6]->SetActive(true);
  std::set<float> seen;
  for (int i = 0; i < 60; ++i) {
    p.ChooseEggTarget();
    EXPECT_TRUE(p.Target.X == Eggs[3]->Position.X || p.Target.X == Eggs[6]->Position.X)
        << p.Target.X;
    EXPECT_EQ(p.Target.Y, 300);
    seen.insert(p.Target.X);
  }
  EXPECT_EQ(seen.size(), 2u) << "both eggs in play get picked";
}

TEST_F(PredatorTest, ChooseEggTargetKeepsToNineChoicesWithALongerList) {
  // The world has eight eggs; a longer list must not run past the nine choice slots.
  std::vector<std::unique_ptr<TBlobEgg>> extra;
  TEggList many;
  for (int i = 0; i < 20; ++i) {
    extra.push_back(std::make_unique<TBlobEgg>());
    extra.back()->Position = {float(i), 0, 0};
    extra.back()->SetActive(true);
    many.push_back(extra.back().get());
  }
  TBlobPredator& p = *Predators[0];
  p.Eggs = &many;
  for (int i = 0; i < 100; ++i) {
    p.ChooseEggTarget();
    EXPECT_LT(p.Target.X, 9.0f);
  }
  p.Eggs = &Eggs;
}

TEST_F(PredatorTest, FindTouchingEggReturnsFirstEggInPlayWithinTheSquaredRadii) {
  TBlobPredator& p = *Predators[0];
  p.Position = {0, 0, 0};
  p.Radius = 3;
  for (TBlobEgg* egg : Eggs) egg->Radius = 4;

  struct Case {
    const char* Name;
    std::vector<int> Active;
    std::vector<std::pair<int, TXYZ>> Places;
    int32_t Expected;
  };
  const std::vector<Case> cases = {
      {"none in play", {}, {{2, {0, 0, 0}}}, -1},
      {"two touching: the first in the list", {2, 5}, {{2, {1, 1, 0}}, {5, {0, 0, 0}}}, 2},
      {"out of play is skipped", {5}, {{2, {0, 0, 0}}, {5, {2, 0, 0}}}, 5},
      {"squared distance equal to the sum does not touch", {1}, {{1, {5, 0, 0}}}, -1},
      {"just inside touches", {1}, {{1, {4.9f, 0, 0}}}, 1},
      {"height is ignored", {1}, {{1, {0, 0, 90}}}, 1},
  };
  for (const Case& c : cases) {
    for (TBlobEgg* egg : Eggs) {
      egg->SetActive(false);
      egg->Position = {300, 300, 0};
    }
    for (const auto& [index, place] : c.Places) Eggs[index]->Position = place;
    for (int index : c.Active) Eggs[index]->SetActive(true);
    EXPECT_EQ(p.FindTouchingEgg(), c.Expected) << c.Name;
  }
}

TEST_F(PredatorTest, KindOneEatsOneTouchingEggPerStepAndReportsIt) {
  TBlobPredator& p = Spawn(0, 1, {0, 0, 0}, {500, 0, 0});
  p.Fade = 0.8f;
  Eggs[1]->Position = {3, 0, 0};
  Eggs[4]->Position = {-3, 2, 0};
  Eggs[1]->SetActive(true);
  Eggs[4]->SetActive(true);
  Eggs[6]->SetActive(true);
  int eaten = 0;
  p.OnEggEaten = [&](TBlobPredator* sender) {
    EXPECT_EQ(sender, &p);
    ++eaten;
  };

  p.Update();
  EXPECT_EQ(eaten, 1);
  EXPECT_FALSE(Eggs[1]->Active);
  EXPECT_TRUE(Eggs[4]->Active) << "only the first touching egg goes in one step";
  EXPECT_EQ(p.Fade, 0) << "the eater flashes dark";

  p.Update();
  EXPECT_EQ(eaten, 2);
  EXPECT_FALSE(Eggs[4]->Active);
  EXPECT_TRUE(Eggs[6]->Active) << "an egg out of reach stays";
  p.Update();
  EXPECT_EQ(eaten, 2);

  // Other kinds never eat.
  TBlobPredator& other = Spawn(1, 4, {-3, 2, 0}, {0, 0, 0});
  Eggs[4]->SetActive(true);
  other.Update();
  EXPECT_TRUE(Eggs[4]->Active);
}

TEST_F(PredatorTest, EveryKindRunsAtItsOwnSpeedAndOnlyKindOneKeepsItsTarget) {
  struct Row {
    uint8_t Kind;
    float Speed;
  };
  int slot = 0;
  for (const Row row : {Row{1, 1}, Row{2, 0.2f}, Row{3, 2}, Row{4, 1}, Row{5, 2}, Row{6, 2}}) {
    Snake.Position = {400, 0, 0};
    TBlobPredator& p = Spawn(slot++, row.Kind, {0, 0, 0}, {400, 0, 0});
    p.Course = 0;
    p.Update();
    EXPECT_FLOAT_EQ(p.Speed, row.Speed) << int(row.Kind);
    EXPECT_FLOAT_EQ(p.Position.X, row.Speed) << int(row.Kind);
    EXPECT_NEAR(p.Position.Y, 0, 1e-5) << int(row.Kind);

    Snake.Position = {-250, 90, 0};
    p.Update();
    if (row.Kind == 1) {
      EXPECT_EQ(p.Target.X, 400) << "kind 1 keeps the point it was given";
    } else {
      EXPECT_EQ(p.Target.X, -250) << int(row.Kind) << " re-aims at the snake";
      EXPECT_EQ(p.Target.Y, 90) << int(row.Kind);
    }
  }
}

TEST_F(PredatorTest, TurnsTwoDegreesTheShorterWayAndWraps) {
  struct Case {
    int32_t Course;
    TXYZ SnakeAt;
    int32_t Expected;
  };
  const float c10 = 100 * std::cos(10 * 3.14159265f / 180),
              s10 = 100 * std::sin(10 * 3.14159265f / 180);
  const float c2 = 100 * std::cos(2 * 3.14159265f / 180),
              s2 = 100 * std::sin(2 * 3.14159265f / 180);
  for (const Case c : {
           Case{0, {-100, 0, 0}, 2},      // straight behind: counter-clockwise
           Case{0, {0, -100, 0}, 358},    // clockwise past 0
           Case{90, {100, 100, 0}, 88},   // bearing 45
           Case{358, {c10, s10, 0}, 360}, // counter-clockwise onto 360, which stays
           Case{360, {c2, s2, 0}, 2},     // 362 wraps to 2
           Case{180, {-100, 0, 0}, 180},  // on the bearing: no turn
       }) {
    TBlobPredator& p = Spawn(0, 3, {0, 0, 0}, {0, 0, 0});
    p.Turning = true;
    p.Course = c.Course;
    Snake.Position = c.SnakeAt;
    p.Update();
    EXPECT_EQ(p.Course, c.Expected) << "from " << c.Course;
    // The move uses the course after the turn, at full speed.
    EXPECT_NEAR(p.Position.X, 2 * CosSinTable[c.Expected].X, 1e-5);
    EXPECT_NEAR(p.Position.Y, 2 * CosSinTable[c.Expected].Y, 1e-5);
  }
}

TEST_F(PredatorTest, CourseThreeSixtyAgainstBearingZeroMakesNoTurnAndDoesNotSettle) {
  Snake.Position = {300, 0, 0};
  TBlobPredator& p = Spawn(0, 3, {0, 0, 0}, {0, 0, 0});
  p.Course = 360;
  p.Update();
  EXPECT_EQ(p.Course, 360) << "no turn is made";
  EXPECT_TRUE(p.Turning) << "360 differs from 0, so the step does not settle";
  EXPECT_NEAR(p.Position.X, 2, 1e-6) << "runs along +X at full speed";
  EXPECT_NEAR(p.Position.Y, 0, 1e-6);

  // The same run with course 0 settles on its first step.
  TBlobPredator& q = Spawn(1, 3, {0, 0, 0}, {0, 0, 0});
  q.Course = 0;
  q.Update();
  EXPECT_FALSE(q.Turning);
  EXPECT_EQ(q.SettledTarget.X, 300);
}

TEST_F(PredatorTest, ATurnOntoTheBearingSettlesOnlyInTheNextStep) {
  Snake.Position = {0, 100, 0};
  TBlobPredator& p = Spawn(0, 3, {0, 0, 0}, {0, 0, 0});
  p.Course = 88;
  p.Update();
  EXPECT_EQ(p.Course, 90);
  EXPECT_TRUE(p.Turning);
  EXPECT_NEAR(p.Position.Y, 2, 1e-5);

  p.Update();
  EXPECT_FALSE(p.Turning);
  EXPECT_EQ(p.SettledTarget.Y, 100);
  EXPECT_NEAR(p.Position.Y, 4, 1e-5) << "settling still moves at full speed";

  p.Update();
  EXPECT_FALSE(p.Turning) << "straight on while the target stays put and gets nearer";
  EXPECT_NEAR(p.Position.Y, 6, 1e-5) << "one move per step, not two";

  // The snake moves: the predator starts a turn and stands still for that step.
  Snake.Position = {50, 100, 0};
  p.Update();
  EXPECT_TRUE(p.Turning);
  EXPECT_NEAR(p.Position.Y, 6, 1e-5);
  EXPECT_EQ(p.Course, 90);
}

TEST_F(PredatorTest, RunningPastTheTargetStartsATurnAndKindOnePicksAnEgg) {
  TBlobPredator& p = Spawn(0, 1, {0, 0, 0}, {0.4f, 0, 0});
  p.Course = 0;
  p.Turning = false;
  p.SettledTarget = p.Target;
  Eggs[3]->SetActive(true);
  p.Update();
  EXPECT_NEAR(p.Position.X, 1, 1e-6) << "ran straight past";
  EXPECT_TRUE(p.Turning);
  EXPECT_EQ(p.Target.X, Eggs[3]->Position.X) << "new egg target";
  EXPECT_EQ(p.Target.Y, Eggs[3]->Position.Y);

  // A snake hunter overshooting the (still) snake just turns again.
  Snake.Position = {0.5f, 0, 0};
  TBlobPredator& q = Spawn(1, 5, {0, 0, 0}, {0, 0, 0});
  q.Course = 0;
  q.Turning = false;
  q.SettledTarget = Snake.Position;
  q.Update();
  EXPECT_TRUE(q.Turning);
  EXPECT_EQ(q.Target.X, 0.5f);
}

TEST_F(PredatorTest, TrailShiftsByOneAndRecordsPositionWithCoursePlusSway) {
  Snake.Position = {0, 400, 0};
  TBlobPredator& p = Spawn(0, 5, {10, 20, 0}, {0, 0, 0});
  for (int k = 0; k < 65; ++k) p.Trail[k] = {float(k), float(-k), 0, float(k * 2)};
  p.Course = 90;
  p.Sway = 7;
  p.Update();
  EXPECT_NEAR(p.Trail[0].X, p.Position.X, 1e-6);
  EXPECT_EQ(p.Trail[0].Y, p.Position.Y);
  EXPECT_EQ(p.Trail[0].Angle, float(p.Course) + 7);
  for (int k = 1; k < 65; ++k) {
    EXPECT_EQ(p.Trail[k].X, float(k - 1)) << k;
    EXPECT_EQ(p.Trail[k].Angle, float((k - 1) * 2)) << k;
  }
}

TEST_F(PredatorTest, KindTwoSwayInheritedBeyondItsBoundsStaysThere) {
  TBlobPredator& p = Spawn(0, 2, {0, 0, 0}, {0, 0, 0});
  p.Sway = 50;
  for (int i = 0; i < 40; ++i) {
    p.Update();
    EXPECT_NEAR(p.Sway, 50, 0.5f);
  }
  TBlobPredator& q = Spawn(1, 2, {0, 0, 0}, {0, 0, 0});
  for (int i = 0; i < 400; ++i) {
    q.Update();
    EXPECT_LE(std::fabs(q.Sway), 20.0f);
  }
}

TEST_F(PredatorTest, DyingKindTwoBringsInUpToFiveIdleSlotsFromAnywhereInTheList) {
  // Idle slots on both sides of the parent (slot 20), listed out of order on purpose.
  const std::vector<int> idleOrder = {30, 2, 45, 7, 11, 40, 33, 49};
  for (size_t idle : {0u, 1u, 3u, 5u, 8u}) {
    for (TBlobPredator* q : Predators) {
      q->SetKind(5);
      q->Alive = true;
      q->Position = {-700, -500, 0};
    }
    std::vector<int> idleSlots(idleOrder.begin(), idleOrder.begin() + idle);
    for (int s : idleSlots) Predators[s]->Alive = false;
    std::sort(idleSlots.begin(), idleSlots.end());

    Snake.Position = {123, -45, 0};
    TBlobPredator& parent = *Predators[20];
    parent.SetKind(2);
    parent.Position = {60, 70, 0};
    int killed = 0;
    parent.OnKilled = [&](TBlobPredator*) { ++killed; };
    parent.Kill();
    parent.OnKilled = nullptr;
    EXPECT_EQ(killed, 1);
    EXPECT_TRUE(parent.Alive) << "the world takes the parent out of play, not Kill";
    EXPECT_EQ(parent.Kind, 2);

    const size_t brood = std::min<size_t>(idle, 5);
    for (size_t i = 0; i < idleSlots.size(); ++i) {
      const TBlobPredator& child = *Predators[idleSlots[i]];
      if (i < brood) {
        EXPECT_TRUE(child.Alive) << "slot " << idleSlots[i] << " of " << idle;
        EXPECT_EQ(child.Kind, 6);
        EXPECT_EQ(child.Position.X, 60);
        EXPECT_EQ(child.Position.Y, 70);
        EXPECT_EQ(child.Target.X, 123);
        EXPECT_EQ(child.Target.Y, -45);
        EXPECT_EQ(child.Radius, 20) << "kind 6 keeps the slot's radius";
        EXPECT_EQ(child.Points, 250) << "and its points";
      } else {
        EXPECT_FALSE(child.Alive) << "slot " << idleSlots[i] << " beyond the fifth";
      }
    }
    const int alive = int(std::count_if(Predators.begin(), Predators.end(),
                                        [](const TBlobPredator* q) { return q->Alive; }));
    EXPECT_EQ(alive, PoolSize - int(idle) + int(brood));
  }
}

TEST_F(PredatorTest, OnlyKindTwoLeavesABroodAndEveryDeathDarkens) {
  for (uint8_t kind : {1, 3, 4, 5, 6}) {
    for (TBlobPredator* q : Predators) q->Alive = false;
    TBlobPredator& p = Spawn(0, kind, {0, 0, 0}, {0, 0, 0});
    p.Fade = 1;
    p.Kill();
    EXPECT_EQ(p.Fade, 0) << int(kind);
    const int alive = int(std::count_if(Predators.begin(), Predators.end(),
                                        [](const TBlobPredator* q) { return q->Alive; }));
    EXPECT_EQ(alive, 1) << int(kind);
  }
}
