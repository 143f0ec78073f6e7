#pragma once

#include "creatures/blob.h"

// A small drifter that loops about a random point of its own, flapping two feelers and leaving
// a faint glow. Nothing interacts with it.
class TBlobPlankton : public TBlob {
public:
  // Draws, in order: Target X, Y, Z; Position X, Y, Z; FlapStep; Speed; Timer.
  TBlobPlankton();

  float Course = 0;
  bool Turning = true;
  TXYZ SettledTarget;
  float FlapAngle = 0;
  float FlapStep = 0;

  void Update();
  void Emit();
  void Draw() const;
};
