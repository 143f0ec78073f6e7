#pragma once

#include "creatures/blob.h"

// The snake's shot: flies straight along Target (a unit direction) at 6 units a step until it
// leaves the arena, where it bursts into sparks, or until the world finds it hitting a predator.
class TBlobBullet : public TBlob {
public:
  TBlobBullet();

  // Moves and draws the bullet; an idle bullet does nothing.
  void Update();
  void Draw() const;
};
