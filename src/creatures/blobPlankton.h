#pragma once

#include "creatures/blob.h"

// Where a plankton was and how it was turned and flapping, as a step shows it.
struct TPlanktonPose {
  TXYZ Position;
  float Course = 0, Flap = 0;
};

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
  // The last step's pose, and the pose a step before it.
  TPlanktonPose Showing, ShowingFrom;

  void Update();
  void Emit();
  // The plankton as its last step showed it, at Fraction of the step since the step before.
  void Draw(float Fraction = 1) const;
};
