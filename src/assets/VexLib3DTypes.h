#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Small value types and free functions shared by every moving thing: the three-float record,
// the arena clamp, bearings and turning in whole degrees, and the direction table.
// Angles: degrees, 0 along +X, counter-clockwise; steering angles are whole degrees 0..360,
// where 0 and 360 both occur and both point along +X.

struct TXYZ {
  float X = 0, Y = 0, Z = 0;
};

// The arena: X in [-800, 800], Y in [-550, 550] world units, in the plane Z = 0.
constexpr float ArenaMinX = -800, ArenaMaxX = 800, ArenaMinY = -550, ArenaMaxY = 550;

// Entry d = (cos d, sin d, 0) for whole degrees d in 0..360. Filled once before main runs.
extern TXYZ CosSinTable[361];

void SetXYZ(TXYZ& V, float X, float Y, float Z);
void ZeroXYZ(TXYZ& V);
void SetScaledXYZ(TXYZ& V, float X, float Y, float Z, float S);
void AddXYZ(const TXYZ& A, const TXYZ& B, TXYZ& R);
void ScaleXYZ(const TXYZ& A, TXYZ& R, float S);
// R := A - S per component, floored at 0.
void FadeXYZ(const TXYZ& A, TXYZ& R, float S);
// Per component in X, Y, Z order: R.c := A.c + Random(Round(B.c) - Round(A.c)). Always draws three
// random numbers, even where a range is 0.
void RandomXYZ(const TXYZ& A, const TXYZ& B, TXYZ& R);
bool SameXYZ(const TXYZ& A, const TXYZ& B);
float DistanceSqXY(const TXYZ& A, const TXYZ& B);
float DistanceSqXYZ(const TXYZ& A, const TXYZ& B);
// Clamps X then Y into the box; true when either had to move. Z is never touched.
bool ClampXY(TXYZ& V, float MinX, float MaxX, float MinY, float MaxY);
// Puts Value back within [Min, Max]; true when it was outside (a NaN stays as it is).
inline bool ClampAxis(float& Value, float Min, float Max) {
  if (Value < Min) {
    Value = Min;
    return true;
  }
  if (Value > Max) {
    Value = Max;
    return true;
  }
  return false;
}
bool InsideXY(const TXYZ& V, float MinX, float MaxX, float MinY, float MaxY);
// One step of a value ping-ponging between two walls: P += D; if the next step would reach a
// wall (>= Max or <= Min), D flips and P steps back.
void Bounce(float& P, float& D, float Min, float Max);
void PolarToXY(float& X, float& Y, float AngleDeg, float Distance);
// Sine and cosine of A radians in long double, computed by the game itself so that every
// platform gets the same bits: C libraries differ in the last bits, and near the zeros of sine and
// cosine (90, 180, 270 and 360 degrees) some are several per cent off, because they use the
// x87's own instruction with its short pi. Accurate to a few units in the last place of long
// double for |A| below 2^20; beyond that the C library takes over.
long double GameSin(long double A);
long double GameCos(long double A);
// Whole-degree direction from (X1, Y1) to (X2, Y2) in 0..360 (360 happens just below +X).
int32_t BearingTo(float X1, float Y1, float X2, float Y2);
// One-step wrap: above 360 loses 360, below 0 gains 360; 360 itself stays.
int32_t WrapAngle(int32_t A);
float WrapAngleF(float A);
// -1 to turn counter-clockwise (difference up to and including 180), +1 clockwise, 0 when equal.
int32_t TurnDirection(int32_t From, int32_t To);
// Round to nearest with ties to even, as the game rounds everywhere.
int32_t RoundHalfEven(double V);

// Drawing between two steps: a value shown at From one step before and at To now, at Fraction
// (0..1) of a step since. Fraction 1 gives To itself, bit for bit, so that a frame drawn at a
// step's own time shows exactly what that step showed.
inline float Blend(float From, float To, float Fraction) {
  return Fraction >= 1 ? To : To + (From - To) * (1 - Fraction);
}
inline TXYZ Blend(const TXYZ& From, const TXYZ& To, float Fraction) {
  return {Blend(From.X, To.X, Fraction), Blend(From.Y, To.Y, Fraction),
          Blend(From.Z, To.Z, Fraction)};
}
// The same for an angle in degrees, the short way round (a turn from 359 to 1 passes 0).
float BlendAngle(float From, float To, float Fraction);

// Model records filled by the model loader and read by model drawing.

struct TMeshVertex {
  int32_t Flags = 0;
  TXYZ Position;
  float U = 0;
  float V = 0;
  TXYZ Normal;
  int32_t BoneIndex = 0;
};

struct TMeshTriangle {
  int32_t Flags = 0;
  int32_t V1 = 0, V2 = 0, V3 = 0;
  int32_t N1 = 0, N2 = 0, N3 = 0;
  int32_t SmoothingGroup = 0;
  TXYZ FaceNormal;
};

struct T3DMesh {
  std::string Name;
  int32_t Flags = 0;
  int32_t MaterialIndex = 0;
  int32_t VertexCount = 0;
  int32_t VerticesRead = 0;
  std::vector<TMeshVertex> Vertices;
  std::vector<TMeshVertex> DrawVertices;
  int32_t NormalCount = 0;
  int32_t NormalsRead = 0;
  std::vector<TXYZ> Normals;
  std::vector<TXYZ> DrawNormals;
  int32_t TriangleCount = 0;
  int32_t TrianglesRead = 0;
  std::vector<TMeshTriangle> Triangles;
};

struct TMaterial {
  std::string Name;
  float Ambient[4] = {0, 0, 0, 0};
  float Diffuse[4] = {0, 0, 0, 0};
  float Specular[4] = {0, 0, 0, 0};
  float Emissive[4] = {0, 0, 0, 0};
  float Shininess = 0;
  float Transparency = 0;
  std::string TextureFile;
  bool Masked = false;
  std::string AlphaMapFile;
  bool Transparent = false;
  bool HasTexture = false;
  uint8_t* TextureData = nullptr;
  int32_t TextureWidth = 0;
  int32_t TextureHeight = 0;
  uint32_t TextureName = 0;
};

struct TBone {
  std::string Name;
  std::string ParentName;
  float Flags = 0;
  TXYZ Position;
  int32_t PositionKeyCount = 0;
  int32_t PositionKeysRead = 0;
  int32_t RotationKeyCount = 0;
  int32_t RotationKeysRead = 0;
};
