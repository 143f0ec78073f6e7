#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "particles/Particle.h"
#include "particles/ParticleEngine2.h"
#include "support/GLTestContext.h"

namespace {

constexpr float Tol = 1e-4f;

class ParticleEngine : public testing::Test {
protected:
  void SetUp() override {
    GLTestContext::Get().BeginFrame();
    Engine = std::make_unique<TParticleEngine2>();
  }

  // Speed-1 particle of the given kind; the other arguments as the game passes them most often.
  TParticle* SpawnAt(float X, float Y, float VX, float VY, TParticleKind Kind = pkPoint,
                     int32_t Life = 100, float Speed = 1, float TailLength = 0, int32_t Scale = 0,
                     TXYZ Colour = {1, 1, 1}, int32_t Size = 3) {
    return Engine->Spawn({.Position = {X, Y, 0},
                          .Velocity = {VX, VY, 0},
                          .Kind = Kind,
                          .Colour = Colour,
                          .Size = Size,
                          .Speed = Speed,
                          .TailLength = TailLength,
                          .Life = Life,
                          .Scale = Scale});
  }

  std::unique_ptr<TParticleEngine2> Engine;
};

// Pixels lit in window columns [X0, X1] over the whole height.
int LitColumns(int X0, int X1) {
  return GLTestContext::Get().CountLit(X0, 0, X1, 767);
}

} // namespace

TEST_F(ParticleEngine, SpawnCopiesEveryArgument) {
  TXYZ position{10, -20, 30}, velocity{1, 2, 3}, colour{0.25f, 0.5f, 0.75f};
  TParticle* p = Engine->Spawn({.Position = position,
                                .Velocity = velocity,
                                .Kind = pkRing,
                                .Colour = colour,
                                .Size = 4,
                                .Speed = 1.5f,
                                .TailLength = 2.5f,
                                .Life = 40,
                                .Scale = 7});
  ASSERT_NE(p, nullptr);
  position = velocity = colour = TXYZ{9, 9, 9}; // the engine keeps copies, not the records
  const float got[] = {p->Position.X, p->Position.Y, p->Position.Z, p->Velocity.Z,
                       p->Colour.R,   p->Colour.G,   p->Colour.B,   p->Colour.A,
                       p->Speed,      p->TailLength, p->Scale};
  const float want[] = {10, -20, 30, 3, 0.25f, 0.5f, 0.75f, 1, 1.5f, 2.5f, 7};
  for (size_t i = 0; i < std::size(want); ++i) EXPECT_EQ(got[i], want[i]) << "field " << i;
  EXPECT_EQ(p->Kind, 5);
  EXPECT_EQ(p->Size, 4);
  EXPECT_EQ(p->Life, 40);
  EXPECT_EQ(Engine->LiveCount(), 1);
}

TEST_F(ParticleEngine, FullPoolDropsSpawnsAndChangesNothing) {
  std::vector<TParticle*> live;
  for (int i = 0; i < 10000; ++i) live.push_back(SpawnAt(float(i % 1600 - 800), 0, 0, 0));
  EXPECT_EQ(Engine->LiveCount(), 10000);
  for (TParticle* p : live) ASSERT_NE(p, nullptr);
  EXPECT_EQ(SpawnAt(1, 2, 3, 4), nullptr);
  EXPECT_EQ(Engine->LiveCount(), 10000);
  EXPECT_EQ(Engine->Particles->First(), live.front());
  EXPECT_EQ(Engine->Particles->ActiveTail, live.back());
  EXPECT_EQ(Engine->UpdateAndDraw(), 10000);
}

TEST_F(ParticleEngine, MovesByVelocityTimesSpeedBeforeDrawing) {
  struct Case {
    TXYZ Velocity;
    float Speed;
    TXYZ AfterTwoSteps;
  };
  const Case cases[] = {
      {{7, -9, 4}, 0, {100, 50, 0}},       // speed 0 stays put
      {{1, -2, 3}, 2, {104, 42, 12}},      // every component, Z too
      {{-10, 10, -1}, 0.5f, {90, 60, -1}}, //
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("speed " + std::to_string(c.Speed));
    Engine->Clear();
    TParticle* p = Engine->Spawn({.Position = {100, 50, 0},
                                  .Velocity = c.Velocity,
                                  .Kind = pkPoint,
                                  .Colour = {1, 1, 1},
                                  .Size = 1,
                                  .Speed = c.Speed,
                                  .Life = 10});
    Engine->UpdateAndDraw();
    Engine->UpdateAndDraw();
    EXPECT_NEAR(p->Position.X, c.AfterTwoSteps.X, Tol);
    EXPECT_NEAR(p->Position.Y, c.AfterTwoSteps.Y, Tol);
    EXPECT_NEAR(p->Position.Z, c.AfterTwoSteps.Z, Tol);
  }
}

