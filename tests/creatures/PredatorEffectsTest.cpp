// The particles a predator throws: the egg-eaten burst, the death bursts by kind, and what
// happens when the engine's pool runs out.
#include <cmath>

#include "PredatorTestWorld.h"
#include "particles/Particle.h"
#include "particles/ParticleEngine2.h"

namespace {

constexpr int PoolCapacity = TParticleList::PoolSize;

bool SameColour(const TParticleColour& C, const TXYZ& Want) {
  return C.R == Want.X && C.G == Want.Y && C.B == Want.Z;
}

class PredatorEffectsTest : public PredatorTest {
protected:
  static void SetUpTestSuite() {
    GLTestContext::Get();
    Engine = new TParticleEngine2();
  }
  static void TearDownTestSuite() { delete Engine; }

  void SetUp() override {
    PredatorTest::SetUp();
    Engine->Clear();
    for (TBlobPredator* p : Predators) {
      p->Engine = Engine;
      p->Alive = true; // nothing idle, so a dying kind 2 leaves no brood here
    }
  }

  template <class F> static void ForEachParticle(F Visit) {
    for (TParticle* q = Engine->Particles->First(); q; q = static_cast<TParticle*>(q->Next))
      Visit(*q);
  }

  static TParticleEngine2* Engine;
};

TParticleEngine2* PredatorEffectsTest::Engine = nullptr;

} // namespace

TEST_F(PredatorEffectsTest, DeathBurstsHaveTheirRingsSparksAndColoursByKind) {
  const TXYZ yellow{1, 1, 0}, green{0, 1, 0}, orange{0.6f, 0.3f, 0}, blue{0, 0, 1};
  struct Row {
    TPredatorKind Kind;
    std::vector<TXYZ> Rings;
    TXYZ Spark;
  } const rows[] = {
      {pdSpiral, {yellow, green}, yellow}, {pdSpikySphere, {yellow, green}, yellow},
      {pdChain, {orange, orange}, orange}, {pdJelly, {blue, blue}, blue},
      {pdDart, {yellow, yellow}, yellow},  {pdPincer, {green}, green},
  };
  for (const Row& row : rows) {
    Engine->Clear();
    TBlobPredator& p = Spawn(7, row.Kind, {40, -30, 0}, {0, 0, 0});
    p.Kill();
    EXPECT_EQ(Engine->LiveCount(), int(row.Rings.size()) + 128) << "kind " << int(row.Kind);
    size_t rings = 0;
    int sparksOnCircle = 0;
    ForEachParticle([&](const TParticle& q) {
      if (q.Kind == pkRing) {
        ASSERT_LT(rings, row.Rings.size());
        EXPECT_TRUE(SameColour(q.Colour, row.Rings[rings++])) << "kind " << int(row.Kind);
        EXPECT_TRUE(q.Position.X == 40 && q.Life == 32 && q.Scale == 24);
      } else {
        EXPECT_EQ(q.Kind, pkPoint);
        EXPECT_TRUE(SameColour(q.Colour, row.Spark)) << "kind " << int(row.Kind);
        EXPECT_TRUE(q.Life >= 32 && q.Life < 48);
        const float r = std::hypot(q.Position.X - 40, q.Position.Y + 30);
        sparksOnCircle += std::fabs(r - 20) < 1e-3f;
      }
    });
    EXPECT_EQ(rings, row.Rings.size());
    EXPECT_EQ(sparksOnCircle, 128) << "sparks start on a circle of radius 20";
  }
}

TEST_F(PredatorEffectsTest, EggEatenBurstHasTwoRingsAndOneHundredAndTwentyEightPairs) {
  TBlobPredator& p = Spawn(0, pdSpiral, {0, 0, 0}, {300, 0, 0});
  Eggs[2]->Position = {2, 1, 0};
  Eggs[2]->SetActive(true);
  p.Update();
  ASSERT_FALSE(Eggs[2]->Active);
  int byKind[6] = {};
  ForEachParticle([&](const TParticle& q) {
    if (SameColour(q.Colour, {0, 0, 1}) && q.Kind < 6) ++byKind[q.Kind];
  });
  EXPECT_EQ(byKind[5], 2) << "rings";
  EXPECT_EQ(byKind[0], 128) << "streaks";
  EXPECT_EQ(byKind[3], 128) << "points with spheres";
  EXPECT_EQ(byKind[0] + byKind[3] + byKind[5], 258);
  EXPECT_EQ(Engine->LiveCount(), 258 + 2) << "plus the kind-1 sparks of every step";
}

TEST_F(PredatorEffectsTest, BurstsLoseOnlyWhatDoesNotFitInTheParticlePool) {
  for (const auto& [room, kind] : {std::pair{0, 3}, std::pair{1, 3}, std::pair{100, 5},
                                   std::pair{129, 6}, std::pair{200, 4}}) {
    Engine->Clear();
    while (Engine->LiveCount() < PoolCapacity - room)
      ASSERT_NE(
          Engine->Spawn(
              {.Kind = pkPoint, .Colour = {1, 0, 1}, .Size = 1, .TailLength = 1, .Life = 1000}),
          nullptr);
    TBlobPredator& p = Spawn(3, TPredatorKind(kind), {0, 0, 0}, {0, 0, 0});
    int killed = 0;
    p.OnKilled = [&](TBlobPredator*) { ++killed; };
    p.Kill();
    const int burst = kind == 6 ? 129 : 130;
    EXPECT_EQ(Engine->LiveCount(), PoolCapacity - room + std::min(room, burst)) << room;
    EXPECT_EQ(killed, 1) << "a full pool does not stop the report";
  }
}
