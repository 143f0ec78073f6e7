#include "creatures/blobBullet.h"

#include "gl/GL.h"

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"

TBlobBullet::TBlobBullet() {
  ZeroXYZ(Target);
  Radius = 10;
  Active = false;
}

void TBlobBullet::Update() {
  BeginShow();
  if (!Active) return;
  const TXYZ before = Position;

  // The edge test comes before the move, so a bullet that has just crossed the edge is drawn
  // once outside and bursts on the edge in the following step.
  if (ClampXY(Position, ArenaMinX, ArenaMaxX, ArenaMinY, ArenaMaxY)) {
    Active = false;
    // Draws per spark: size, speed, life, angle.
    for (int32_t i = 0; i < 20; ++i) {
      const int32_t size = Random(2) + 1;
      const float speed = float(Random() + 0.1);
      const int32_t life = Random(16) + 16;
      const TXYZ& direction = CosSinTable[Random(360)];
      const TXYZ velocity{direction.X * 10, direction.Y * 10, direction.Z * 10};
      SpawnParticle({.Position = Position,
                     .Velocity = velocity,
                     .Kind = pkPoint,
                     .Colour = {0.8f, 0.8f, 0.8f},
                     .Size = size,
                     .Speed = speed,
                     .Life = life,
                     .Scale = 24});
    }
    return;
  }

  Speed = 6;
  Position.X += Target.X * Speed;
  Position.Y += Target.Y * Speed;
  Position.Z += Target.Z * Speed;
  Showing = {Position, ShownBefore ? before : Position, Angle};
  Shown = true;
  FrameCount += 1;
}

void TBlobBullet::Draw(float Fraction) const {
  const TXYZ at = Blend(Showing.From, Showing.Position, Fraction);
  glPushMatrix();
  glTranslatef(at.X, at.Y, at.Z);
  glRotatef(Showing.Angle, 0, 0, 1);
  glLineWidth(1);
  glColor3f(0.8f, 0.8f, 0.8f);
  DrawFlat(GL_LINE_LOOP, {{-4, 0}, {4, 0}, {0, 12}});
  glPopMatrix();
}
