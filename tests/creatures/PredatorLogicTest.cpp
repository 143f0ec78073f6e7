// Pool record, kind table, going into play, eggs, steering, trail and the kind-2 brood.
#include <algorithm>
#include <set>

#include "PredatorTestWorld.h"

namespace {
int CountAlive(const TPredatorList& List) {
  return int(std::count_if(List.begin(), List.end(), [](auto* p) { return p->Alive; }));
}
} // namespace

TEST_F(PredatorTest, KindTableAndTheStaleRadiusAndPointsOfKindSix) {
  const int32_t points[] = {0, 1, 10, 100, 1000, 250};
  for (uint8_t kind = 1; kind <= 5; ++kind) {
    TBlobPredator p;
    p.SetKind(TPredatorKind(kind));
    EXPECT_EQ(p.Radius, 20) << int(kind);
    EXPECT_EQ(p.Points, points[kind]) << int(kind);
    EXPECT_FALSE(p.Alive);
  }
  TBlobPredator fresh, former;
  fresh.SetKind(pdPincer);
  EXPECT_EQ(fresh.Radius, 10);
  EXPECT_EQ(fresh.Points, 0);
  former.SetKind(pdJelly);
  former.SetKind(pdPincer);
  EXPECT_EQ(former.Radius, 20);
  EXPECT_EQ(former.Points, 1000);
}

TEST_F(PredatorTest, GoingIntoPlayPreparesOnlyKindsOneAndThree) {
  Snake.Position = {-33, 44, 0};
  TBlobPredator& eater = *Predators[0];
  eater.SetKind(pdSpiral);
  eater.SetAlive(true);
  EXPECT_EQ(eater.Target.Y, 44) << "no egg in play: the snake is the target";

  TBlobPredator& chain = *Predators[1];
  chain.Position = {70, -80, 0};
  chain.Trail[10] = {1, 2, 3, 45};
  chain.SetKind(pdChain);
  chain.SetAlive(true);
  for (const TTrailPoint& t : chain.Trail) EXPECT_TRUE(t.X == 70 && t.Y == -80 && t.Angle == 0);

  TBlobPredator& sphere = *Predators[2];
  sphere.Trail[10] = {1, 2, 3, 45};
  sphere.SetKind(pdSpikySphere);
  sphere.SetAlive(true);
  EXPECT_EQ(sphere.Trail[10].Angle, 45);
}

TEST_F(PredatorTest, IdleOrKindZeroPredatorNeitherMovesNorDrawsAndKillOnlyReports) {
  for (const auto& [kind, alive] :
       {std::pair{0, true}, std::pair{0, false}, std::pair{2, false}, std::pair{3, false}}) {
    TBlobPredator& p = *Predators[10];
    p.SetKind(TPredatorKind(kind));
    p.Alive = alive;
    p.Position = {10, 20, 0};
    p.Fade = 0.5f;
    p.Trail[0] = {1, 1, 0, 7};
    int killed = 0;
    p.OnKilled = [&](TBlobPredator* sender) { killed += sender == &p; };
    const uint32_t seed = RandSeed;
    for (int i = 0; i < 5; ++i) p.Update();
    p.Kill();
    EXPECT_EQ(killed, 1) << kind << alive;
    EXPECT_TRUE(p.Position.X == 10 && p.Position.Y == 20 && p.Trail[0].Angle == 7);
    EXPECT_EQ(p.Fade, 0.5f) << "no fade-in and no death effect";
    EXPECT_EQ(RandSeed, seed) << "nothing drawn, no particles asked for";
    EXPECT_EQ(CountAlive(Predators), alive ? 1 : 0) << "an idle kind 2 brings in no brood";
    p.Alive = false;
  }
}

TEST_F(PredatorTest, FadeReachesOneOnTheTwoHundredAndFirstUpdateAndStays) {
  TBlobPredator& p = Spawn(0, pdPincer, {0, 0, 0}, {0, 0, 0});
  for (int i = 0; i < 200; ++i) p.Update();
  EXPECT_LT(p.Fade, 1.0f);
  EXPECT_GT(p.Fade, 0.999f);
  p.Update();
  EXPECT_EQ(p.Fade, 1.0f);
  p.Update();
  EXPECT_EQ(p.Fade, 1.0f);
}

