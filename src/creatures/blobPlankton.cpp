#include "creatures/blobPlankton.h"

#include "gl/GL.h"

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"

namespace {
constexpr float FlapLimit = 60;
constexpr float Grey = 0.15f;
} // namespace

// Only these fields differ from the base record's start values.
TBlobPlankton::TBlobPlankton() {
  RandomXYZ(TXYZ{-500, -500, 0}, TXYZ{500, 500, 0}, Target);
  RandomXYZ(TXYZ{-500, -500, 0}, TXYZ{500, 500, 0}, Position);
  Radius = 10.0f;
  Active = true;
  Turning = true;
  FlapAngle = 0;
  FlapStep = float(Random(4) + 2);
  Speed = float(Random() * 0.5 + 0.1);
  Timer = Random(1000) + 500;
  Course = 0;
  ZeroXYZ(SettledTarget);
}

void TBlobPlankton::Update() {
  BeginShow();
  const TPlanktonPose before{Position, Course, FlapAngle};
  Timer -= 1;
  if (Timer <= 0) {
    Timer = Random(1000) + 500;
    Speed = float(Random() / 6 + 0.1);
  }

  Bounce(FlapAngle, FlapStep, -FlapLimit, FlapLimit);

  // The course always holds a whole number of degrees; unlike the snake, a plankton turns at
  // full speed, 1 degree a step.
  int32_t course = RoundHalfEven(Course);
  SteerStep(Position, Target, course, Turning, SettledTarget, 1, Speed, Speed);
  Course = float(course);

  Emit();
  Showing = {Position, Course, FlapAngle};
  ShowingFrom = ShownBefore ? before : Showing;
  Shown = true;
}

void TBlobPlankton::Emit() {
  // Speed 0: the velocity never moves them.
  const TXYZ grey{Grey, Grey, Grey};
  SpawnParticle({.Position = Position,
                 .Velocity = Target,
                 .Kind = pkPointSphere,
                 .Colour = grey,
                 .Size = 1,
                 .Life = 6,
                 .Scale = 12});
  if (Random() < 0.1)
    SpawnParticle({.Position = Position,
                   .Velocity = Target,
                   .Kind = pkPointSphere,
                   .Colour = grey,
                   .Life = 40,
                   .Scale = 8});
}

void TBlobPlankton::Draw(float Fraction) const {
  const TXYZ at = Blend(ShowingFrom.Position, Showing.Position, Fraction);
  const float course = BlendAngle(ShowingFrom.Course, Showing.Course, Fraction);
  const float flap = Blend(ShowingFrom.Flap, Showing.Flap, Fraction);
  glPushMatrix();
  glLineWidth(1);
  glTranslatef(at.X, at.Y, at.Z);
  glRotatef(course, 0, 0, 1);
  glScalef(0.45f, 0.45f, 0.45f);
  glColor3f(Grey, Grey, Grey);
  // The body's five edges, each a line of its own.
  DrawFlat(
      GL_LINES,
      {{-6, 4}, {-6, -4}, {-6, -4}, {6, -6}, {6, -6}, {12, 0}, {12, 0}, {6, 6}, {6, 6}, {-6, 4}});
  glPopMatrix();

  glLineWidth(1);
  glPushMatrix();
  glTranslatef(at.X, at.Y, at.Z);
  glRotatef(course + flap, 0, 0, 1);
  glColor3f(Grey, Grey, Grey);
  DrawFlat(GL_LINES, {{0, 2}, {0, 8}});
  glPopMatrix();

  glPushMatrix();
  glTranslatef(at.X, at.Y, at.Z);
  glRotatef(course - flap, 0, 0, 1);
  glColor3f(Grey, Grey, Grey);
  DrawFlat(GL_LINES, {{0, -2}, {0, -8}});
  glPopMatrix();
}
