#pragma once
#include <cstdint>

#include "creatures/blob.h"

// Bullets per volley; the bullet bonuses carry the same numbers.
enum TWeaponMode : int32_t { wmOneBullet = 1, wmTwoBullets = 2, wmThreeBullets = 3 };

// The player's creature: steers for Target at a limited turning rate, leaves a glowing wake and
// draws twelve segments along the last 129 head positions.
class TBlobSnake : public TSteeredBlob {
public:
  TBlobSnake();

  float Brightness = 0.5f;
  TTrailPoint Trail[129];
  TWeaponMode WeaponMode = wmOneBullet;
  int32_t AimBearing = 0;
  float AimX = 0, AimY = 0;

  void Reset();
  void Update();
  // The step's random draws and particles: the wake, drawn even without an engine so that the
  // random sequence never depends on it.
  void Emit();
  void Draw() const;
  // Index must lie in 0..128.
  void GetTrailPoint(int32_t Index, TXYZ& Point) const;
  // Any value outside bnOneBullet..bnSpeedHigh changes nothing.
  void ApplyBonus(TBonus Kind);
};
