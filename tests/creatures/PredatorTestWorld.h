#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "assets/GameRandom.h"
#include "creatures/blobEgg.h"
#include "creatures/blobPredator.h"
#include "creatures/blobSnake.h"
#include "support/GLTestContext.h"

// A miniature of the world's wiring: a snake, eight eggs out of play and fifty idle predators that
// borrow the lists, with no particle engine (spawns are skipped; the random draws still happen).
// Predators draw as they update, so every test runs inside a real GL frame.
class PredatorTest : public ::testing::Test {
protected:
  static constexpr int PoolSize = 50;
  static constexpr int EggCount = 8;

  void SetUp() override {
    GLTestContext::Get().BeginFrame();
    RandSeed = 12345;
    for (int i = 0; i < EggCount; ++i) {
      EggStore.push_back(std::make_unique<TBlobEgg>());
      TBlobEgg* egg = EggStore.back().get();
      egg->Radius = 10;
      egg->Position = {float(-400 + 100 * i), 300, 0};
      Eggs.push_back(egg);
    }
    for (int i = 0; i < PoolSize; ++i) {
      PredatorStore.push_back(std::make_unique<TBlobPredator>());
      TBlobPredator* p = PredatorStore.back().get();
      p->SetKind(pdNone);
      p->Eggs = &Eggs;
      p->Predators = &Predators;
      p->Snake = &Snake;
      Predators.push_back(p);
    }
    Snake.Position = {100, -200, 0};
  }

  // A predator of the given kind put into play at Position, aiming at Target.
  TBlobPredator& Spawn(int Slot, TPredatorKind Kind, TXYZ Position, TXYZ Target) {
    TBlobPredator& p = *Predators[Slot];
    p.SetKind(Kind);
    p.SetAlive(true);
    p.Target = Target;
    p.Position = Position;
    return p;
  }

  TBlobSnake Snake;
  std::vector<std::unique_ptr<TBlobEgg>> EggStore;
  std::vector<std::unique_ptr<TBlobPredator>> PredatorStore;
  TEggList Eggs;
  TPredatorList Predators;
};
