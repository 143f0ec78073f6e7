// Frames between the steps. A frame at fraction 1 draws what the last step showed, one at 0 what
// the step before showed, one at 0.5 everything halfway; whatever has just come into view, or
// jumped, is drawn where it is at any fraction. A step itself draws nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "WorldTestSupport.h"
#include "support/GLCapture.h"

namespace {

::testing::AssertionResult SamePoints(const std::vector<float>& A, const std::vector<float>& B) {
  if (A.size() != B.size())
    return ::testing::AssertionFailure() << A.size() << " against " << B.size() << " numbers";
  for (size_t i = 0; i < A.size(); ++i)
    if (std::fabs(A[i] - B[i]) > 1e-3f * (1 + std::fabs(B[i])))
      return ::testing::AssertionFailure() << "number " << i << ": " << A[i] << " vs " << B[i];
  return ::testing::AssertionSuccess();
}

std::vector<float> Halfway(const std::vector<float>& A, const std::vector<float>& B) {
  std::vector<float> mid(A.size());
  for (size_t i = 0; i < A.size() && i < B.size(); ++i) mid[i] = (A[i] + B[i]) / 2;
  return mid;
}

// One thing the world draws: what to call it, whether the last step showed it, and its drawing.
struct TShownThing {
  std::string Name;
  std::function<bool()> Shown;
  std::function<void(float)> Draw;
};

class InterpolationTest : public WorldTest {
protected:
  // A step as the shell runs it, without its frame.
  void Step() {
    const TXYZ camera = CameraAbove(World->Snake->Position);
    World->Camera = TXYZ{camera.X, camera.Y, -camera.Z};
    World->Advance();
  }

  std::vector<TShownThing> Things() {
    std::vector<TShownThing> things;
    auto add = [&](std::string Name, auto* Creature) {
      things.push_back({Name, [Creature] { return Creature->Shown; },
                        [Creature](float F) { Creature->Draw(F); }});
    };
    add("snake", World->Snake);
    for (size_t i = 0; i < World->Eggs.size(); ++i) add("egg " + std::to_string(i), World->Eggs[i]);
    for (size_t i = 0; i < World->Sperms.size(); ++i)
      add("sperm " + std::to_string(i), World->Sperms[i]);
    for (size_t i = 0; i < World->Bullets.size(); ++i)
      add("bullet " + std::to_string(i), World->Bullets[i]);
    for (size_t i = 0; i < World->PlanktonList.size(); ++i)
      add("plankton " + std::to_string(i), World->PlanktonList[i]);
    for (size_t i = 0; i < World->Predators.size(); ++i)
      add("predator " + std::to_string(i) + " of kind " + std::to_string(World->Predators[i]->Kind),
          World->Predators[i]);
    TGloopa* world = World.get();
    things.push_back(
        {"camera", [] { return true; },
         [world](float F) {
           const TXYZ v = world->ViewAt(F), c = world->CameraAt(F);
           TGLCapture::Points().insert(TGLCapture::Points().end(), {v.X, v.Y, v.Z, c.X, c.Y, c.Z});
         }});
    things.push_back({"cursor", [] { return true; },
                      [world](float F) {
                        const TXYZ c = world->CursorAt(F);
                        TGLCapture::Points().insert(TGLCapture::Points().end(), {c.X, c.Y});
                      }});
    return things;
  }
};

} // namespace

