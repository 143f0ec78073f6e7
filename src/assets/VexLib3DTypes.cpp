#include "assets/VexLib3DTypes.h"

#include <cmath>

#include "assets/GameRandom.h"

TXYZ CosSinTable[361];

namespace {
constexpr long double Pi = 3.14159265358979323846L;

// Fills the direction table once, before any game code can run.
struct TCosSinTableInit {
  TCosSinTableInit() {
    static int initCount = 0;
    if (initCount++ != 0) return;
    for (int i = 0; i <= 360; ++i) {
      const long double a = i * Pi / 180.0L;
      CosSinTable[i] = {float(cosl(a)), float(sinl(a)), 0.0f};
    }
  }
} cosSinTableInit;
} // namespace

int32_t RoundHalfEven(double V) {
  return int32_t(std::nearbyint(V));
}

void SetXYZ(TXYZ& V, float X, float Y, float Z) {
  V = {X, Y, Z};
}

void ZeroXYZ(TXYZ& V) {
  V = {0, 0, 0};
}

void SetScaledXYZ(TXYZ& V, float X, float Y, float Z, float S) {
  V = {X * S, Y * S, Z * S};
}

void AddXYZ(const TXYZ& A, const TXYZ& B, TXYZ& R) {
  R = {A.X + B.X, A.Y + B.Y, A.Z + B.Z};
}

void ScaleXYZ(const TXYZ& A, TXYZ& R, float S) {
  R = {A.X * S, A.Y * S, A.Z * S};
}

void FadeXYZ(const TXYZ& A, TXYZ& R, float S) {
  auto fade = [S](float c) {
    const float v = c - S;
    return v >= 0 ? v : 0.0f;
  };
  R = {fade(A.X), fade(A.Y), fade(A.Z)};
}

void RandomXYZ(const TXYZ& A, const TXYZ& B, TXYZ& R) {
  // Each component is drawn in turn, so the three draws happen in X, Y, Z order.
  const float x = A.X + float(Random(RoundHalfEven(B.X) - RoundHalfEven(A.X)));
  const float y = A.Y + float(Random(RoundHalfEven(B.Y) - RoundHalfEven(A.Y)));
  const float z = A.Z + float(Random(RoundHalfEven(B.Z) - RoundHalfEven(A.Z)));
  R = {x, y, z};
}

bool SameXYZ(const TXYZ& A, const TXYZ& B) {
  return A.X == B.X && A.Y == B.Y && A.Z == B.Z;
}

float DistanceSqXY(const TXYZ& A, const TXYZ& B) {
  const float dx = B.X - A.X;
  const float dy = B.Y - A.Y;
  return float(double(dx) * dx + double(dy) * dy);
}

float DistanceSqXYZ(const TXYZ& A, const TXYZ& B) {
  const long double dx = (long double)B.X - A.X;
  const long double dy = (long double)B.Y - A.Y;
  const long double dz = (long double)B.Z - A.Z;
  return float(dx * dx + dy * dy + dz * dz);
}

bool ClampXY(TXYZ& V, float MinX, float MaxX, float MinY, float MaxY) {
  bool changed = false;
  if (V.X < MinX) {
    V.X = MinX;
    changed = true;
  } else if (V.X > MaxX) {
    V.X = MaxX;
    changed = true;
  }
  if (V.Y < MinY) {
    V.Y = MinY;
    changed = true;
  } else if (V.Y > MaxY) {
    V.Y = MaxY;
    changed = true;
  }
  return changed;
}

bool InsideXY(const TXYZ& V, float MinX, float MaxX, float MinY, float MaxY) {
  if (V.X < MinX) return false;
  if (V.X > MaxX) return false;
  if (V.Y < MinY) return false;
  if (V.Y > MaxY) return false;
  return true;
}

void Bounce(float& P, float& D, float Min, float Max) {
  P = P + D;
  if (P + D >= Max || P + D <= Min) {
    D = -D;
    P = P + D;
  }
}

void PolarToXY(float& X, float& Y, float AngleDeg, float Distance) {
  const long double a = AngleDeg * Pi / 180.0L;
  X = float(cosl(a) * Distance);
  Y = float(sinl(a) * Distance);
}

int32_t BearingTo(float X1, float Y1, float X2, float Y2) {
  const float dx = X2 - X1;
  const float dy = Y2 - Y1;
  auto degrees = [&] { return int32_t(nearbyintl(atanl((long double)dy / dx) * 180.0L / Pi)); };
  if (X2 > X1) {
    if (Y2 > Y1) return degrees();
    if (Y2 < Y1) return degrees() + 360;
    return 0;
  }
  if (X2 < X1) {
    if (Y2 == Y1) return 180;
    return degrees() + 180;
  }
  if (Y2 > Y1) return 90;
  if (Y2 < Y1) return 270;
  return 0;
}

int32_t WrapAngle(int32_t A) {
  if (A > 360) return A - 360;
  if (A < 0) return A + 360;
  return A;
}

float WrapAngleF(float A) {
  if (A > 360) return A - 360;
  if (A < 0) return A + 360;
  return A;
}

int32_t TurnDirection(int32_t From, int32_t To) {
  int32_t d = 0;
  if (From < To)
    d = To - From;
  else if (From > To)
    d = To - From + 360;
  if (d == 0) return 0;
  if (d > 180) return 1;
  return -1;
}
