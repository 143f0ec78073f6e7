#pragma once
#include <cstdint>
#include <memory>

#include "assets/VexLib3DTypes.h"
#include "particles/LinkedList.h"
#include "particles/ParticleEngine2.h"

// One particle of the engine's pool. Kind decides how it is drawn: 0 streak, 1 point, 2 streak and
// sphere, 3 point and sphere, 4 sphere, 5 growing and fading ring, 6..255 nothing (it still moves,
// bounces and ages).
class TParticle : public TLink {
public:
  TParticle() = default;

  TXYZ Position;
  // Steps left; the particle is released in the step that brings it to 0 or below.
  int32_t Life = 0;
  // Displacement per step before it is multiplied by Speed.
  TXYZ Velocity;
  // Multiplier of Velocity; for rings also the growth of Scale per step.
  float Speed = 0;
  uint8_t Kind = 0;
  // Point size (kinds 1, 3) or line width (kinds 0, 2) in pixels.
  int32_t Size = 0;
  // A is set to 1 and not used for drawing.
  TParticleColour Colour;
  // Length factor of a streak: its tail ends Velocity x TailLength behind Position, at Z = 0.
  float TailLength = 0;
  // Uniform scale of the model of kinds 2..5; no model is drawn while it is 0 or below.
  float Scale = 0;
  // Spawned since the last update: its first frame shows it where it is, not coming from
  // anywhere.
  bool Fresh = false;
};

// The pool of 10000 particles, all made at construction and linked onto the free chain in order
// (the first becomes FreeHead with Index 0, the last FreeTail).
class TParticleList : public TLinkedList {
public:
  static constexpr int32_t PoolSize = 10000;

  TParticleList();
  ~TParticleList() override;

  TParticle* Allocate() { return static_cast<TParticle*>(TLinkedList::Allocate()); }
  TParticle* Release(TParticle* Node) {
    return static_cast<TParticle*>(TLinkedList::Release(Node));
  }
  // The oldest live particle.
  TParticle* First() const { return static_cast<TParticle*>(ActiveHead); }

private:
  // One block for every node: nodes that fall off both chains are still freed with it.
  std::unique_ptr<TParticle[]> Pool;
};
