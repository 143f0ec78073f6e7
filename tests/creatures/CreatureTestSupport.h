#pragma once
#include <cmath>
#include <cstdint>
#include <memory>

#include "assets/GameRandom.h"
#include "particles/Particle.h"
#include "particles/ParticleEngine2.h"
#include "platform/Platform.h"
#include "support/GLTestContext.h"
#include "support/ReferenceRandom.h"
#include <gtest/gtest.h>

// Whole-degree bearing 0..360 from the rules: counter-clockwise from +X, rounded to the nearest
// degree, directions just below +X giving 360.
inline int32_t RefBearing(double X1, double Y1, double X2, double Y2) {
  const double dx = X2 - X1, dy = Y2 - Y1;
  if (dx == 0 && dy == 0) return 0;
  if (dy == 0) return dx > 0 ? 0 : 180;
  double deg = std::atan2(dy, dx) * 180.0 / 3.14159265358979323846;
  if (deg < 0) deg += 360;
  return int32_t(std::nearbyint(deg));
}

// Counts a creature's passes through a point it loops about: coming nearer than Near counts once,
// and counts again only after it has been farther than Far.
struct TPassCounter {
  double Near, Far;
  int Passes = 0;
  bool WasFar = true;

  void See(double Distance) {
    if (Distance < Near && WasFar) {
      ++Passes;
      WasFar = false;
    }
    if (Distance > Far) WasFar = true;
  }
};

// One step of a creature and the frame that shows it, as the world runs and draws one.
template <class TCreature> void StepAndDraw(TCreature& Creature) {
  Creature.Update();
  if (Creature.Shown) Creature.Draw();
}

// A GL context for drawing plus one particle engine shared by the whole test process.
class TCreatureWorld {
public:
  static TCreatureWorld& Get() {
    static TCreatureWorld world;
    return world;
  }
  TParticleEngine2* Engine() { return EnginePtr.get(); }
  // Number of live particles.
  int Live() { return EnginePtr->LiveCount(); }

private:
  TCreatureWorld() {
    SetHeadlessMessages(true);
    GLTestContext::Get().BeginFrame();
    EnginePtr = std::make_unique<TParticleEngine2>();
  }
  std::unique_ptr<TParticleEngine2> EnginePtr;
};

// Fixture base: GL context current, engine empty, seed fixed.
class TCreatureTest : public ::testing::Test {
protected:
  void SetUp() override {
    Engine = TCreatureWorld::Get().Engine();
    Engine->Clear();
    GLTestContext::Get().BeginFrame();
    RandSeed = 12345;
  }
  TParticleEngine2* Engine = nullptr;
};
