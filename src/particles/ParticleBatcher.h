#pragma once
#include <cstdint>
#include <memory>

class TMS3DObj;
struct TParticleShape;

// A particle model drawn as a flat tile: its corners and their texture coordinates, its triangles
// as three corner indices each, its texture and the material terms its colour comes from.
struct TParticleTile {
  static constexpr int32_t MaxVertices = 12, MaxIndices = 36;
  bool Usable = false;
  int32_t Vertices = 0; // corners
  float Corners[MaxVertices * 3] = {};
  float TexCoords[MaxVertices * 2] = {};
  int32_t IndexCount = 0; // three per triangle
  int32_t Indices[MaxIndices] = {};
  uint32_t Texture = 0;
  bool Transparent = false;
  float Emission[3] = {};
  float Alpha = 1;

  // Usable only for a loaded model of one textured mesh with a few triangles.
  void Take(const TMS3DObj* Model);
};

// The world-space corners of a particle's tile, Position + corner x Scale in single precision.
// Both drawings send the GL exactly these vertices under the camera's own model-view, so the GL
// transforms and rasterises them alike and the pixels match by construction.
void TileCorners(const TParticleTile& Tile, const TParticleShape& P, float* Out);
// The tile's colour: what lighting with no light on gives, emission + scene ambient x colour, and
// the material's alpha. Computed here rather than by the GL so that both drawings send it as is.
void TileColour(const TParticleTile& Tile, const float* SceneAmbient, const TParticleShape& P,
                float* Out);
// The state every tile is drawn in (texture, alpha test, additive blend); lighting stays off.
void TileStateOn(const TParticleTile& Tile);
void TileStateOff();

// Draws one particle pass in as few GL 1.1 draws as the drawing order allows, leaving the very
// pixels, and the GL state, that drawing each particle on its own in immediate mode leaves.
//
// - Every vertex carries its colour, in both drawings: the driver then interpolates it the same
//   way in both. (A colour set outside glBegin/glEnd may reach the driver either as a constant or
//   per vertex, depending on what was drawn before, and the two can round a step apart.)
// - Streaks and points go out in runs of one width or size, in their order.
// - Tiles add their light (blend SRC_ALPHA, ONE into an 8-bit buffer saturates, and saturating
//   additions of non-negative terms commute), so pending tiles are drawn together, one indexed
//   array per model, and are held back until a streak or point would land on one of them.
class TParticleBatcher {
public:
  // Index of a particle model in the batcher.
  enum : int32_t { SphereTile = 0, RingTile = 1, ModelCount = 2 };

  TParticleBatcher(TMS3DObj* Sphere, TMS3DObj* Ring, int32_t MaxParticles);
  ~TParticleBatcher();
  TParticleBatcher(const TParticleBatcher&) = delete;
  TParticleBatcher& operator=(const TParticleBatcher&) = delete;

  // Starts a pass; false when this pass must be drawn particle by particle.
  bool Begin();
  const TParticleTile& TileOf(int32_t Model) const;
  void Streak(const TParticleShape& P);
  void Point(const TParticleShape& P);
  void Tile(int32_t Model, const TParticleShape& P);
  // Draws whatever is pending and leaves the GL state as the one-by-one drawing would.
  void End();

  // Batches drawn by the last pass: each run of streaks or points, and each model's pending tiles
  // (a long tile array goes out in several draw calls, one per part, but counts once).
  int32_t Draws = 0;
  // Whether both models are flat textured tiles.
  bool Usable = false;

private:
  struct TModelTiles;
  void FirstDrawing();
  void Primitive(const TParticleShape& P, bool Line);
  void FlushRun();
  void FlushTiles();
  bool ToWindow(const float* Point, float& WX, float& WY) const;
  // Grid cells covered by pending tiles, in window pixels.
  void MarkTiles(float X0, float Y0, float X1, float Y1);
  bool HitsTiles(float X0, float Y0, float X1, float Y1) const;
  bool CellRange(float X0, float Y0, float X1, float Y1, int32_t& C0, int32_t& R0, int32_t& C1,
                 int32_t& R1) const;

  std::unique_ptr<TModelTiles[]> Models;
  int32_t MaxParticles = 0;

  // Run of streaks or points waiting to be drawn.
  std::unique_ptr<float[]> RunPositions;
  std::unique_ptr<float[]> RunColours;
  int32_t RunVertices = 0;
  bool RunLines = false;
  float RunSize = 0;

  // The pass's view, read in Begin.
  // Projection x model-view, for the overlap grid only.
  float Clip[16] = {};
  int32_t Viewport[4] = {};
  float SceneAmbient[4] = {};
  float StartColour[4] = {};
  // Point size and line width as the GL has them, and as the one-by-one drawing would by now.
  float GLPointSize = 1, GLLineWidth = 1;
  float StreamPointSize = 1, StreamLineWidth = 1;
  float LastColour[4] = {};
  bool Drawing = false;      // something has been drawn in this pass
  bool ColourArrays = false; // the current colour must be put back at the end
  bool AnyColour = false;    // LastColour holds the colour of the last streak, point or tile
  int32_t LastModel = -1;
  int32_t PendingTiles = 0;

  static constexpr int32_t CellSize = 8;
  static constexpr int32_t MaxCols = 512, MaxRows = 512;
  std::unique_ptr<uint16_t[]> Cells;
  uint16_t Epoch = 1;
  int32_t Cols = 0, Rows = 0;
  bool TilesEverywhere = false;
};
