#include "creatures/blobMutantSperm.h"

#include "gl/GL.h"

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"

namespace {
constexpr float SwimSpeed = 0.75f;
constexpr int32_t TurnStep = 2;
constexpr float WiggleLimit = 90;
constexpr int32_t SwimSteps = 1000;
} // namespace

// The fields' own start values hold the rest: a zero trail and course, turning, wiggle 0 by 12
// a step, not swimming.
TBlobMutantSperm::TBlobMutantSperm() {
  SetXYZ(Target, 0, 100, 0);
}

void TBlobMutantSperm::ResetTrail() {
  for (TTrailPoint& point : Trail) point = {Position.X, Position.Y, Position.Z, 0};
}

void TBlobMutantSperm::SetSwimming(bool Value) {
  Swimming = Value;
  Timer = SwimSteps;
}

void TBlobMutantSperm::Update() {
  BeginShow();
  if (!Swimming) return;
  const float turnBefore = float(Course) - 90 + WiggleAngle;

  Bounce(WiggleAngle, WiggleStep, -WiggleLimit, WiggleLimit);

  // No slow-down while turning, unlike the snake.
  Speed = SwimSpeed;
  Steer(TurnStep, Speed, Speed);

  const TTrailPoint dropped = Trail[TSpermShown::Points - 1];
  PushTrail(Trail, {Position.X, Position.Y, Position.Z, float(Course) + WiggleAngle});

  Emit();
  TSpermShown& s = Showing;
  for (int32_t i = 0; i < TSpermShown::Points; ++i) {
    s.Trail[i] = Trail[i];
    s.From[i] = !ShownBefore ? Trail[i] : i + 1 < TSpermShown::Points ? Trail[i + 1] : dropped;
  }
  s.Turn = float(Course) - 90 + WiggleAngle;
  s.TurnFrom = ShownBefore ? turnBefore : s.Turn;
  Shown = true;

  const int32_t k = FindEggInReach();
  if (k >= 0) {
    (*Eggs)[size_t(k)]->Fertilise();
    Swimming = false;
  }

  Timer -= 1;
  if (Timer < 0) Swimming = false;
}

void TBlobMutantSperm::Emit() {
  const int32_t scale = Random(12);
  SpawnParticle(Glow(Position, {0.6f, 0.6f, 0.6f}, 8, scale));
}

void TBlobMutantSperm::Draw(float Fraction) const {
  const TSpermShown& s = Showing;
  TTrailPoint trail[TSpermShown::Points];
  for (int32_t i = 0; i < TSpermShown::Points; ++i)
    trail[i] = BlendTrail(s.From[i], s.Trail[i], Fraction);
  for (int32_t i = 0; i <= 22; ++i) {
    glPushMatrix();
    glLineWidth(1);
    glColor3f(0.25f, 0.25f, 0.25f);
    glBegin(GL_LINES);
    glVertex3f(trail[i].X, trail[i].Y, trail[i].Z);
    glVertex3f(trail[i + 1].X, trail[i + 1].Y, trail[i + 1].Z);
    glEnd();
    glPopMatrix();
  }

  // The head keeps the grey of the trail.
  glPushMatrix();
  glTranslatef(trail[0].X, trail[0].Y, trail[0].Z);
  glRotatef(BlendAngle(s.TurnFrom, s.Turn, Fraction), 0, 0, 1);
  glLineWidth(2);
  DrawFlat(GL_LINE_LOOP, {{0, 0}, {2, 2}, {0, 4}, {-2, 2}});
  glPopMatrix();
}

int32_t TBlobMutantSperm::FindEggInReach() {
  if (!Eggs) return -1;
  const float reachSq = Radius * Radius;
  for (size_t i = 0; i < Eggs->size(); ++i) {
    const TBlobEgg* egg = (*Eggs)[i];
    if (egg && egg->Active &&
        DistanceSqXY(Position, egg->Position) < reachSq + egg->Radius * egg->Radius)
      return int32_t(i);
  }
  return -1;
}
