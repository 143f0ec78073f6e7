#pragma once
#include <cstdint>

#include "assets/VexLib3DTypes.h"

class TMS3DObj;
class TParticle;
class TParticleList;

// Owns every particle of the game: a fixed pool of 10000 that creatures spawn into and that is
// moved, drawn, bounced and aged in one pass per frame.
class TParticleEngine2 {
public:
  // Loads "SphereTile8x8.txt" and "CircleFade8x8.txt"; the GL context must be current.
  TParticleEngine2();
  ~TParticleEngine2();
  TParticleEngine2(const TParticleEngine2&) = delete;
  TParticleEngine2& operator=(const TParticleEngine2&) = delete;

  TParticleList* Particles = nullptr;
  TMS3DObj* SphereModel = nullptr;
  TMS3DObj* RingModel = nullptr;

  // Returns the new particle, or nullptr (and changes nothing) when all 10000 are live.
  TParticle* Spawn(const TXYZ& Position, const TXYZ& Velocity, uint8_t Kind, const TXYZ& Colour,
                   int32_t Size, float Speed, float TailLength, int32_t Life, int32_t Scale,
                   int32_t Spare);
  void Clear();
  // Moves, draws, bounces and ages every live particle, oldest first; returns how many it visited.
  int32_t UpdateAndDraw();
  // How many particles are live now.
  int32_t LiveCount() const;
};