// A game in full swing: predators of every moving kind, a sperm swimming, bullets in flight, the
// snake steering after the mouse, particles everywhere.
TEST_F(InterpolationTest, AFrameBetweenTwoStepsDrawsEveryMovingThingOnItsWay) {
  StartGame();
  const TPredatorKind kinds[] = {pdSpiral, pdSpikySphere, pdChain, pdJelly, pdDart, pdPincer};
  for (int k = 0; k < 6; ++k) PlacePredator(k, kinds[k], -400 + 150 * float(k), 300);
  TBlobMutantSperm* sperm = World->Sperms[0];
  sperm->Position = TXYZ{-600, -400, 0};
  sperm->ResetTrail();
  sperm->Target = TXYZ{600, 400, 0};
  sperm->SetSwimming(true);
  Right(true);
  Left(true);
  for (int i = 0; i < 40; ++i) {
    Mouse(200 + 10 * i, 300 - 5 * i);
    Step();
  }
  std::vector<TShownThing> things = Things();
  std::vector<std::vector<float>> last(things.size());
  std::vector<bool> wasShown(things.size());
  for (size_t t = 0; t < things.size(); ++t) {
    wasShown[t] = things[t].Shown();
    last[t] = TGLCapture::Drawn([&] { things[t].Draw(1); });
  }
  int onTheirWay = 0;
  for (int i = 0; i < 30; ++i) {
    Mouse(600 - 7 * i, 200 + 6 * i);
    Step();
    for (size_t t = 0; t < things.size(); ++t) {
      if (!things[t].Shown()) {
        wasShown[t] = false;
        continue;
      }
      SCOPED_TRACE(things[t].Name + " after step " + std::to_string(i));
      const std::vector<float> from = TGLCapture::Drawn([&] { things[t].Draw(0); });
      const std::vector<float> to = TGLCapture::Drawn([&] { things[t].Draw(1); });
      const std::vector<float> half = TGLCapture::Drawn([&] { things[t].Draw(0.5f); });
      EXPECT_TRUE(SamePoints(half, Halfway(from, to)));
      // Shown in both steps, nothing here jumps: the frame at 0 is the step before's own.
      if (wasShown[t]) {
        EXPECT_TRUE(SamePoints(from, last[t]));
        if (from != to) ++onTheirWay;
      }
      wasShown[t] = true;
      last[t] = to;
    }
  }
  EXPECT_GT(onTheirWay, 30 * 12) << "most of what is in play moves";
  // The particles, all at once: halfway between the two steps' frames.
  const std::vector<float> from = TGLCapture::Drawn([&] { World->Particles->Draw(0); });
  const std::vector<float> to = TGLCapture::Drawn([&] { World->Particles->Draw(1); });
  EXPECT_GT(to.size(), 3u * 100);
  EXPECT_NE(from, to);
  EXPECT_TRUE(
      SamePoints(TGLCapture::Drawn([&] { World->Particles->Draw(0.5f); }), Halfway(from, to)));
}

