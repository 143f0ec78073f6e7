#include "particles/ParticleBatcher.h"

#include "gl/GL.h"
#include "gl/GLScale.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets/VexLib3D.h"
#include "particles/Particle.h"
#include "particles/ParticleEngine2.h"

namespace {

// Pixels added around every box: covers rounding, rasterisation rules and filtering.
constexpr float Margin = 2;
// Tiles drawn between two flushes of a long array.
constexpr int32_t TilesPerFlush = 1000;

float Clamp01(float V) {
  return V < 0 ? 0 : (V > 1 ? 1 : V);
}

} // namespace

void TParticleTile::Take(const TMS3DObj* Model) {
  Usable = false;
  if (Model == nullptr || !Model->Loaded || Model->Meshes.size() != 1) return;
  const T3DMesh& mesh = Model->Meshes[0];
  if (mesh.MaterialIndex < 0 || mesh.MaterialIndex >= int32_t(Model->Materials.size())) return;
  const TMaterial& material = Model->Materials[size_t(mesh.MaterialIndex)];
  if (!material.HasTexture) return;
  if (mesh.Triangles.empty() || mesh.Triangles.size() * 3 > size_t(MaxIndices)) return;
  const int32_t count = int32_t(mesh.DrawVertices.size());
  if (count > MaxVertices) return;
  for (int32_t v = 0; v < count; ++v) {
    const TMeshVertex& d = mesh.DrawVertices[size_t(v)];
    Corners[v * 3] = d.Position.X;
    Corners[v * 3 + 1] = d.Position.Y;
    Corners[v * 3 + 2] = d.Position.Z;
    TexCoords[v * 2] = d.U;
    TexCoords[v * 2 + 1] = d.V;
  }
  Vertices = count;
  IndexCount = 0;
  for (const TMeshTriangle& tri : mesh.Triangles)
    for (const int32_t v : {tri.V1, tri.V2, tri.V3}) {
      if (v < 0 || v >= count) return;
      Indices[IndexCount++] = v;
    }
  Texture = material.TextureName;
  Transparent = material.Transparent;
  for (int32_t c = 0; c < 3; ++c) Emission[c] = material.Emissive[c];
  Alpha = Clamp01(material.Diffuse[3]);
  Usable = true;
}

// Kept out of line: one body, so every caller rounds the very same way.
[[gnu::noinline]] void TileCorners(const TParticleTile& Tile, const TParticleShape& P, float* Out) {
  const float s = P.Scale;
  const float* c = Tile.Corners;
  for (int32_t v = 0; v < Tile.Vertices; ++v, c += 3, Out += 3) {
    const float x = c[0] * s, y = c[1] * s, z = c[2] * s;
    Out[0] = P.Position.X + x;
    Out[1] = P.Position.Y + y;
    Out[2] = P.Position.Z + z;
  }
}

[[gnu::noinline]] void TileColour(const TParticleTile& Tile, const float* SceneAmbient,
                                  const TParticleShape& P, float* Out) {
  const float rgb[3] = {P.Colour.R, P.Colour.G, P.Colour.B};
  for (int32_t c = 0; c < 3; ++c) {
    const float lit = SceneAmbient[c] * rgb[c];
    Out[c] = Clamp01(Tile.Emission[c] + lit);
  }
  Out[3] = Tile.Alpha;
}

void TileStateOn(const TParticleTile& Tile) {
  UseAdditiveTexture(Tile.Texture, Tile.Transparent);
}

void TileStateOff() {
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
}

struct TParticleBatcher::TModelTiles {
  TParticleTile Tile;
  std::unique_ptr<float[]> Positions, Colours;
  // The same for every pass: each tile's texture coordinates, and its triangles' indices into
  // the arrays.
  std::unique_ptr<float[]> TexCoords;
  std::unique_ptr<uint32_t[]> Indices;
  int32_t Count = 0; // tiles pending
  bool Seen = false;
};

