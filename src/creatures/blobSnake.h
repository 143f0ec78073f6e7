#pragma once
#include <cstdint>

#include "creatures/blob.h"

// Bullets per volley; the bullet bonuses carry the same numbers.
enum TWeaponMode : int32_t { wmOneBullet = 1, wmTwoBullets = 2, wmThreeBullets = 3 };

// What the snake showed in its last step, and where each piece was a step before.
struct TSnakeShown {
  static constexpr int32_t Segments = 12; // at trail points 8, 18, ... 118
  TTrailPoint Segment[Segments], SegmentFrom[Segments];
  TTrailPoint Head, HeadFrom;
  int32_t Aim = 0, AimFrom = 0; // the head's bearing
  TXYZ Target, TargetFrom;      // the marker
  float Brightness = 0;
};

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
  TSnakeShown Showing;

  void Reset();
  void Update();
  // The step's random draws and particles: the wake, drawn even without an engine so that the
  // random sequence never depends on it.
  void Emit();
  // What the step shows, kept for Draw; AimBefore is the bearing the step started with.
  void Show(int32_t AimBefore);
  // The snake as its last step showed it, at Fraction of the step since the step before.
  void Draw(float Fraction = 1) const;
  // Index must lie in 0..128.
  void GetTrailPoint(int32_t Index, TXYZ& Point) const;
  // Any value outside bnOneBullet..bnSpeedHigh changes nothing.
  void ApplyBonus(TBonus Kind);
};