TEST_F(PredatorTest, ChooseEggTargetPicksAnEggInPlayElseTheSnake) {
  TBlobPredator& p = *Predators[0];
  Snake.Position = {12, 34, 0};
  TEggList empty;
  for (TEggList* list : {&Eggs, &empty, static_cast<TEggList*>(nullptr)}) {
    p.Eggs = list;
    p.Target = {};
    p.ChooseEggTarget();
    EXPECT_TRUE(p.Target.X == 12 && p.Target.Y == 34);
  }
  p.Eggs = &Eggs;
  Eggs[3]->SetActive(true);
  Eggs[6]->SetActive(true);
  std::set<float> seen;
  for (int i = 0; i < 40; ++i) {
    p.ChooseEggTarget();
    seen.insert(p.Target.X);
  }
  EXPECT_EQ(seen, (std::set<float>{Eggs[3]->Position.X, Eggs[6]->Position.X}));

  // A list longer than the nine choice slots must not run past them.
  std::vector<std::unique_ptr<TBlobEgg>> store;
  TEggList many;
  for (int i = 0; i < 20; ++i) {
    store.push_back(std::make_unique<TBlobEgg>());
    store.back()->Position = {float(i), 0, 0};
    store.back()->SetActive(true);
    many.push_back(store.back().get());
  }
  p.Eggs = &many;
  for (int i = 0; i < 50; ++i) {
    p.ChooseEggTarget();
    EXPECT_LT(p.Target.X, 9.0f);
  }
}

TEST_F(PredatorTest, FindTouchingEggReturnsTheFirstEggInPlayWithinTheSquaredRadii) {
  TBlobPredator& p = *Predators[0];
  p.Radius = 3;
  struct Case {
    std::vector<int> Active;
    std::vector<std::pair<int, TXYZ>> Places;
    int32_t Expected;
  } const cases[] = {
      {{}, {{2, {0, 0, 0}}}, -1},                    // none in play
      {{2, 5}, {{2, {1, 1, 0}}, {5, {0, 0, 0}}}, 2}, // two touching: the first in the list
      {{5}, {{2, {0, 0, 0}}, {5, {2, 0, 0}}}, 5},    // out of play is skipped
      {{1}, {{1, {5, 0, 0}}}, -1},                   // 25 is not below 9 + 16
      {{1}, {{1, {4.9f, 0, 0}}}, 1},                 // just inside
      {{1}, {{1, {0, 0, 90}}}, 1},                   // height is ignored
  };
  for (const Case& c : cases) {
    for (TBlobEgg* egg : Eggs) {
      egg->SetActive(false);
      egg->Radius = 4;
      egg->Position = {300, 300, 0};
    }
    for (const auto& [index, place] : c.Places) Eggs[index]->Position = place;
    for (int index : c.Active) Eggs[index]->SetActive(true);
    EXPECT_EQ(p.FindTouchingEgg(), c.Expected) << &c - cases;
  }
}

TEST_F(PredatorTest, KindOneEatsOneTouchingEggPerStepAndReportsIt) {
  TBlobPredator& p = Spawn(0, pdSpiral, {0, 0, 0}, {500, 0, 0});
  p.Fade = 0.8f;
  Eggs[1]->Position = {3, 0, 0};
  Eggs[4]->Position = {-3, 2, 0};
  for (int i : {1, 4, 6}) Eggs[i]->SetActive(true);
  int eaten = 0;
  p.OnEggEaten = [&](TBlobPredator* sender) { eaten += sender == &p; };
  p.Update();
  EXPECT_EQ(eaten, 1);
  EXPECT_FALSE(Eggs[1]->Active);
  EXPECT_TRUE(Eggs[4]->Active) << "only the first touching egg goes in one step";
  EXPECT_EQ(p.Fade, 0) << "the eater flashes dark";
  p.Update();
  p.Update();
  EXPECT_EQ(eaten, 2);
  EXPECT_FALSE(Eggs[4]->Active);
  EXPECT_TRUE(Eggs[6]->Active) << "an egg out of reach stays";

  TBlobPredator& other = Spawn(1, pdJelly, {-3, 2, 0}, {0, 0, 0});
  Eggs[4]->SetActive(true);
  other.Update();
  EXPECT_TRUE(Eggs[4]->Active) << "only kind 1 eats";
}

TEST_F(PredatorTest, EachKindRunsAtItsSpeedAndOnlyKindOneKeepsItsTarget) {
  const float speeds[] = {0, 1, 0.2f, 2, 1, 2, 2};
  for (uint8_t kind = 1; kind <= 6; ++kind) {
    Snake.Position = {400, 0, 0};
    TBlobPredator& p = Spawn(kind, TPredatorKind(kind), {0, 0, 0}, {400, 0, 0});
    p.Update();
    EXPECT_FLOAT_EQ(p.Position.X, speeds[kind]) << int(kind);
    Snake.Position = {-250, 90, 0};
    p.Update();
    EXPECT_EQ(p.Target.X, kind == 1 ? 400 : -250) << int(kind);
  }
}

