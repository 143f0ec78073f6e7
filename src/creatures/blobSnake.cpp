#include "creatures/blobSnake.h"

#include "gl/GL.h"

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"

namespace {
// The head keeps 4 units inside the arena wall.
constexpr float WallX = ArenaMaxX - 4;
constexpr float WallY = ArenaMaxY - 4;
constexpr int32_t TurnStep = 2;
constexpr float TurnSpeedFactor = 0.6f;
// Each segment shrinks by 1/102.4 per trail entry, so the last two come out negative.
constexpr float SegmentShrink = 0.009765625f;
} // namespace

TBlobSnake::TBlobSnake() {
  Reset();
}

void TBlobSnake::Reset() {
  WeaponMode = wmOneBullet;
  for (TTrailPoint& point : Trail) point = TTrailPoint{};
  Course = 0;
  Turning = false;
  SetXYZ(Target, 0, 100, 0);
  AimBearing = 0;
  Radius = 10.0f;
  Brightness = 0.5f;
  Speed = 2.5f;
  ZeroXYZ(Position);
  // SettledTarget is deliberately kept: a new game normally starts by taking up its target.
}

void TBlobSnake::Update() {
  BeginShow();
  const int32_t aimBefore = AimBearing;
  Steer(TurnStep, Speed, Speed * TurnSpeedFactor);

  ClampXY(Position, -WallX, WallX, -WallY, WallY);
  PushTrail(Trail, {Position.X, Position.Y, Position.Z, float(Course)});
  AimBearing = BearingTo(Position.X, Position.Y, AimX, AimY);

  Emit();
  Show(aimBefore);
}

void TBlobSnake::Show(int32_t AimBefore) {
  TSnakeShown& s = Showing;
  // A trail point was the one before it a step ago; the marker was where the last step showed it.
  const TXYZ targetBefore = s.Target;
  for (int32_t k = 0; k < TSnakeShown::Segments; ++k) {
    s.Segment[k] = Trail[8 + 10 * k];
    s.SegmentFrom[k] = ShownBefore ? Trail[9 + 10 * k] : s.Segment[k];
  }
  s.Head = Trail[0];
  s.HeadFrom = ShownBefore ? Trail[1] : Trail[0];
  s.Aim = AimBearing;
  s.AimFrom = ShownBefore ? AimBefore : AimBearing;
  s.Target = Target;
  s.TargetFrom = ShownBefore ? targetBefore : Target;
  s.Brightness = Brightness;
  Shown = true;
}

void TBlobSnake::Emit() {
  const int32_t life = Random(96) + 32;
  const float grey = Brightness * 0.4f;
  SpawnParticle(Glow(Position, {grey, grey, grey}, life, 12));
}

void TBlobSnake::Draw(float Fraction) const {
  const TSnakeShown& s = Showing;
  const float bodyGrey = s.Brightness * 0.6f;
  const float tipGrey = s.Brightness * 0.9f;
  for (int32_t k = 0; k < TSnakeShown::Segments; ++k) {
    const int32_t i = 8 + 10 * k;
    const TTrailPoint point = BlendTrail(s.SegmentFrom[k], s.Segment[k], Fraction);
    const float scale = 1.0f - float(i) * SegmentShrink;
    glPushMatrix();
    glTranslatef(point.X, point.Y, point.Z);
    glRotatef(point.Angle - 90.0f, 0, 0, 1);
    glColor3f(bodyGrey, bodyGrey, bodyGrey);
    glScalef(scale, scale, scale);
    DrawFlat(GL_LINE_LOOP, {{-8, 16}, {-8, -16}, {8, -16}, {8, 16}});
    DrawFlat(GL_LINES, {{0, 0}, {-36, -10}, {0, 0}, {36, -10}});
    glColor3f(tipGrey, tipGrey, tipGrey);
    glPointSize(2);
    DrawFlat(GL_POINTS, {{-36, -10}, {36, -10}});
    glPopMatrix();
  }

  const TTrailPoint head = BlendTrail(s.HeadFrom, s.Head, Fraction);
  glPushMatrix();
  glTranslatef(head.X, head.Y, head.Z);
  glRotatef(BlendAngle(float(s.AimFrom - 90), float(s.Aim - 90), Fraction), 0, 0, 1);
  glLineWidth(1);
  glColor3f(bodyGrey, bodyGrey, bodyGrey);
  DrawFlat(GL_LINE_LOOP, {{-3, 18}, {-12, -12}, {12, -12}, {3, 18}});
  DrawFlat(GL_LINES, {{-12, -12}, {-18, -28}, {12, -12}, {18, -28}});
  glPopMatrix();

  const TXYZ target = Blend(s.TargetFrom, s.Target, Fraction);
  glPushMatrix();
  glTranslatef(target.X, target.Y, target.Z);
  glLineWidth(2);
  glColor3f(1, 1, 1);
  DrawFlat(GL_LINES, {{0, 8}, {0, -8}, {8, 0}, {-8, 0}});
  glPopMatrix();
}

void TBlobSnake::GetTrailPoint(int32_t Index, TXYZ& Point) const {
  // Out-of-range requests take the nearest end of the trail rather than reading past it.
  if (Index < 0) Index = 0;
  if (Index > 128) Index = 128;
  Point = {Trail[Index].X, Trail[Index].Y, Trail[Index].Z};
}

void TBlobSnake::ApplyBonus(TBonus Kind) {
  switch (Kind) {
  case bnOneBullet:
  case bnTwoBullets:
  case bnThreeBullets:
    WeaponMode = TWeaponMode(Kind);
    break;
  case bnSpeedLow:
    Speed = 2.5f;
    break;
  case bnSpeedMid:
    Speed = 2.7f;
    break;
  case bnSpeedHigh:
    Speed = 3.2f;
    break;
  default:
    break;
  }
}
