#pragma once
#include <cstdint>

#include "creatures/blob.h"
#include "creatures/blobEgg.h"

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

  void ResetTrail();
  void SetSwimming(bool Value);
  // One step with drawing; an idle sperm returns at once.
  void Update();
  void Emit();
  void Draw() const;
  // Index in Eggs of the first egg in play within reach, or -1.
  int32_t FindEggInReach();
};
