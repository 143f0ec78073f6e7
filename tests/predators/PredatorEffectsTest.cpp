// The particles a predator throws: the egg-eaten burst, the death bursts by kind, the per-frame
// thrust and sparks, and what happens when the engine's pool runs out.
#include <cmath>
#include <memory>

#include "PredatorTestWorld.h"
#include "assets/VexLib3D.h"
#include "particles/Particle.h"
#include "particles/ParticleEngine2.h"

namespace {

constexpr int PoolCapacity = 10000;

struct TTally {
  int Total = 0;
  int Rings = 0;
  int Sparks = 0;
};

bool SameColour(const TParticleColour& C, const TXYZ& Want) {
  return C.R == Want.X && C.G == Want.Y && C.B == Want.Z;
}

class PredatorEffectsTest : public PredatorTest {
protected:
  static void SetUpTestSuite() {
    GLTestContext::Get();
    Engine = new TParticleEngine2();
  }
  static void TearDownTestSuite() {
    delete Engine;
    Engine = nullptr;
  }

  void SetUp() override {
    PredatorTest::SetUp();
    Engine->Clear();
    for (TBlobPredator* p : Predators) p->Engine = Engine;
  }

  // Every live particle of the given colour, by kind.
  static TTally Count(const TXYZ& Colour, uint8_t SparkKind) {
    TTally t;
    for (TParticle* q = Engine->Particles->First(); q; q = static_cast<TParticle*>(q->Next)) {
      if (!SameColour(q->Colour, Colour)) continue;
      ++t.Total;
      if (q->Kind == 5) ++t.Rings;
      if (q->Kind == SparkKind) ++t.Sparks;
    }
    return t;
  }

  // Takes all but Room particles of the pool with long-lived filler.
  static void FillLeaving(int Room) {
    const TXYZ filler{0.123f, 0.456f, 0.789f};
    while (Engine->LiveCount() < PoolCapacity - Room)
      ASSERT_NE(Engine->Spawn({}, {}, 1, filler, 1, 0, 1, 1000, 0, 0), nullptr);
  }

  static TParticleEngine2* Engine;
};

TParticleEngine2* PredatorEffectsTest::Engine = nullptr;

} // namespace

TEST_F(PredatorEffectsTest, DeathBurstHasTwoRingsAndOneHundredAndTwentyEightSparksByKind) {
  struct Row {
    uint8_t Kind;
    TXYZ Ring1, Ring2, Spark;
    int Expected;
  };
  const TXYZ yellow{1, 1, 0}, green{0, 1, 0}, orange{0.6f, 0.3f, 0}, blue{0, 0, 1};
  const Row rows[] = {
      {1, yellow, green, yellow, 130},  {2, yellow, green, yellow, 130},
      {3, orange, orange, orange, 130}, {4, blue, blue, blue, 130},
      {5, yellow, yellow, yellow, 130}, {6, {}, green, green, 129},
  };
  for (const Row& row : rows) {
    Engine->Clear();
    for (TBlobPredator* q : Predators) q->Alive = true; // no brood: nothing idle
    TBlobPredator& p = Spawn(7, row.Kind, {40, -30, 0}, {0, 0, 0});
    p.Kill();
    EXPECT_EQ(Engine->LiveCount(), row.Expected) << "kind " << int(row.Kind);

    int rings = 0, sparks = 0, sparksAtTwenty = 0;
    for (TParticle* q = Engine->Particles->First(); q; q = static_cast<TParticle*>(q->Next)) {
      if (q->Kind == 5) {
        ++rings;
        EXPECT_EQ(q->Position.X, 40);
        EXPECT_EQ(q->Life, 32);
        EXPECT_EQ(q->Scale, 24);
        EXPECT_GE(q->Speed, 0);
        EXPECT_LT(q->Speed, 6);
        const TXYZ& want = (rings == 1 && row.Kind != 6) ? row.Ring1 : row.Ring2;
        EXPECT_TRUE(SameColour(q->Colour, want)) << "kind " << int(row.Kind) << " ring " << rings;
      } else if (q->Kind == 1) {
        ++sparks;
        EXPECT_TRUE(SameColour(q->Colour, row.Spark)) << "kind " << int(row.Kind);
        EXPECT_GE(q->Life, 32);
        EXPECT_LT(q->Life, 48);
        const float dx = q->Position.X - 40, dy = q->Position.Y + 30;
        if (std::fabs(std::sqrt(dx * dx + dy * dy) - 20) < 1e-3f) ++sparksAtTwenty;
      }
    }
    EXPECT_EQ(rings, row.Kind == 6 ? 1 : 2) << "kind " << int(row.Kind);
    EXPECT_EQ(sparks, 128) << "kind " << int(row.Kind);
    EXPECT_EQ(sparksAtTwenty, 128) << "sparks start on a circle of radius 20";
  }
}