TParticleBatcher::TParticleBatcher(TMS3DObj* Sphere, TMS3DObj* Ring, int32_t MaxParticles)
    : Models(new TModelTiles[ModelCount]), MaxParticles(MaxParticles) {
  Models[SphereTile].Tile.Take(Sphere);
  Models[RingTile].Tile.Take(Ring);
  Usable = Models[SphereTile].Tile.Usable && Models[RingTile].Tile.Usable;
  if (!Usable) return;
  for (int32_t i = 0; i < ModelCount; ++i) {
    TModelTiles& m = Models[i];
    const TParticleTile& tile = m.Tile;
    const size_t vertices = size_t(MaxParticles) * size_t(tile.Vertices);
    m.Positions.reset(new float[vertices * 3]);
    m.Colours.reset(new float[vertices * 4]);
    m.TexCoords.reset(new float[vertices * 2]);
    m.Indices.reset(new uint32_t[size_t(MaxParticles) * size_t(tile.IndexCount)]);
    for (int32_t t = 0; t < MaxParticles; ++t) {
      std::memcpy(&m.TexCoords[size_t(t) * size_t(tile.Vertices) * 2], tile.TexCoords,
                  sizeof(float) * 2 * size_t(tile.Vertices));
      for (int32_t k = 0; k < tile.IndexCount; ++k)
        m.Indices[size_t(t) * size_t(tile.IndexCount) + size_t(k)] =
            uint32_t(t * tile.Vertices + tile.Indices[k]);
    }
  }
  // A streak has two vertices, a point one.
  RunPositions.reset(new float[size_t(MaxParticles) * 2 * 3]);
  RunColours.reset(new float[size_t(MaxParticles) * 2 * 4]);
  Cells.reset(new uint16_t[size_t(MaxCols) * MaxRows]());
}

TParticleBatcher::~TParticleBatcher() = default;

const TParticleTile& TParticleBatcher::TileOf(int32_t Model) const {
  return Models[Model].Tile;
}