TEST_F(PredatorTest, TurnsTwoDegreesTheShorterWayAndMovesOnTheNewCourse) {
  struct Case {
    int32_t Course;
    int32_t Bearing;
    int32_t Expected;
    bool Settled;
  };
  for (const Case c : {
           Case{0, 180, 2, false},    // straight behind: counter-clockwise
           Case{0, 270, 358, false},  // clockwise, wrapping below 0
           Case{90, 45, 88, false},   // clockwise
           Case{358, 10, 360, false}, // counter-clockwise onto 360, which stays
           Case{360, 2, 2, false},    // 362 wraps to 2
           Case{360, 0, 360, false},  // differ, yet no turn: runs along +X unsettled
           Case{0, 0, 0, true},       // already on the bearing: settles
       }) {
    Snake.Position = {300 * CosSinTable[c.Bearing].X, 300 * CosSinTable[c.Bearing].Y, 0};
    TBlobPredator& p = Spawn(0, pdChain, {0, 0, 0}, {0, 0, 0});
    p.Turning = true;
    p.Course = c.Course;
    p.Update();
    EXPECT_EQ(p.Course, c.Expected) << "from " << c.Course << " to " << c.Bearing;
    EXPECT_EQ(p.Turning, !c.Settled) << "from " << c.Course << " to " << c.Bearing;
    EXPECT_NEAR(p.Position.X, 2 * CosSinTable[c.Expected].X, 1e-5);
    EXPECT_NEAR(p.Position.Y, 2 * CosSinTable[c.Expected].Y, 1e-5);
  }
}

TEST_F(PredatorTest, SettlesOnlyInTheStepAfterTheTurnThenRunsStraightAndRecordsItsTrail) {
  Snake.Position = {0, 100, 0};
  TBlobPredator& p = Spawn(0, pdChain, {0, 0, 0}, {0, 0, 0});
  p.Course = 88;
  p.Sway = 7;
  const float expectedY[] = {2, 4, 6, 6};
  const bool expectedTurning[] = {true, false, false, true};
  for (int step = 0; step < 4; ++step) {
    if (step == 3) Snake.Position = {50, 100, 0}; // a moved target: turn, standing still
    const TTrailPoint newest = p.Trail[0];
    p.Update();
    EXPECT_EQ(p.Course, 90) << step;
    EXPECT_NEAR(p.Position.Y, expectedY[step], 1e-5) << step;
    EXPECT_EQ(p.Turning, expectedTurning[step]) << step;
    EXPECT_EQ(p.Trail[0].Y, p.Position.Y);
    EXPECT_EQ(p.Trail[0].Angle, 97) << "course plus sway";
    EXPECT_EQ(p.Trail[1].Y, newest.Y);
  }
}

TEST_F(PredatorTest, RunningPastTheTargetStartsATurnAndKindOnePicksAnEgg) {
  TBlobPredator& p = Spawn(0, pdSpiral, {0, 0, 0}, {0.4f, 0, 0});
  p.Turning = false;
  p.SettledTarget = p.Target;
  Eggs[3]->SetActive(true);
  p.Update();
  EXPECT_NEAR(p.Position.X, 1, 1e-6) << "ran straight past";
  EXPECT_TRUE(p.Turning);
  EXPECT_TRUE(p.Target.X == Eggs[3]->Position.X && p.Target.Y == Eggs[3]->Position.Y);
}

TEST_F(PredatorTest, DyingKindTwoBringsInUpToFiveIdleSlotsFromAnywhereInTheList) {
  // Idle slots on both sides of the parent (slot 20), listed out of order on purpose.
  const std::vector<int> idleOrder = {30, 2, 45, 7, 11, 40, 33, 49};
  for (size_t idle : {0u, 1u, 3u, 5u, 8u}) {
    for (TBlobPredator* q : Predators) {
      q->SetKind(pdDart);
      q->Alive = true;
    }
    std::vector<int> idleSlots(idleOrder.begin(), idleOrder.begin() + idle);
    for (int s : idleSlots) Predators[s]->Alive = false;
    std::sort(idleSlots.begin(), idleSlots.end());
    Snake.Position = {123, -45, 0};
    TBlobPredator& parent = *Predators[20];
    parent.SetKind(pdSpikySphere);
    parent.Position = {60, 70, 0};
    parent.Kill();
    EXPECT_TRUE(parent.Alive) << "the world takes the parent out of play, not Kill";

    const size_t brood = std::min<size_t>(idle, 5);
    for (size_t i = 0; i < idleSlots.size(); ++i) {
      const TBlobPredator& c = *Predators[idleSlots[i]];
      EXPECT_EQ(c.Alive, i < brood) << "slot " << idleSlots[i] << " of " << idle;
      if (i >= brood) continue;
      EXPECT_EQ(c.Kind, pdPincer);
      EXPECT_TRUE(c.Position.X == 60 && c.Position.Y == 70) << "at the parent";
      EXPECT_TRUE(c.Target.X == 123 && c.Target.Y == -45) << "aiming at the snake";
      EXPECT_TRUE(c.Radius == 20 && c.Points == 250) << "the slot's stale radius and points";
    }
    EXPECT_EQ(CountAlive(Predators), PoolSize - int(idle) + int(brood));
  }
}