// What appears or jumps is shown where it is, whatever the fraction.
TEST_F(InterpolationTest, WhatAppearsOrJumpsIsDrawnWhereItIs) {
  auto still = [](const std::function<void(float)>& Draw) {
    return SamePoints(TGLCapture::Drawn([&] { Draw(0); }), TGLCapture::Drawn([&] { Draw(1); }));
  };
  // A game's first step: the snake, the eggs, the plankton and the camera start where they are.
  for (int i = 0; i < 30; ++i) Step(); // the title, with the snake left somewhere
  Left(true);
  Step();
  Left(false);
  Step();
  ASSERT_EQ(World->State, gsPlaying);
  EXPECT_TRUE(still([&](float F) { World->Snake->Draw(F); })) << "the snake";
  EXPECT_TRUE(still([&](float F) { World->PlanktonList[0]->Draw(F); })) << "a plankton";
  EXPECT_TRUE(still([&](float F) {
    const TXYZ v = World->ViewAt(F);
    TGLCapture::Points().insert(TGLCapture::Points().end(), {v.X, v.Y});
  })) << "the camera";
  for (int i = 0; i < 20; ++i) Step();

  // A predator shot, then put into play again at a random point, where its slot was shown
  // somewhere else two steps before.
  TBlobPredator* predator = PlacePredator(7, pdDart, 300, -200);
  Step();
  predator->Alive = false;
  Step();
  PlacePredator(7, pdDart, -500, 100);
  Step();
  EXPECT_TRUE(still([&](float F) { predator->Draw(F); })) << "a predator put into play";
  Step();
  EXPECT_FALSE(still([&](float F) { predator->Draw(F); })) << "and then on its way";

  // An egg picked up and laid again elsewhere.
  TBlobEgg* egg = World->Eggs[6];
  egg->Bonus = bnThreeBullets;
  egg->Position = World->Snake->Position;
  Step();
  const std::vector<float> picked = TGLCapture::Drawn([&] { egg->Draw(1); });
  Step();
  EXPECT_TRUE(still([&](float F) { egg->Draw(F); })) << "an egg laid again";
  EXPECT_FALSE(SamePoints(TGLCapture::Drawn([&] { egg->Draw(0); }), picked));

  // A particle just spawned: drawn where it went, not coming from where it was spawned.
  World->Particles->Spawn({.Position = {123, 45, 0},
                           .Velocity = {1, 0, 0},
                           .Kind = pkPoint,
                           .Colour = {1, 1, 1},
                           .Size = 1,
                           .Speed = 2,
                           .Life = 50});
  World->Particles->Update();
  const std::vector<float> at0 = TGLCapture::Drawn([&] { World->Particles->Draw(0); });
  ASSERT_GE(at0.size(), 3u);
  EXPECT_FLOAT_EQ(at0[at0.size() - 3], 125) << "the newest particle, at fraction 0";
  EXPECT_FLOAT_EQ(at0[at0.size() - 2], 45);

  // The title after a game puts the camera back in the middle at once.
  World->Snake->Position = TXYZ{300, 120, 0};
  Step();
  World->Energy = 0;
  while (World->State != gsTitle) Step();
  EXPECT_TRUE(still([&](float F) {
    const TXYZ c = World->CameraAt(F);
    TGLCapture::Points().insert(TGLCapture::Points().end(), {c.X, c.Y});
  })) << "the title's camera";
}

// A step runs the game only: every drawing of a frame is Draw's.
TEST_F(InterpolationTest, AStepMakesNoGLCall) {
  StartGame(false);
  Right(true);
  Left(true);
  const int64_t calls = TGLCapture::Calls();
  {
    const TGLTableScope scope(TGLCapture::Table());
    for (int i = 0; i < 300; ++i) {
      Mouse(100 + i, 500 - i);
      Step();
    }
    World->Energy = 0;
    Left(false);
    for (int i = 0; i < 300; ++i) Step(); // the game's end, its countdown and the title
  }
  EXPECT_EQ(TGLCapture::Calls(), calls);
  EXPECT_EQ(World->State, gsTitle);
  TGLCapture::Drawn([&] { World->Draw(1); });
  EXPECT_GT(TGLCapture::Calls(), calls) << "a frame does draw";
}

// Between the steps as at them, the batched drawing leaves the very pixels of the one-by-one
// reference: a busy frame (a game's end, its burst over a pack) at a quarter and three quarters.
TEST_F(InterpolationTest, BatchedFramesBetweenStepsMatchTheReference) {
  StartGame(false);
  Right(true);
  Left(true);
  for (int i = 0; i < 400; ++i) {
    Mouse(300 + i, 400 - i / 2);
    Step();
  }
  World->Energy = 0;
  for (int i = 0; i < 20; ++i) Step();
  ASSERT_GT(World->Particles->LiveCount(), 1000);
  GLTestContext& gl = GLTestContext::Get();
  for (const float fraction : {0.25f, 0.75f}) {
    SCOPED_TRACE(fraction);
    std::vector<uint8_t> frames[2];
    for (const bool immediate : {false, true}) {
      World->SetImmediateDrawing(immediate);
      const TXYZ view = World->ViewAt(fraction);
      gl.BeginFrame(view.X, view.Y);
      World->Draw(fraction);
      gl.Finish();
      frames[immediate] = gl.ReadRGB();
      EXPECT_GT(gl.CountLit(0, 0, 1023, 767), 5000) << "the burst is on show";
    }
    EXPECT_TRUE(frames[0] == frames[1]);
  }
}
