#pragma once
#include <cstdint>
#include <memory>

class TMS3DObj;
class TParticle;

// Draws one particle pass in as few GL 1.1 draws as the drawing order allows, leaving the very
// pixels, and the GL state, that drawing each particle on its own in immediate mode leaves.
//
// - Streaks and points go out in runs of one width or size, in their order.
// - Tiles add their light (blend SRC_ALPHA, ONE into an 8-bit buffer saturates, and saturating
//   additions of non-negative terms commute), so pending tiles are drawn together, one draw per
//   model, and are held back until a streak or point would land on one of them.
// - A tile's corners are transformed here, with the same single-precision steps the GL takes for
//   a translate, a scale and the camera's translation, and drawn with an identity model-view.
//   That is exact only when the camera only translates, the projection is the game's symmetric
//   frustum and the tile's coordinates scale exactly; Begin refuses anything else.
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
  void Streak(const TParticle& P);
  void Point(const TParticle& P);
  void Tile(int32_t Model, const TParticle& P);
  // Draws whatever is pending and leaves the GL state as the one-by-one drawing would.
  void End();

  // Draw calls issued by the last pass.
  int32_t Draws = 0;
  // Whether both models are flat textured tiles this class can draw.
  bool Usable = false;

private:
  struct TModelTiles;
  void FirstDrawing();
  void Primitive(const TParticle& P, bool Line);
  void FlushRun();
  void FlushTiles();
  bool ToWindow(float X, float Y, float Z, float& WX, float& WY) const;
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
  float ModelView[16] = {};
  float Projection[16] = {};
  int32_t Viewport[4] = {};
  float SceneAmbient[4] = {};
  float StartColour[4] = {};
  // Point size and line width as the GL has them, and as the one-by-one drawing would by now.
  float GLPointSize = 1, GLLineWidth = 1;
  float StreamPointSize = 1, StreamLineWidth = 1;
  float LastColour[4] = {};
  bool Drawing = false;      // something has been drawn in this pass
  bool ModelSeen = false;    // a tile has been drawn (in stream order)
  bool ColourArrays = false; // the current colour must be put back at the end
  bool AnyPrimitive = false;
  int32_t LastModel = -1;
  int32_t PendingTiles = 0;

  static constexpr int32_t CellSize = 8;
  static constexpr int32_t MaxCols = 512, MaxRows = 512;
  std::unique_ptr<uint16_t[]> Cells;
  uint16_t Epoch = 1;
  int32_t Cols = 0, Rows = 0;
  bool TilesEverywhere = false;
};
