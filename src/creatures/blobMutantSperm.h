#pragma once
#include <cstdint>

#include "creatures/blob.h"
#include "creatures/blobEgg.h"

// What a sperm showed in its last step: its trail's points then and a step before (each point was
// the one behind it), and the head's turn.
struct TSpermShown {
  static constexpr int32_t Points = 24;
  TTrailPoint Trail[Points], From[Points];
  float Turn = 0, TurnFrom = 0;
};

// The messenger launched from the snake's tail toward an empty egg; it fertilises the first egg
// in play that it comes within reach of, or gives up after 1001 steps.
class TBlobMutantSperm : public TSteeredBlob {
public:
  TBlobMutantSperm();

  float WiggleAngle = 0;
  float WiggleStep = 12;
  TTrailPoint Trail[24];
  bool Swimming = false;
  // The egg the world launched it at; only the world reads it.
  TBlobEgg* TargetEgg = nullptr;
  TEggList* Eggs = nullptr;
  TSpermShown Showing;

  void ResetTrail();
  void SetSwimming(bool Value);
  // One step, keeping what it shows; an idle sperm returns at once.
  void Update();
  void Emit();
  // The sperm as its last step showed it, at Fraction of the step since the step before.
  void Draw(float Fraction = 1) const;
  // Index in Eggs of the first egg in play within reach, or -1.
  int32_t FindEggInReach();
};
