#include "creatures/blob.h"

#include <cmath>

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
