#include "creatures/blobEgg.h"

#include <GL/gl.h>

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"
#include "text/GLPrinter.h"

namespace {
constexpr float WobbleRadius = 2;

struct TBonusLabel {
  const char* Text;
  TXYZ Colour;
};

// Bonuses 1..3 add bullets per shot (red), 4..6 raise the cruising speed (yellow).
const TBonusLabel BonusLabels[6] = {
    {"Bx1", {1, 0, 0}}, {"Bx2", {1, 0, 0}}, {"Bx3", {1, 0, 0}},
    {"Vx1", {1, 1, 0}}, {"Vx2", {1, 1, 0}}, {"Vx3", {1, 1, 0}},
};
} // namespace

TBlobEgg::TBlobEgg() {
  Bonus = 0;
  SetXYZ(Target, 0, 100, 0);
  WobbleAngle = 0;
  // The sign is drawn before the size; a quarter of the eggs get 0 and never wobble.
  const int32_t sign = Random() >= 0.5 ? 1 : -1;
  WobbleRate = sign * Random(4);
}

void TBlobEgg::Update() {
  if (Active) Step();
}

void TBlobEgg::Step() {
  if (Bonus >= 1 && Bonus <= 6 && Printer) {
    const TBonusLabel& label = BonusLabels[Bonus - 1];
    Printer->Print(2, label.Colour, Position.X - 5, Position.Y - 5, TXYZ{0.5f, 0.5f, 0.5f},
                   label.Text);
  }

  WobbleAngle = WrapAngleF(WobbleAngle + float(WobbleRate));

  const int32_t rim = Random(360);
  Radius = 10.0f;

  // The constructor's rates keep the angle in 0..360; a rate set from outside could push it
  // further in one step, so the table index is kept in range.
  int32_t w = RoundHalfEven(WobbleAngle);
  if (w > 360 || w < 0) w = ((w % 360) + 360) % 360;
  const TXYZ centre{Position.X + WobbleRadius * CosSinTable[w].X,
                    Position.Y + WobbleRadius * CosSinTable[w].Y, Position.Z};

  const TXYZ glowAt{centre.X + Radius * CosSinTable[rim].X, centre.Y + Radius * CosSinTable[rim].Y,
                    Position.Z};
  const int32_t scale = Random(10) + 8;
  const float vx = float(Random() * 2 - 1);
  const float vy = float(Random() * 2 - 1);
  const float vz = float(Random() * 2 - 1);
  if (Engine)
    Engine->Spawn(glowAt, TXYZ{vx, vy, vz}, 3, TXYZ{0.1f, 0.1f, 0.2f}, 1, 0.1f, 1.0f, 40, scale, 0);

  glPushMatrix();
  glTranslatef(centre.X, centre.Y, centre.Z);
  glColor3f(0.3f, 0.3f, 0.3f);
  glLineWidth(1);
  glBegin(GL_LINE_LOOP);
  for (int32_t a = 0; a < 360; a += 20) glVertex3f(10 * CosSinTable[a].X, 10 * CosSinTable[a].Y, 0);
  glEnd();
  glPopMatrix();
}

void TBlobEgg::Fertilise() {
  for (int32_t i = 0; i < 128; ++i) {
    const TXYZ& direction = CosSinTable[Random(360)];
    const float push = float(Random(10));
    const TXYZ at{Position.X + 8 * direction.X, Position.Y + 8 * direction.Y,
                  Position.Z + 8 * direction.Z};
    const TXYZ velocity{direction.X * push, direction.Y * push, direction.Z * push};
    if (Engine) Engine->Spawn(at, velocity, 1, TXYZ{1, 1, 1}, 1, 0.1f, 0, 60, 60, 0);
  }
  if (Bonus == 0) Bonus = uint8_t(Random(6) + 1);
}