TEST_F(ParticleEngine, WallsClampAndReverseAfterTheMove) {
  struct Case {
    const char* Name;
    TXYZ Start, Velocity;
    TXYZ End, EndVelocity;
  };
  const Case cases[] = {
      {"left", {-795, 0, 0}, {-10, 1, 0}, {-800, 1, 0}, {10, 1, 0}},
      {"right", {795, 0, 0}, {10, 1, 0}, {800, 1, 0}, {-10, 1, 0}},
      {"bottom", {0, -545, 0}, {2, -10, 0}, {2, -550, 0}, {2, 10, 0}},
      {"top", {0, 545, 0}, {2, 10, 0}, {2, 550, 0}, {2, -10, 0}},
      {"corner", {795, -545, 0}, {10, -10, 0}, {800, -550, 0}, {-10, 10, 0}},
      {"landing on the bound is inside", {790, 540, 0}, {10, 10, 0}, {800, 550, 0}, {10, 10, 0}},
      {"Z is never bounded", {0, 0, 5000}, {0, 0, 1000}, {0, 0, 6000}, {0, 0, 1000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Engine->Clear();
    TParticle* p = Engine->Spawn({.Position = c.Start,
                                  .Velocity = c.Velocity,
                                  .Kind = TParticleKind(6),
                                  .Colour = {1, 1, 1},
                                  .Size = 1,
                                  .Speed = 1,
                                  .Life = 10});
    Engine->UpdateAndDraw();
    EXPECT_NEAR(p->Position.X, c.End.X, Tol);
    EXPECT_NEAR(p->Position.Y, c.End.Y, Tol);
    EXPECT_NEAR(p->Position.Z, c.End.Z, Tol);
    EXPECT_EQ(p->Velocity.X, c.EndVelocity.X);
    EXPECT_EQ(p->Velocity.Y, c.EndVelocity.Y);
    EXPECT_EQ(p->Velocity.Z, c.EndVelocity.Z);
  }
}

TEST_F(ParticleEngine, StreakCrossingTheWallIsDrawnBeyondItOnceThenBounced) {
  GLTestContext& gl = GLTestContext::Get();
  auto column = [](float WX) {
    int x, y;
    GLTestContext::WorldToPixel(WX, 0, 800, 0, x, y);
    return x;
  };
  // From 780 at 40 a step with tail 0.25: drawn from 820 back to 810, then put on the wall.
  // Bouncing before drawing would draw it from 800 to 810 instead.
  TParticle* p = SpawnAt(780, 0, 40, 0, pkStreak, 10, 1, 0.25f, 0, {1, 1, 1}, 3);
  gl.BeginFrame(800, 0);
  Engine->UpdateAndDraw();
  gl.SavePNG("ParticleEngine_streak_beyond.png");
  EXPECT_GT(LitColumns(column(812), column(818)), 10) << "drawn beyond X = 800";
  EXPECT_EQ(LitColumns(0, column(807)), 0);
  EXPECT_EQ(LitColumns(column(823), 1023), 0);
  EXPECT_EQ(p->Position.X, 800);
  EXPECT_EQ(p->Velocity.X, -40);

  // Next step it runs back from the wall: 760, tail to 770.
  gl.BeginFrame(800, 0);
  Engine->UpdateAndDraw();
  EXPECT_GT(LitColumns(column(762), column(768)), 10);
  EXPECT_EQ(LitColumns(column(773), 1023), 0) << "after the bounce it stays inside";
  EXPECT_EQ(LitColumns(0, column(757)), 0);
  EXPECT_NEAR(p->Position.X, 760, Tol);
}

TEST_F(ParticleEngine, RingGrowsAndFadesDuringItsLastFortyNineSteps) {
  const TParticleSpawn ringRequest{
      .Kind = pkRing, .Colour = {1, 1, 1}, .Size = 1, .Speed = 0.5f, .Life = 60, .Scale = 2};
  TParticleSpawn flatRequest = ringRequest;
  flatRequest.Scale = 0;
  TParticle* ring = Engine->Spawn(ringRequest);
  TParticle* flat = Engine->Spawn(flatRequest);
  for (int step = 1; step <= 40; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    Engine->UpdateAndDraw();
    // Steps 1..11 run with Life 60..50 and keep full colour; each later step takes 0.05.
    const float expected = step <= 11 ? 1.0f : std::max(0.0f, 1.0f - 0.05f * float(step - 11));
    EXPECT_NEAR(ring->Colour.R, expected, 1e-4);
    EXPECT_NEAR(ring->Colour.G, expected, 1e-4);
    EXPECT_NEAR(ring->Colour.B, expected, 1e-4);
    EXPECT_NEAR(ring->Scale, 2 + 0.5f * float(step), Tol);
    EXPECT_EQ(flat->Scale, 0) << "a ring of scale 0 never grows";
    EXPECT_EQ(flat->Colour.R, 1);
  }
  EXPECT_EQ(ring->Colour.R, 0) << "black after 20 fading steps, floored at 0";
}

TEST_F(ParticleEngine, AgesAndReleasesOldestFirstInOnePass) {
  TParticle* once = SpawnAt(0, 0, 0, 0, pkPoint, 1);
  TParticle* zero = SpawnAt(0, 0, 0, 0, pkPoint, 0);
  TParticle* negative = SpawnAt(0, 0, 0, 0, pkPoint, -5);
  TParticle* three = SpawnAt(0, 0, 0, 0, pkPoint, 3);
  (void)once, (void)zero, (void)negative;
  EXPECT_EQ(Engine->UpdateAndDraw(), 4) << "every particle is moved and drawn at least once";
  EXPECT_EQ(Engine->LiveCount(), 1);
  EXPECT_EQ(Engine->Particles->First(), three);
  EXPECT_EQ(Engine->UpdateAndDraw(), 1);
  EXPECT_EQ(Engine->UpdateAndDraw(), 1);
  EXPECT_EQ(Engine->LiveCount(), 0);
  EXPECT_EQ(Engine->UpdateAndDraw(), 0);
  // The node released last is the first to be reused.
  EXPECT_EQ(SpawnAt(0, 0, 0, 0), three);

  // The pass visits oldest first: the points reach GL in spawn order.
  Engine->Clear();
  const float xs[] = {30, -20, 10, 0};
  for (float x : xs) SpawnAt(x, 0, 0, 0, pkPoint, 2);
  std::vector<GLfloat> buffer(64);
  glFeedbackBuffer(GLsizei(buffer.size()), GL_2D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  Engine->UpdateAndDraw();
  ASSERT_EQ(glRenderMode(GL_RENDER), 12); // four points of token, x, y
  for (int i = 0; i < 4; ++i) {
    int px, py;
    GLTestContext::WorldToPixel(xs[i], 0, 0, 0, px, py);
    EXPECT_EQ(buffer[i * 3], GLfloat(GL_POINT_TOKEN));
    EXPECT_NEAR(buffer[i * 3 + 1], float(px), 1.0f) << "point " << i;
  }
}

TEST_F(ParticleEngine, ClearReleasesEverything) {
  for (int i = 0; i < 777; ++i) SpawnAt(0, 0, 1, 1, TParticleKind(i % 7), 50, 1, 1, 1);
  EXPECT_EQ(Engine->LiveCount(), 777);
  Engine->Clear();
  EXPECT_EQ(Engine->LiveCount(), 0);
  EXPECT_EQ(Engine->UpdateAndDraw(), 0);
  for (int i = 0; i < 10000; ++i) ASSERT_NE(SpawnAt(0, 0, 0, 0), nullptr);
  EXPECT_EQ(SpawnAt(0, 0, 0, 0), nullptr);
}

TEST_F(ParticleEngine, PassLeavesMatrixBalancedAndModelStateOff) {
  for (int kind = 0; kind <= 7; ++kind)
    SpawnAt(float(kind * 20), 0, 1, 0, TParticleKind(kind), 5, 1, 2, 3);
  GLint depthBefore = 0, depthAfter = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
  Engine->UpdateAndDraw();
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
  EXPECT_EQ(depthAfter, depthBefore);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ParticleEngine, ParticlesGlowInTheirColours) {
  GLTestContext& gl = GLTestContext::Get();
  struct Case {
    const char* Name;
    TParticleKind Kind;
    TXYZ Colour;
    int32_t Scale;
  };
  const Case cases[] = {
      {"streak", pkStreak, {1, 0, 0}, 0},
      {"point", pkPoint, {0, 1, 0}, 0},
      {"sphere", pkSphere, {0, 1, 0}, 30},
      {"ring", pkRing, {1, 0, 0}, 30},
      {"sphere under a point", pkPointSphere, {0, 0, 1}, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Engine->Clear();
    gl.BeginFrame();
    Engine->Spawn({.Velocity = {-20, 0, 0},
                   .Kind = c.Kind,
                   .Colour = c.Colour,
                   .Size = 6,
                   .TailLength = 1,
                   .Life = 10,
                   .Scale = c.Scale});
    Engine->UpdateAndDraw();
    gl.SavePNG(std::string("ParticleEngine_") + c.Name + ".png");
    const std::vector<uint8_t> rgb = gl.ReadRGB();
    // Compared with the cleared background (0, 0, 13): lit pixels carry only the channels of
    // the particle's colour. Models are lit by the default scene ambient alone (light 0 is off),
    // so they glow at a fifth of their colour, added onto what is behind them.
    const int background[3] = {0, 0, 13};
    const float want[3] = {c.Colour.X, c.Colour.Y, c.Colour.Z};
    int matching = 0, other = 0, peak = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
      int d[3], strongest = 0;
      for (int k = 0; k < 3; ++k) {
        d[k] = int(rgb[i + k]) - background[k];
        strongest = std::max(strongest, d[k]);
      }
      if (strongest <= 8) continue;
      bool hue = true;
      for (int k = 0; k < 3; ++k) {
        if (want[k] == 0 && d[k] > 3) hue = false;
        if (want[k] > 0) peak = std::max(peak, d[k]);
      }
      ++(hue ? matching : other);
    }
    EXPECT_GT(matching, c.Scale > 0 ? 300 : 10);
    EXPECT_EQ(other, 0);
    EXPECT_GE(peak, 40);
    if (c.Kind == pkRing) {
      // A ring: dark in the middle, bright on its rim.
      EXPECT_LT(gl.Pixel(512, 384)[0], 20);
      EXPECT_GE(gl.CountLit(0, 0, 1023, 767, 30), 100);
    }
  }
}

TEST_F(ParticleEngine, OtherKindsMoveAndAgeButDrawNothing) {
  GLTestContext& gl = GLTestContext::Get();
  gl.BeginFrame();
  TParticle* a = SpawnAt(0, 0, 5, 0, TParticleKind(6), 3, 1, 1, 50);
  TParticle* b = SpawnAt(50, 0, 5, 0, TParticleKind(255), 1, 1, 1, 50);
  EXPECT_EQ(Engine->UpdateAndDraw(), 2);
  EXPECT_EQ(gl.CountLit(0, 0, 1023, 767), 0);
  EXPECT_EQ(a->Position.X, 5);
  EXPECT_EQ(b->Position.X, 55);
  EXPECT_EQ(Engine->LiveCount(), 1);
}

TEST(ParticleEngineTeardown, ReportsParticlesLostFromBothChains) {
  GLTestContext::Get();
  auto engine = std::make_unique<TParticleEngine2>();
  const TParticleSpawn point{.Kind = pkPoint, .Colour = {1, 1, 1}, .Size = 1, .Life = 10};
  TParticle* a = engine->Spawn(point);
  engine->Spawn(point);
  a->Next->Prev = nullptr; // a drops off the head of the live chain
  engine->Particles->ActiveHead = a->Next;
  testing::internal::CaptureStderr();
  engine.reset();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Lost Particle Exception - 9999"), std::string::npos) << err;
}