TEST_F(PredatorEffectsTest, EggEatenBurstHasTwoRingsAndOneHundredAndTwentyEightPairs) {
  TBlobPredator& p = Spawn(0, 1, {0, 0, 0}, {300, 0, 0});
  Eggs[2]->Position = {2, 1, 0};
  Eggs[2]->SetActive(true);
  p.Update();
  ASSERT_FALSE(Eggs[2]->Active);
  const TTally blue = Count({0, 0, 1}, 0);
  EXPECT_EQ(blue.Total, 258);
  EXPECT_EQ(blue.Rings, 2);
  EXPECT_EQ(blue.Sparks, 128) << "streaks";
  EXPECT_EQ(Count({0, 0, 1}, 3).Sparks, 128) << "points with spheres";
  // The kind-1 trail sparks come on top in the same step.
  EXPECT_EQ(Engine->LiveCount(), 258 + 2);
}

TEST_F(PredatorEffectsTest, BurstsLoseOnlyWhatDoesNotFitInAFullPool) {
  struct Case {
    int Room;
    uint8_t Kind;
  };
  for (const Case c : {Case{0, 3}, Case{1, 3}, Case{100, 5}, Case{129, 6}, Case{200, 4}}) {
    Engine->Clear();
    FillLeaving(c.Room);
    for (TBlobPredator* q : Predators) q->Alive = true;
    TBlobPredator& p = Spawn(3, c.Kind, {0, 0, 0}, {0, 0, 0});
    int killed = 0;
    p.OnKilled = [&](TBlobPredator*) { ++killed; };
    p.Kill();
    p.OnKilled = nullptr;
    const int burst = c.Kind == 6 ? 129 : 130;
    EXPECT_EQ(Engine->LiveCount(), PoolCapacity - c.Room + std::min(c.Room, burst))
        << "room " << c.Room;
    EXPECT_EQ(killed, 1) << "a full pool does not stop the report";
  }

  Engine->Clear();
  FillLeaving(10);
  TBlobPredator& eater = Spawn(0, 1, {0, 0, 0}, {300, 0, 0});
  Eggs[0]->Position = {0, 0, 0};
  Eggs[0]->SetActive(true);
  int eaten = 0;
  eater.OnEggEaten = [&](TBlobPredator*) { ++eaten; };
  eater.Update();
  eater.OnEggEaten = nullptr;
  EXPECT_EQ(eaten, 1);
  EXPECT_FALSE(Eggs[0]->Active);
  EXPECT_EQ(Engine->LiveCount(), PoolCapacity);
}

TEST_F(PredatorEffectsTest, PerFrameParticlesOfEachKind) {
  // Kind 1: a glow where it is and a spark left behind, every frame.
  TBlobPredator& spiral = Spawn(0, 1, {0, 0, 0}, {300, 0, 0});
  for (int i = 0; i < 10; ++i) spiral.Update();
  EXPECT_EQ(Engine->LiveCount(), 20);

  // Kind 4: one thrust blob per swelling frame, drifting out behind within 30 degrees.
  Engine->Clear();
  TBlobPredator& jelly = Spawn(1, 4, {0, 0, 0}, {0, 0, 0});
  Snake.Position = {0, 300, 0};
  jelly.Course = 90;
  int swelling = 0;
  for (int i = 0; i < 60; ++i) {
    jelly.Update();
    if (jelly.PulseStep > 0) ++swelling;
  }
  EXPECT_GT(swelling, 0);
  EXPECT_LT(swelling, 60) << "the pulse turns round within 60 frames";
  EXPECT_EQ(Engine->LiveCount(), swelling);
  for (TParticle* q = Engine->Particles->First(); q; q = static_cast<TParticle*>(q->Next)) {
    const float angle = std::atan2(q->Velocity.Y, q->Velocity.X) * 180 / 3.14159265f;
    EXPECT_NEAR(angle, -90, 31) << "behind a predator heading up";
    EXPECT_NEAR(std::hypot(q->Velocity.X, q->Velocity.Y), 0.2f, 1e-5f);
  }

  // Kinds 3, 5 and 6 glow now and then: about one frame in ten.
  for (uint8_t kind : {3, 5, 6}) {
    Engine->Clear();
    TBlobPredator& p = Spawn(2, kind, {0, 0, 0}, {0, 0, 0});
    for (int i = 0; i < 1000; ++i) {
      p.Update();
      p.Position = {0, 0, 0};
    }
    int glows = 0;
    for (TParticle* q = Engine->Particles->First(); q; q = static_cast<TParticle*>(q->Next))
      if (q->Kind == 3 && q->Speed == 0) ++glows;
    EXPECT_EQ(glows, Engine->LiveCount()) << int(kind);
    EXPECT_GT(glows, 50) << int(kind);
    EXPECT_LT(glows, 150) << int(kind);
  }
}
