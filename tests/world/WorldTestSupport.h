#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>

#include "assets/GameRandom.h"
#include "assets/VexLib3D.h"
#include "creatures/blobBullet.h"
#include "creatures/blobMutantSperm.h"
#include "creatures/blobPlankton.h"
#include "creatures/blobSnake.h"
#include "particles/ParticleEngine2.h"
#include "shell/GLWindow.h"
#include "sound/frmDXSounds.h"
#include "support/GLTestContext.h"
#include "support/ReferenceRandom.h"
#include "text/GLPrinter.h"
#include "world/gloopaMain.h"

// A world built from seed 0 on the shared GL test context, driven frame by frame the way the shell
// drives it: camera above the snake (clamped), then Frame.
class WorldTest : public ::testing::Test {
protected:
  void SetUp() override {
    GLTestContext::Get();
    RandSeed = 0;
    Printer = std::make_unique<TGLPrinter>();
    World = std::make_unique<TGloopa>(Printer.get());
  }
  void TearDown() override {
    World.reset();
    Printer.reset();
  }

  void RunFrame() {
    const TXYZ camera = CameraAbove(World->Snake->Position);
    GLTestContext::Get().BeginFrame(camera.X, camera.Y);
    World->Camera = TXYZ{camera.X, camera.Y, -camera.Z};
    World->Frame();
    GLTestContext::Get().Finish();
  }

  void Mouse(int X, int Y) {
    World->HandleMessage(nullptr, WM_MOUSEMOVE, 0, MakeMouseLParam(X, Y));
  }
  void Left(bool Down) {
    World->HandleMessage(nullptr, Down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, 0);
  }
  void Right(bool Down) {
    World->HandleMessage(nullptr, Down ? WM_RBUTTONDOWN : WM_RBUTTONUP, 0, 0);
  }

  // One title frame with the left button held starts a game; the button is released after it.
  // A quiet game spawns no predators of its own in its first frames (the limit starts at 0), so
  // that a test's own predators are the only ones about.
  void StartGame(bool Quiet = true) {
    Left(true);
    RunFrame();
    Left(false);
    if (Quiet) World->PredatorLimit = 0;
  }

  int32_t Cue(TSoundCue C) const { return World->Sounds->CueCounts[C]; }

  int32_t ActiveBullets() const {
    return int32_t(std::count_if(World->Bullets.begin(), World->Bullets.end(),
                                 [](const TBlobBullet* B) { return B->Active; }));
  }
  int32_t AlivePredators() const {
    return int32_t(std::count_if(World->Predators.begin(), World->Predators.end(),
                                 [](const TBlobPredator* P) { return P->Alive; }));
  }
  int32_t SwimmingSperms() const {
    return int32_t(std::count_if(World->Sperms.begin(), World->Sperms.end(),
                                 [](const TBlobMutantSperm* S) { return S->Swimming; }));
  }

  // Puts predator slot I into play as Kind at (X, Y), without touching the random source.
  TBlobPredator* PlacePredator(int I, TPredatorKind Kind, float X, float Y) {
    TBlobPredator* p = World->Predators[I];
    p->SetKind(Kind);
    p->Alive = true;
    p->Position = TXYZ{X, Y, 0};
    p->Target = p->Position;
    return p;
  }

  std::unique_ptr<TGLPrinter> Printer;
  std::unique_ptr<TGloopa> World;
};
