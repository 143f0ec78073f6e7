#pragma once
#include <cstdint>
#include <memory>

#include "assets/VexLib3DTypes.h"

class TMS3DObj;
class TParticle;
class TParticleList;
class TParticleBatcher;

// How a particle is drawn each step. Values 6..255 draw nothing; such a particle still moves,
// bounces and ages.
enum TParticleKind : uint8_t {
  pkStreak = 0,       // a line of Size pixels from Position back along Velocity x TailLength
  pkPoint = 1,        // a point of Size pixels
  pkStreakSphere = 2, // a streak, and the sphere model while Scale > 0
  pkPointSphere = 3,  // a point, and the sphere model while Scale > 0
  pkSphere = 4,       // the sphere model alone
  pkRing = 5,         // the ring model, growing by Speed a step and darkening below life 50
};

// One particle request. Colour carries R, G, B in X, Y, Z; fields left out are zero.
struct TParticleSpawn {
  TXYZ Position{};
  TXYZ Velocity{};
  TParticleKind Kind = pkStreak;
  TXYZ Colour{};
  int32_t Size = 0;
  float Speed = 0;
  float TailLength = 0;
  int32_t Life = 0;
  // Whole units; stored in the particle as a float.
  int32_t Scale = 0;
};

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
  TParticle* Spawn(const TParticleSpawn& Request);
  void Clear();
  // Moves, draws, bounces and ages every live particle, oldest first; returns how many it visited.
  // While the do-nothing GL table is in use (an undrawn step) nothing is drawn or batched.
  int32_t UpdateAndDraw();
  // How many particles are live now.
  int32_t LiveCount() const;
  // How many GL draws the last batched pass issued (0 after an immediate one).
  int32_t LastBatchedDraws() const;

private:
  template <typename TDrawer> int32_t Pass(TDrawer& Drawer);
  std::unique_ptr<TParticleBatcher> Batcher;
};