bool TParticleBatcher::Begin() {
  Draws = 0;
  if (!Usable) return false;
  // Hands the frame drawn so far to the renderer, so that a threaded software renderer
  // rasterises it while the particles are prepared. A flush changes no pixel.
  glFlush();
  glGetIntegerv(GL_VIEWPORT, Viewport);
  if (Viewport[2] <= 0 || Viewport[3] <= 0) return false;
  Cols = (Viewport[2] + CellSize - 1) / CellSize;
  Rows = (Viewport[3] + CellSize - 1) / CellSize;
  if (Cols > MaxCols || Rows > MaxRows) return false;
  float modelView[16], projection[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  // Column-major: Clip = projection x model-view.
  for (int32_t c = 0; c < 4; ++c)
    for (int32_t r = 0; r < 4; ++r) {
      float sum = 0;
      for (int32_t k = 0; k < 4; ++k) sum += projection[k * 4 + r] * modelView[c * 4 + k];
      Clip[c * 4 + r] = sum;
    }

  glGetFloatv(GL_LIGHT_MODEL_AMBIENT, SceneAmbient);
  glGetFloatv(GL_CURRENT_COLOR, StartColour);
  glGetFloatv(GL_POINT_SIZE, &GLPointSize);
  glGetFloatv(GL_LINE_WIDTH, &GLLineWidth);
  StreamPointSize = GLPointSize;
  StreamLineWidth = GLLineWidth;
  Drawing = ColourArrays = AnyColour = false;
  LastModel = -1;
  PendingTiles = 0;
  RunVertices = 0;
  TilesEverywhere = false;
  for (int32_t i = 0; i < ModelCount; ++i) {
    Models[i].Count = 0;
    Models[i].Seen = false;
  }
  if (++Epoch == 0) {
    std::memset(Cells.get(), 0, sizeof(uint16_t) * size_t(MaxCols) * MaxRows);
    Epoch = 1;
  }
  return true;
}

void TParticleBatcher::FirstDrawing() {
  if (Drawing) return;
  Drawing = true;
  // Every streak and point turns lighting off, and every tile leaves it off.
  glDisable(GL_LIGHTING);
}

bool TParticleBatcher::ToWindow(const float* Point, float& WX, float& WY) const {
  // Only for the overlap grid, which has a margin: float is close enough.
  const float* m = Clip;
  const float x = Point[0], y = Point[1], z = Point[2];
  const float cx = m[0] * x + m[4] * y + m[8] * z + m[12];
  const float cy = m[1] * x + m[5] * y + m[9] * z + m[13];
  const float w = m[3] * x + m[7] * y + m[11] * z + m[15];
  if (!(w > 1e-3f)) return false;
  WX = float(Viewport[0]) + (cx / w + 1) * 0.5f * float(Viewport[2]);
  WY = float(Viewport[1]) + (cy / w + 1) * 0.5f * float(Viewport[3]);
  return std::isfinite(WX) && std::isfinite(WY);
}

bool TParticleBatcher::CellRange(float X0, float Y0, float X1, float Y1, int32_t& C0, int32_t& R0,
                                 int32_t& C1, int32_t& R1) const {
  const float left = X0 - float(Viewport[0]) - Margin, right = X1 - float(Viewport[0]) + Margin;
  const float bottom = Y0 - float(Viewport[1]) - Margin, top = Y1 - float(Viewport[1]) + Margin;
  // Nothing of a primitive or a tile lands outside the viewport.
  if (right < 0 || top < 0 || left >= float(Viewport[2]) || bottom >= float(Viewport[3]))
    return false;
  C0 = std::max(0, int32_t(left) / CellSize);
  R0 = std::max(0, int32_t(bottom) / CellSize);
  C1 = std::min(Cols - 1, int32_t(right) / CellSize);
  R1 = std::min(Rows - 1, int32_t(top) / CellSize);
  return true;
}

void TParticleBatcher::MarkTiles(float X0, float Y0, float X1, float Y1) {
  int32_t c0, r0, c1, r1;
  if (!CellRange(X0, Y0, X1, Y1, c0, r0, c1, r1)) return;
  for (int32_t r = r0; r <= r1; ++r) {
    uint16_t* row = &Cells[size_t(r) * MaxCols];
    for (int32_t c = c0; c <= c1; ++c) row[c] = Epoch;
  }
}

bool TParticleBatcher::HitsTiles(float X0, float Y0, float X1, float Y1) const {
  if (PendingTiles == 0) return false;
  if (TilesEverywhere) return true;
  int32_t c0, r0, c1, r1;
  if (!CellRange(X0, Y0, X1, Y1, c0, r0, c1, r1)) return false;
  for (int32_t r = r0; r <= r1; ++r) {
    const uint16_t* row = &Cells[size_t(r) * MaxCols];
    for (int32_t c = c0; c <= c1; ++c)
      if (row[c] == Epoch) return true;
  }
  return false;
}

void TParticleBatcher::Streak(const TParticleShape& P) {
  Primitive(P, true);
}

void TParticleBatcher::Point(const TParticleShape& P) {
  Primitive(P, false);
}

void TParticleBatcher::Primitive(const TParticleShape& P, bool Line) {
  FirstDrawing();
  // A size of 0 or less is refused by the GL, which keeps the one it had.
  float& streamSize = Line ? StreamLineWidth : StreamPointSize;
  if (P.Size > 0) streamSize = float(P.Size);
  const float size = streamSize;

  const float x1 = P.Position.X, y1 = P.Position.Y, z1 = P.Position.Z;
  const float x2 = P.TailX, y2 = P.TailY;
  if (PendingTiles > 0) {
    float ax = 0, ay = 0, bx = 0, by = 0;
    bool hits = true;
    const float head[3] = {x1, y1, z1}, tail[3] = {x2, y2, 0};
    if (ToWindow(head, ax, ay)) {
      bx = ax;
      by = ay;
      if (!Line || ToWindow(tail, bx, by)) {
        // Scaled lines and points are wider than the game's size.
        const float half = size * GLWidthScale() * 0.5f + 1;
        hits = HitsTiles(std::min(ax, bx) - half, std::min(ay, by) - half, std::max(ax, bx) + half,
                         std::max(ay, by) + half);
      }
    }
    if (hits) {
      // The tiles came first: they must be under this primitive, not over it.
      FlushRun();
      FlushTiles();
    }
  }
  if (RunVertices > 0 && (RunLines != Line || RunSize != size)) FlushRun();
  RunLines = Line;
  RunSize = size;
  float* pos = &RunPositions[size_t(RunVertices) * 3];
  float* col = &RunColours[size_t(RunVertices) * 4];
  pos[0] = x1;
  pos[1] = y1;
  pos[2] = z1;
  col[0] = P.Colour.R;
  col[1] = P.Colour.G;
  col[2] = P.Colour.B;
  col[3] = 1;
  ++RunVertices;
  if (Line) {
    pos[3] = x2;
    pos[4] = y2;
    pos[5] = 0;
    std::memcpy(col + 4, col, sizeof(float) * 4);
    ++RunVertices;
  }
  std::memcpy(LastColour, col, sizeof LastColour);
  AnyColour = true;
  ColourArrays = true;
}

void TParticleBatcher::Tile(int32_t Model, const TParticleShape& P) {
  FirstDrawing();
  TModelTiles& tiles = Models[Model];
  const TParticleTile& tile = tiles.Tile;
  if (!tiles.Seen) {
    // What drawing this tile on its own leaves behind for every later streak and point.
    FlushRun();
    tiles.Seen = true;
    glDisable(GL_LIGHT0);
    glDisable(GL_DEPTH_TEST);
    TileStateOn(tile);
    TileStateOff();
  }

  const size_t first = size_t(tiles.Count) * size_t(tile.Vertices);
  float* pos = &tiles.Positions[first * 3];
  float* col = &tiles.Colours[first * 4];
  TileCorners(tile, P, pos);
  float colour[4];
  TileColour(tile, SceneAmbient, P, colour);
  float x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  bool onScreen = true;
  for (int32_t v = 0; v < tile.Vertices; ++v) {
    std::memcpy(col + v * 4, colour, sizeof colour);
    float wx = 0, wy = 0;
    if (ToWindow(pos + v * 3, wx, wy)) {
      x0 = std::min(x0, wx);
      x1 = std::max(x1, wx);
      y0 = std::min(y0, wy);
      y1 = std::max(y1, wy);
    } else {
      onScreen = false;
    }
  }
  ++tiles.Count;
  std::memcpy(LastColour, colour, sizeof LastColour);
  AnyColour = true;
  ColourArrays = true;
  LastModel = Model;
  ++PendingTiles;
  if (!onScreen)
    TilesEverywhere = true;
  else
    MarkTiles(x0, y0, x1, y1);
}

void TParticleBatcher::FlushRun() {
  if (RunVertices == 0) return;
  if (RunLines) {
    if (RunSize != GLLineWidth) glLineWidth(RunSize);
    GLLineWidth = RunSize;
  } else {
    if (RunSize != GLPointSize) glPointSize(RunSize);
    GLPointSize = RunSize;
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, RunPositions.get());
  glColorPointer(4, GL_FLOAT, 0, RunColours.get());
  glDrawArrays(RunLines ? GL_LINES : GL_POINTS, 0, RunVertices);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  ++Draws;
  RunVertices = 0;
}

void TParticleBatcher::FlushTiles() {
  if (PendingTiles == 0) return;
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  for (int32_t i = 0; i < ModelCount; ++i) {
    TModelTiles& tiles = Models[i];
    if (tiles.Count == 0) continue;
    TileStateOn(tiles.Tile);
    glVertexPointer(3, GL_FLOAT, 0, tiles.Positions.get());
    glTexCoordPointer(2, GL_FLOAT, 0, tiles.TexCoords.get());
    glColorPointer(4, GL_FLOAT, 0, tiles.Colours.get());
    // A long array goes out in parts with a flush after each, so that the renderer rasterises
    // the first tiles while it transforms the next; the tiles keep their order.
    const int32_t perTile = tiles.Tile.IndexCount;
    for (int32_t first = 0; first < tiles.Count; first += TilesPerFlush) {
      const int32_t count = std::min(TilesPerFlush, tiles.Count - first);
      if (first > 0) glFlush();
      glDrawElements(GL_TRIANGLES, count * perTile, GL_UNSIGNED_INT,
                     &tiles.Indices[size_t(first) * size_t(perTile)]);
    }
    TileStateOff();
    ++Draws;
    tiles.Count = 0;
  }
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  PendingTiles = 0;
  TilesEverywhere = false;
  if (++Epoch == 0) {
    std::memset(Cells.get(), 0, sizeof(uint16_t) * size_t(MaxCols) * MaxRows);
    Epoch = 1;
  }
}

void TParticleBatcher::End() {
  FlushRun();
  FlushTiles();
  // Colour arrays leave the current colour undefined; the one-by-one drawing leaves the colour of
  // the last streak, point or tile, or the colour it found.
  if (ColourArrays) glColor4fv(AnyColour ? LastColour : StartColour);
  // ...and the last tile's texture bound.
  if (LastModel >= 0) glBindTexture(GL_TEXTURE_2D, Models[LastModel].Tile.Texture);
}
