#include "assets/VexLib3DTypes.h"

#include <cmath>

#include "assets/GameRandom.h"

TXYZ CosSinTable[361];

namespace {
constexpr long double Pi = 3.14159265358979323846L;

// Pi / 2 in three parts: the first two have 40 significant bits, so k times them is exact for
// the k (below 2^20) that GameSinCos reduces by, and the sum carries 144 bits of pi / 2.
constexpr long double HalfPi1 = 0x1.921fb54442p+0L;
constexpr long double HalfPi2 = 0x1.a308d3131ap-41L;
constexpr long double HalfPi3 = -0x1.d747f23e32ed6fdcp-83L;
constexpr long double TwoOverPi = 0x1.45f306dc9c882a54p-1L;
constexpr long double MaxReduced = 0x1p20L;

// Taylor coefficients 1/n! for n = 0..23, folded at compile time.
struct TInverseFactorials {
  long double C[24];
  constexpr TInverseFactorials() : C() {
    C[0] = 1.0L;
    for (int n = 1; n < 24; ++n) C[n] = C[n - 1] / n;
  }
};
constexpr TInverseFactorials InverseFactorial;

// Sine and cosine of R for |R| <= pi / 4; the last terms are below 2^-80 there.
long double KernelSin(long double R) {
  const long double r2 = R * R;
  long double sum = 0.0L;
  for (int n = 23; n >= 3; n -= 2) sum = sum * r2 + ((n / 2) % 2 ? -1 : 1) * InverseFactorial.C[n];
  return R + R * r2 * sum;
}

long double KernelCos(long double R) {
  const long double r2 = R * R;
  long double sum = 0.0L;
  for (int n = 22; n >= 2; n -= 2) sum = sum * r2 + ((n / 2) % 2 ? -1 : 1) * InverseFactorial.C[n];
  return 1.0L + r2 * sum;
}

// Reduces A by the nearest multiple k of pi / 2 and returns sine and cosine by the quadrant.
void GameSinCos(long double A, long double& Sin, long double& Cos) {
  if (!(fabsl(A) < MaxReduced)) {
    Sin = sinl(A);
    Cos = cosl(A);
    return;
  }
  const long double k = nearbyintl(A * TwoOverPi);
  const long double r = ((A - k * HalfPi1) - k * HalfPi2) - k * HalfPi3;
  const long double s = KernelSin(r);
  const long double c = KernelCos(r);
  switch (int64_t(k) & 3) {
  case 0:
    Sin = s;
    Cos = c;
    break;
  case 1:
    Sin = c;
    Cos = -s;
    break;
  case 2:
    Sin = -s;
    Cos = -c;
    break;
  default:
    Sin = -c;
    Cos = s;
    break;
  }
}

// Fills the direction table once, before any game code can run.
struct TCosSinTableInit {
  TCosSinTableInit() {
    static int initCount = 0;
    if (initCount++ != 0) return;
    for (int i = 0; i <= 360; ++i) {
      const long double a = i * Pi / 180.0L;
      CosSinTable[i] = {float(GameCos(a)), float(GameSin(a)), 0.0f};
    }
  }
} cosSinTableInit;
} // namespace

long double GameSin(long double A) {
  long double s, c;
  GameSinCos(A, s, c);
  return s;
}

long double GameCos(long double A) {
  long double s, c;
  GameSinCos(A, s, c);
  return c;
}

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
  const bool x = ClampAxis(V.X, MinX, MaxX);
  const bool y = ClampAxis(V.Y, MinY, MaxY);
  return x || y;
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
  long double s, c;
  GameSinCos(a, s, c);
  X = float(c * Distance);
  Y = float(s * Distance);
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

float BlendAngle(float From, float To, float Fraction) {
  if (Fraction >= 1) return To;
  float turn = std::fmod(From - To, 360.0f);
  if (turn > 180) turn -= 360;
  if (turn < -180) turn += 360;
  return To + turn * (1 - Fraction);
}
