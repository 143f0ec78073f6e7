#pragma once

#include "creatures/blob.h"

// The snake's shot: flies straight along Target (a unit direction) at 6 units a step until it
// leaves the arena, where it bursts into sparks, or until the world finds it hitting a predator.
// What a bullet showed in its last step: where it was drawn, where it was a step before, its turn.
struct TBulletShown {
  TXYZ Position, From;
  float Angle = 0;
};

class TBlobBullet : public TBlob {
public:
  TBlobBullet();

  TBulletShown Showing;

  // Moves the bullet and keeps what it shows; an idle bullet does nothing.
  void Update();
  // The bullet as its last step showed it, at Fraction of the step since the step before.
  void Draw(float Fraction = 1) const;
};
