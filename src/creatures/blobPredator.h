#pragma once
#include <cstdint>
#include <vector>

#include "creatures/blob.h"
#include "creatures/blobEgg.h"

class TBlobSnake;
class TMS3DObj;

// One spike of the spiky sphere: a line from a model vertex outwards to that vertex scaled by
// Length.
struct TPredatorSpike {
  int32_t VertexIndex = 0;
  float Length = 0;
};

class TBlobPredator;

// Where a predator was and how it was turned, swaying, spinning, pulsing and wobbling, as a step
// shows it.
struct TPredatorPose {
  TXYZ Position;
  float Course = 0, Spin = 0, Sway = 0, Pulse = 0, Wobble = 0;
};

// What a predator showed in its last step: its kind and fade, its pose then and a step before, and
// for a chain its six links (each trail point was the one behind it a step before).
struct TPredatorShown {
  static constexpr int32_t Links = 6; // at trail points 8, 18, ... 58
  uint8_t Kind = 0;
  float Fade = 0;
  TPredatorPose Pose, From;
  TTrailPoint Link[Links], LinkFrom[Links];
};

// What a pooled predator is at the moment; the kind decides its speed, prey, look and death.
enum TPredatorKind : uint8_t {
  pdNone = 0,        // an empty slot: never updated, drawn or burst
  pdSpiral = 1,      // cyan spiral cone that hunts and eats the eggs
  pdSpikySphere = 2, // green spiky sphere that splits into a brood of pincers when killed
  pdChain = 3,       // chain of shrinking orange triangles
  pdJelly = 4,       // pulsing blue jelly that thrusts while it swells
  pdDart = 5,        // yellow dart with a swinging tail
  pdPincer = 6,      // green pincer; only ever comes into play as brood
};

// The world's list of all its predators, in the world's order; creatures borrow it.
using TPredatorList = std::vector<TBlobPredator*>;

// The hunter of the arena. One pooled record serves every kind in turn (TPredatorKind).
// A predator in play (Alive) steers, moves and draws itself in Update.
class TBlobPredator : public TSteeredBlob {
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
  TMS3DObj* SpikeModel = nullptr;
  TPredatorKind Kind = pdNone;
  bool Alive = false;
  float Pulse = 0.75f;
  float PulseStep = 0.0051f;
  TBlobSnake* Snake = nullptr;
  TEggList* Eggs = nullptr;
  TPredatorList* Predators = nullptr;
  TBlobEvent<TBlobPredator> OnKilled;
  TBlobEvent<TBlobPredator> OnEggEaten;
  TMS3DObj* BodyModel = nullptr;
  TPredatorShown Showing;

  // Stores the model whose vertices the spiky sphere draws and builds one spike for every third
  // vertex.
  void SetModel(TMS3DObj* Model);
  // Kinds pdSpiral to pdDart also set Radius and Points; pdNone and pdPincer keep what the slot
  // had.
  void SetKind(TPredatorKind Value);
  // Going into play prepares the current kind (a spiral picks an egg, a chain fills its trail).
  void SetAlive(bool Value);
  // One step: fade in, steer, move and keep what it shows, by kind. Nothing unless Alive and of
  // pdSpiral to pdPincer.
  void Update();
  // The predator as its last step showed it, at Fraction of the step since the step before.
  void Draw(float Fraction = 1) const;
  // Death effect of the current kind, then OnKilled. Leaves Alive to the caller.
  void Kill() override;
  // Aims at a random egg in play, or at the snake when there is none.
  void ChooseEggTarget();
  // Index of the first egg in play that this predator touches, or -1.
  int32_t FindTouchingEgg();

private:
  void StepKind(const TPredatorPose& Before);
  TPredatorPose Pose() const;
  void Animate();
  void EatEgg(int32_t Index);
  // The step's random draws and particles for the kind in play.
  void Emit();
  void EmitSpiral();
  void EmitChain();
  void EmitJelly();
  void EmitDart();
  void EmitPincer();
  void DrawSpiral(const TPredatorPose& At) const;
  void DrawSpikySphere(const TPredatorPose& At) const;
  void DrawChain(float Fraction) const;
  void DrawJelly(const TPredatorPose& At) const;
  void DrawDart(const TPredatorPose& At) const;
  void DrawPincer(const TPredatorPose& At) const;
  void DeathBurst();
  void BringInBrood();
};
