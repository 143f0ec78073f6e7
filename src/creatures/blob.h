#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>

#include "assets/VexLib3DTypes.h"
#include "particles/ParticleEngine2.h"

// What a fertilised egg carries and the snake collects.
enum TBonus : uint8_t {
  bnNone = 0,
  bnOneBullet = 1,    // one bullet per shot
  bnTwoBullets = 2,   // two bullets per shot
  bnThreeBullets = 3, // three bullets per shot
  bnSpeedLow = 4,     // cruising speed 2.5
  bnSpeedMid = 5,     // cruising speed 2.7
  bnSpeedHigh = 6,    // cruising speed 3.2
};

// One remembered position of a creature's trail, newest first.
struct TTrailPoint {
  float X = 0, Y = 0, Z = 0;
  float Angle = 0;
};

// Moves every point of Trail one place back, dropping the oldest, and puts Newest first.
template <size_t N> void PushTrail(TTrailPoint (&Trail)[N], const TTrailPoint& Newest) {
  std::memmove(&Trail[1], &Trail[0], sizeof(TTrailPoint) * (N - 1));
  Trail[0] = Newest;
}

// A trail point shown at Fraction of the step between From and To: the place blended, the angle
// the short way round.
TTrailPoint BlendTrail(const TTrailPoint& From, const TTrailPoint& To, float Fraction);

// A line loop of radius Radius about the origin through 18 points, every 20 degrees of the
// direction table.
void DrawCircle(float Radius);

// A point of a creature's drawn outline, in the plane Z = 0 of its own frame.
struct TFlatPoint {
  float X, Y;
};

// One GL primitive of Mode (GL_LINE_LOOP, GL_LINES, GL_POINTS) through Points, in order.
void DrawFlat(uint32_t Mode, std::initializer_list<TFlatPoint> Points);

// The pieces of a burst (a death, an eaten egg, the game's end): a ring growing by Speed a step,
// and a spark of size 1 moving Velocity x Speed a step.
TParticleSpawn BurstRing(const TXYZ& At, const TXYZ& Colour, float Speed);
TParticleSpawn BurstSpark(const TXYZ& At, const TXYZ& Velocity, TParticleKind Kind,
                          const TXYZ& Colour, float Speed, int32_t Life);

// The glow a creature leaves where it is: a still point with the sphere model, one unit of tail.
TParticleSpawn Glow(const TXYZ& At, const TXYZ& Colour, int32_t Life, int32_t Scale,
                    int32_t Size = 0);

// An event: a procedure taking the sender, bound to an object; fired only when assigned.
template <class TSender> using TBlobEvent = std::function<void(TSender*)>;

// The direction table's entry for a whole-degree course; a course outside 0..360 is folded back
// into range rather than read past the table.
const TXYZ& CourseDirection(int32_t Course);

// One step of the run-and-turn steering that the snake, the plankton, the mutant sperm and the
// predators share. Running straight (Turning false): while Target is still SettledTarget, move
// along Course at StraightSpeed; a new target costs a standstill step; a step that ends farther
// from the target starts a turn. Turning: turn TurnStep degrees the shorter way toward the
// bearing (a target exactly behind turns counter-clockwise), or, on a step that begins on the
// bearing, settle on the target; either way move along the new course at TurnSpeed.
// Returns true when a straight step ran past the target.
bool SteerStep(TXYZ& Position, const TXYZ& Target, int32_t& Course, bool& Turning,
               TXYZ& SettledTarget, int32_t TurnStep, float StraightSpeed, float TurnSpeed);

// The record every creature extends: where it is, how large for hit tests, whether in play,
// what it is worth, and the particle engine it throws particles through.
class TBlob {
public:
  TBlob() = default;
  virtual ~TBlob() = default;
  TBlob(const TBlob&) = delete;
  TBlob& operator=(const TBlob&) = delete;

  TParticleEngine2* Engine = nullptr;
  TBlobEvent<TBlob> OnArrive;
  int32_t Points = 0;
  int32_t Timer = 0;
  int32_t FrameCount = 0;
  TXYZ Target;
  float Radius = 0;
  bool Active = false;
  TXYZ Position;
  float Heading = 0;
  TXYZ Velocity;
  float Speed = 0;
  float Angle = 0;
  // Whether the last step showed the creature, and whether the step before it did. Each kind's
  // step keeps what it shows in a record of its own, and its Draw draws from that record: a
  // creature that has just come into view (or into play somewhere new) is drawn where it is,
  // rather than coming from where its slot was last shown.
  bool Shown = false;
  bool ShownBefore = false;

  void SetActive(bool Value) { Active = Value; }
  void ResetFrameCount() { FrameCount = 0; }
  // Hands Request to Engine; without an engine nothing happens. Not const, so that no drawing
  // (which changes nothing) can request particles: a creature's Emit does that.
  void SpawnParticle(const TParticleSpawn& Request);
  // The start of each step, shown or not.
  void BeginShow() {
    ShownBefore = Shown;
    Shown = false;
  }
  // The death entry point. Only predators die; for every other kind it does nothing.
  virtual void Kill() {}
  // One step of heading-and-speed travel in the X-Z plane, firing OnArrive on reaching Target.
  virtual void Move();
};

// The steering state of a creature that keeps its course in whole degrees (the snake, the mutant
// sperm, the predators), with the one step that moves it. The plankton keeps its course as a
// Single and calls SteerStep itself.
class TSteeredBlob : public TBlob {
public:
  int32_t Course = 0;
  bool Turning = true;
  // The Target that Course last came to point at exactly.
  TXYZ SettledTarget;

  // SteerStep from Position toward Target; true when a straight step ran past it.
  bool Steer(int32_t TurnStep, float StraightSpeed, float TurnSpeed) {
    return SteerStep(Position, Target, Course, Turning, SettledTarget, TurnStep, StraightSpeed,
                     TurnSpeed);
  }
};
