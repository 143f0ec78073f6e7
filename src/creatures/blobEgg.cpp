#include "creatures/blobEgg.h"

#include "gl/GL.h"

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"
#include "text/GLPrinter.h"

namespace {
constexpr float WobbleRadius = 2;

struct TBonusLabel {
  const char* Text;
  TXYZ Colour;
};

// Indexed by bonus - 1: bullets per shot in red, cruising speeds in yellow.
const TBonusLabel BonusLabels[6] = {
    {"Bx1", {1, 0, 0}}, {"Bx2", {1, 0, 0}}, {"Bx3", {1, 0, 0}},
    {"Vx1", {1, 1, 0}}, {"Vx2", {1, 1, 0}}, {"Vx3", {1, 1, 0}},
};
} // namespace

TBlobEgg::TBlobEgg() {
  Bonus = bnNone;
  SetXYZ(Target, 0, 100, 0);
  WobbleAngle = 0;
  // The sign is drawn before the size; a quarter of the eggs get 0 and never wobble.
  const int32_t sign = Random() >= 0.5 ? 1 : -1;
  WobbleRate = sign * Random(4);
}

void TBlobEgg::Update() {
  BeginShow();
  if (Active) Step();
}

void TBlobEgg::Step() {
  // An egg moves only between steps (picked up and laid again): it is shown where it lies now.
  const TXYZ centreBefore = Centre();
  WobbleAngle = WrapAngleF(WobbleAngle + float(WobbleRate));
  Radius = 10.0f;
  Emit();
  Showing = {Bonus, Position, Centre(), ShownBefore ? centreBefore : Centre()};
  Shown = true;
}

TXYZ TBlobEgg::Centre() const {
  // The constructor's rates keep the angle in 0..360; a rate set from outside could push it
  // further in one step, so the table index is kept in range.
  const TXYZ& wobble = CourseDirection(RoundHalfEven(WobbleAngle));
  return {Position.X + WobbleRadius * wobble.X, Position.Y + WobbleRadius * wobble.Y, Position.Z};
}

void TBlobEgg::Emit() {
  const int32_t rim = Random(360);
  const TXYZ centre = Centre();
  const TXYZ glowAt{centre.X + Radius * CosSinTable[rim].X, centre.Y + Radius * CosSinTable[rim].Y,
                    Position.Z};
  const int32_t scale = Random(10) + 8;
  const float vx = float(Random() * 2 - 1);
  const float vy = float(Random() * 2 - 1);
  const float vz = float(Random() * 2 - 1);
  SpawnParticle({.Position = glowAt,
                 .Velocity = {vx, vy, vz},
                 .Kind = pkPointSphere,
                 .Colour = {0.1f, 0.1f, 0.2f},
                 .Size = 1,
                 .Speed = 0.1f,
                 .TailLength = 1,
                 .Life = 40,
                 .Scale = scale});
}

void TBlobEgg::Draw(float Fraction) const {
  const TEggShown& s = Showing;
  if (s.Bonus >= bnOneBullet && s.Bonus <= bnSpeedHigh && Printer) {
    const TBonusLabel& label = BonusLabels[s.Bonus - 1];
    Printer->Print(2, label.Colour, s.Position.X - 5, s.Position.Y - 5, TXYZ{0.5f, 0.5f, 0.5f},
                   label.Text);
  }
  const TXYZ centre = Blend(s.CentreFrom, s.Centre, Fraction);
  glPushMatrix();
  glTranslatef(centre.X, centre.Y, centre.Z);
  glColor3f(0.3f, 0.3f, 0.3f);
  glLineWidth(1);
  DrawCircle(10);
  glPopMatrix();
}

void TBlobEgg::Fertilise() {
  // Draws per spark: angle, push.
  for (int32_t i = 0; i < 128; ++i) {
    const TXYZ& direction = CosSinTable[Random(360)];
    const float push = float(Random(10));
    const TXYZ at{Position.X + 8 * direction.X, Position.Y + 8 * direction.Y,
                  Position.Z + 8 * direction.Z};
    const TXYZ velocity{direction.X * push, direction.Y * push, direction.Z * push};
    SpawnParticle({.Position = at,
                   .Velocity = velocity,
                   .Kind = pkPoint,
                   .Colour = {1, 1, 1},
                   .Size = 1,
                   .Speed = 0.1f,
                   .Life = 60,
                   .Scale = 60});
  }
  if (Bonus == bnNone) Bonus = TBonus(Random(6) + 1);
}
