#pragma once
#include <cstdint>

#include "creatures/blob.h"

// The player's creature: steers for Target at a limited turning rate, leaves a glowing wake and
// draws twelve segments along the last 129 head positions.
class TBlobSnake : public TBlob {
public:
  TBlobSnake();

  float Brightness = 0.5f;
  TTrailPoint Trail[129];
  int32_t Course = 0;
  bool Turning = false;
  TXYZ SettledTarget;
  int32_t WeaponMode = 1;
  int32_t AimBearing = 0;
  float AimX = 0, AimY = 0;

  void Reset();
  void Update();
  void Draw();
  // Index must lie in 0..128.
  void GetTrailPoint(int32_t Index, TXYZ& Point) const;
  void ApplyBonus(uint8_t Kind);
};
