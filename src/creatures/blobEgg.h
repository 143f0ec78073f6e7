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
  uint8_t Bonus = 0;
  TGLPrinter* Printer = nullptr;

  void Update();
  void Step();
  void Fertilise();
};

// The world's egg list, in the world's order; creatures borrow it.
using TEggList = std::vector<TBlobEgg*>;
