#pragma once
#include <cstdint>
#include <vector>

#include "creatures/blob.h"

class TGLPrinter;

// An egg: wobbles and glows where it lies; a mutant sperm fertilises it into a bonus egg.
class TBlobEgg : public TBlob {
public:
  TBlobEgg();

  float WobbleAngle = 0;
  int32_t WobbleRate = 0;
  TBonus Bonus = bnNone;
  TGLPrinter* Printer = nullptr;

  void Update();
  // One step of an egg in play: wobble, glow (Emit) and draw.
  void Step();
  void Emit();
  // The bonus label, then the shell at the wobbled centre.
  void Draw() const;
  // Where the shell is drawn: the position, moved round a small circle by the wobble.
  TXYZ Centre() const;
  void Fertilise();
};

// The world's egg list, in the world's order; creatures borrow it.
using TEggList = std::vector<TBlobEgg*>;
