#pragma once
#include <cstdint>
#include <memory>

#include "assets/VexLib3DTypes.h"

class TMS3DObj;
class TParticle;
class TParticleList;
class TParticleBatcher;

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
  // Draws every particle on its own, in immediate mode: the reference that the batched drawing
  // must match pixel for pixel.
  bool Immediate = false;

  // Returns the new particle, or nullptr (and changes nothing) when all 10000 are live.
  TParticle* Spawn(const TXYZ& Position, const TXYZ& Velocity, uint8_t Kind, const TXYZ& Colour,
                   int32_t Size, float Speed, float TailLength, int32_t Life, int32_t Scale,
                   int32_t Spare);
  void Clear();
  // Moves, draws, bounces and ages every live particle, oldest first; returns how many it visited.
  int32_t UpdateAndDraw();
  // How many particles are live now.
  int32_t LiveCount() const;
  // How many GL draws the last batched pass issued (0 after an immediate one).
  int32_t LastBatchedDraws() const;

private:
  template <typename TDrawer> int32_t Pass(TDrawer& Drawer);
  std::unique_ptr<TParticleBatcher> Batcher;
};
