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

struct TParticleColour {
  float R = 0, G = 0, B = 0, A = 1;
};

// What one particle showed in the last update: where it was drawn (where it went, before the wall
// put it back) and where it was a step before, how far its streak's tail trails its head, and the
// model's scale then and now.
struct TParticleShown {
  TXYZ From, To;
  float TailX = 0, TailY = 0; // Velocity x TailLength: the tail ends this far behind, at Z = 0
  float ScaleFrom = 0, Scale = 0;
  TParticleColour Colour;
  int32_t Size = 0;
  uint8_t Kind = 0;
};

// A particle as a frame draws it: the head, the streak's tail at Z = 0, the model's scale.
struct TParticleShape {
  TXYZ Position;
  float TailX = 0, TailY = 0;
  float Scale = 0;
  TParticleColour Colour;
  int32_t Size = 0;
};

// Owns every particle of the game: a fixed pool of 10000 that creatures spawn into and that is
// moved, bounced and aged once a step; a frame draws what the last step showed.
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
  // Whether Update keeps what each particle shows, for Draw. Off for a step that no frame will
  // show: the particles move and age all the same.
  bool Recording = true;

  // Moves, bounces and ages every live particle, oldest first, keeping (when Recording) what each
  // shows where it went; returns how many it visited.
  int32_t Update();
  // Draws what the last Update kept, in its order, each particle at Fraction of the step between
  // where it was a step before and where it is. While the do-nothing GL table is in use nothing
  // is drawn or batched.
  void Draw(float Fraction = 1);
  // One step and its own frame.
  int32_t UpdateAndDraw() {
    const int32_t visited = Update();
    Draw(1);
    return visited;
  }
  // How many particles are live now.
  int32_t LiveCount() const;
  // How many GL draws the last batched pass issued (0 after an immediate one).
  int32_t LastBatchedDraws() const;

private:
  template <typename TDrawer> void Pass(TDrawer& Drawer, float Fraction);
  std::unique_ptr<TParticleBatcher> Batcher;
  // What the last Update kept, one record for each particle that draws something.
  std::unique_ptr<TParticleShown[]> Shown;
  int32_t ShownCount = 0;
};
