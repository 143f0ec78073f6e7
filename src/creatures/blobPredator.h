#pragma once
#include <cstdint>
#include <vector>

#include "creatures/blob.h"
#include "creatures/blobEgg.h"

class TBlobSnake;
class TMS3DObj;

// One spike of the kind-2 sphere: a line from a model vertex outwards to that vertex scaled by
// Length.
struct TPredatorSpike {
  int32_t VertexIndex = 0;
  float Length = 0;
};

class TBlobPredator;

// The world's list of all its predators, in the world's order; creatures borrow it.
using TPredatorList = std::vector<TBlobPredator*>;

// The hunter of the arena. One pooled record serves every kind in turn:
//   1 spiral cone that hunts and eats the eggs, 2 spiky sphere that splits into a brood of kind 6
//   when killed, 3 chain of triangles, 4 pulsing jelly, 5 dart, 6 pincer (brood only).
// Kind 0 is an empty slot. A predator in play (Alive) steers, moves and draws itself in Update.
class TBlobPredator : public TBlob {
public:
  TBlobPredator();

  float Wobble = 0;
  float WobbleStep = 0;
  int32_t EggChoices[9] = {};
  float Fade = 0;
  std::vector<TPredatorSpike> Spikes;
  float Spin = 0;
  float Sway = 0;
  float SwayStep = 0.25f;
  TTrailPoint Trail[65];
  int32_t Course = 0;
  bool Turning = true;
  TXYZ SettledTarget;
  TMS3DObj* SpikeModel = nullptr;
  uint8_t Kind = 0;
  bool Alive = false;
  float Pulse = 0.75f;
  float PulseStep = 0.0051f;
  TBlobSnake* Snake = nullptr;
  TEggList* Eggs = nullptr;
  TPredatorList* Predators = nullptr;
  TBlobEvent<TBlobPredator> OnKilled;
  TBlobEvent<TBlobPredator> OnEggEaten;
  TMS3DObj* BodyModel = nullptr;

  // Stores the model whose vertices kind 2 draws and builds one spike for every third vertex.
  void SetModel(TMS3DObj* Model);
  // Kinds 1 to 5 also set Radius and Points; kinds 0 and 6 keep what the slot had.
  void SetKind(uint8_t Value);
  // Going into play prepares the current kind (kind 1 picks an egg, kind 3 fills its trail).
  void SetAlive(bool Value);
  // One frame: fade in, steer, move and draw by kind. Nothing unless Alive and of kind 1 to 6.
  void Update();
  // Death effect of the current kind, then OnKilled. Leaves Alive to the caller.
  void Kill() override;
  // Aims at a random egg in play, or at the snake when there is none.
  void ChooseEggTarget();
  // Index of the first egg in play that this predator touches, or -1.
  int32_t FindTouchingEgg();

private:
  void StepKind();
  void EatEgg(int32_t Index);
  void DrawSpiral();
  void DrawSpikySphere();
  void DrawChain();
  void DrawJelly();
  void DrawDart();
  void DrawPincer();
  void DeathBurst();
  void BringInBrood();
};
