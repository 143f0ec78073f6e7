#pragma once
#include <cstdint>
#include <vector>

#include "creatures/blob.h"

class TGLPrinter;

// What an egg showed in its last step: its label, and its shell's centre then and a step before.
struct TEggShown {
  TBonus Bonus = bnNone;
  TXYZ Position, Centre, CentreFrom;
};

// An egg: wobbles and glows where it lies; a mutant sperm fertilises it into a bonus egg.
class TBlobEgg : public TBlob {
public:
  TBlobEgg();

  float WobbleAngle = 0;
  int32_t WobbleRate = 0;
  TBonus Bonus = bnNone;
  TGLPrinter* Printer = nullptr;
  TEggShown Showing;

  void Update();
  // One step of an egg in play: wobble, glow (Emit), and what it shows kept for Draw.
  void Step();
  void Emit();
  // The bonus label, then the shell at the wobbled centre, as the last step showed them.
  void Draw(float Fraction = 1) const;
  // Where the shell is drawn: the position, moved round a small circle by the wobble.
  TXYZ Centre() const;
  void Fertilise();
};

// The world's egg list, in the world's order; creatures borrow it.
using TEggList = std::vector<TBlobEgg*>;
