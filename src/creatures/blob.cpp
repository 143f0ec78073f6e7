#include "creatures/blob.h"

#include "gl/GL.h"

#include <cmath>

#include "particles/ParticleEngine2.h"

void TBlob::Move() {
  PolarToXY(Velocity.X, Velocity.Z, Heading, Speed);
  Position.X += Velocity.X;
  Position.Y += Velocity.Y;
  Position.Z += Velocity.Z;

  const float reach = 4 * Speed;
  const bool arrived =
      (Position.X < Target.X && Velocity.X < 0) || (Position.X > Target.X && Velocity.X > 0) ||
      (Position.Z > Target.Z && Velocity.Z > 0) || (Position.Z < Target.Z && Velocity.Z < 0) ||
      (std::abs(Target.X - Position.X) < reach && std::abs(Target.Y - Position.Y) < reach &&
       std::abs(Target.Z - Position.Z) < reach);
  if (arrived && OnArrive) OnArrive(this);
}

void TBlob::SpawnParticle(const TParticleSpawn& Request) {
  if (Engine) Engine->Spawn(Request);
}

TParticleSpawn BurstRing(const TXYZ& At, const TXYZ& Colour, float Speed) {
  return {.Position = At,
          .Kind = pkRing,
          .Colour = Colour,
          .Size = 1,
          .Speed = Speed,
          .TailLength = 1,
          .Life = 32,
          .Scale = 24};
}

TParticleSpawn BurstSpark(const TXYZ& At, const TXYZ& Velocity, TParticleKind Kind,
                          const TXYZ& Colour, float Speed, int32_t Life) {
  return {.Position = At,
          .Velocity = Velocity,
          .Kind = Kind,
          .Colour = Colour,
          .Size = 1,
          .Speed = Speed,
          .TailLength = 1,
          .Life = Life,
          .Scale = 12};
}

TParticleSpawn Glow(const TXYZ& At, const TXYZ& Colour, int32_t Life, int32_t Scale, int32_t Size) {
  return {.Position = At,
          .Kind = pkPointSphere,
          .Colour = Colour,
          .Size = Size,
          .TailLength = 1,
          .Life = Life,
          .Scale = Scale};
}

TTrailPoint BlendTrail(const TTrailPoint& From, const TTrailPoint& To, float Fraction) {
  return {Blend(From.X, To.X, Fraction), Blend(From.Y, To.Y, Fraction),
          Blend(From.Z, To.Z, Fraction), BlendAngle(From.Angle, To.Angle, Fraction)};
}

void DrawCircle(float Radius) {
  glBegin(GL_LINE_LOOP);
  for (int32_t d = 0; d < 360; d += 20)
    glVertex3f(Radius * CosSinTable[d].X, Radius * CosSinTable[d].Y, 0);
  glEnd();
}

void DrawFlat(uint32_t Mode, std::initializer_list<TFlatPoint> Points) {
  glBegin(Mode);
  for (const TFlatPoint& p : Points) glVertex3f(p.X, p.Y, 0);
  glEnd();
}

const TXYZ& CourseDirection(int32_t Course) {
  if (Course < 0 || Course > 360) {
    Course %= 360;
    if (Course < 0) Course += 360;
  }
  return CosSinTable[Course];
}

bool SteerStep(TXYZ& Position, const TXYZ& Target, int32_t& Course, bool& Turning,
               TXYZ& SettledTarget, int32_t TurnStep, float StraightSpeed, float TurnSpeed) {
  auto advance = [&](float speed) {
    const TXYZ& d = CourseDirection(Course);
    Position.X += d.X * speed;
    Position.Y += d.Y * speed;
    Position.Z += d.Z * speed;
  };
  const float startDistance = DistanceSqXYZ(Position, Target);
  const bool wasTurning = Turning;
  bool ranPast = false;

  if (!wasTurning) {
    if (SameXYZ(SettledTarget, Target))
      advance(StraightSpeed);
    else
      Turning = true;
    if (DistanceSqXYZ(Position, Target) > startDistance) {
      ranPast = true;
      Turning = true;
    }
  }

  if (wasTurning) {
    const int32_t bearing = BearingTo(Position.X, Position.Y, Target.X, Target.Y);
    if (Course == bearing) {
      // Settling waits for a step that begins on the bearing.
      SettledTarget = Target;
      Turning = false;
    } else {
      // Course 360 against bearing 0 counts as no difference, so no turn is made.
      Course = WrapAngle(Course - TurnStep * TurnDirection(Course, bearing));
    }
    advance(TurnSpeed);
  }
  return ranPast;
}
