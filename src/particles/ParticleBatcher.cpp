#include "particles/ParticleBatcher.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets/VexLib3D.h"
#include "particles/Particle.h"

namespace {

// Pixels added around every box: covers rounding, rasterisation rules and filtering.
constexpr float Margin = 2;

float Clamp01(float V) {
  return V < 0 ? 0 : (V > 1 ? 1 : V);
}

// A coordinate that any scale multiplies exactly: zero or a power of two.
bool ScalesExactly(float C) {
  if (C == 0) return true;
  int exponent = 0;
  return std::fabs(std::frexp(C, &exponent)) == 0.5f;
}

bool UsableTile(const TMS3DObj* Model) {
  if (Model == nullptr || !Model->Loaded || Model->Meshes.size() != 1) return false;
  const T3DMesh& mesh = Model->Meshes[0];
  if (mesh.MaterialIndex < 0 || mesh.MaterialIndex >= int32_t(Model->Materials.size()))
    return false;
  if (!Model->Materials[size_t(mesh.MaterialIndex)].HasTexture) return false;
  if (mesh.Triangles.empty() || mesh.Triangles.size() > 64) return false;
  const int32_t count = int32_t(mesh.DrawVertices.size());
  for (const TMeshTriangle& tri : mesh.Triangles)
    for (const int32_t v : {tri.V1, tri.V2, tri.V3}) {
      if (v < 0 || v >= count) return false;
      const TXYZ& p = mesh.DrawVertices[size_t(v)].Position;
      if (!ScalesExactly(p.X) || !ScalesExactly(p.Y) || !ScalesExactly(p.Z)) return false;
    }
  return true;
}

} // namespace

struct TParticleBatcher::TModelTiles {
  TMS3DObj* Model = nullptr;
  int32_t VerticesPerTile = 0;
  std::unique_ptr<float[]> Positions, TexCoords, Colours;
  int32_t Vertices = 0;
  // Colour of the last tile drawn with this model in the pass; the material keeps it afterwards.
  TXYZ LastColour;
  bool Seen = false;
};

TParticleBatcher::TParticleBatcher(TMS3DObj* Sphere, TMS3DObj* Ring, int32_t MaxParticles)
    : Models(new TModelTiles[ModelCount]), MaxParticles(MaxParticles) {
  Usable = UsableTile(Sphere) && UsableTile(Ring);
  Models[SphereTile].Model = Sphere;
  Models[RingTile].Model = Ring;
  if (!Usable) return;
  for (int32_t i = 0; i < ModelCount; ++i) {
    TModelTiles& m = Models[i];
    m.VerticesPerTile = int32_t(m.Model->Meshes[0].Triangles.size()) * 3;
    const size_t vertices = size_t(MaxParticles) * size_t(m.VerticesPerTile);
    m.Positions.reset(new float[vertices * 3]);
    m.TexCoords.reset(new float[vertices * 2]);
    m.Colours.reset(new float[vertices * 4]);
  }
  // A streak has two vertices, a point one.
  RunPositions.reset(new float[size_t(MaxParticles) * 2 * 3]);
  RunColours.reset(new float[size_t(MaxParticles) * 2 * 4]);
  Cells.reset(new uint16_t[size_t(MaxCols) * MaxRows]());
}

TParticleBatcher::~TParticleBatcher() = default;

bool TParticleBatcher::Begin() {
  Draws = 0;
  if (!Usable) return false;
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  if (mode != GL_MODELVIEW) return false;
  glGetFloatv(GL_MODELVIEW_MATRIX, ModelView);
  glGetFloatv(GL_PROJECTION_MATRIX, Projection);
  // Column-major: the camera may only translate...
  const float* m = ModelView;
  if (m[0] != 1 || m[1] != 0 || m[2] != 0 || m[3] != 0 || m[4] != 0 || m[5] != 1 || m[6] != 0 ||
      m[7] != 0 || m[8] != 0 || m[9] != 0 || m[10] != 1 || m[11] != 0 || m[15] != 1)
    return false;
  // ...and the projection must pass eye X and Y through and take W from -Z, so that projecting
  // the corners transformed here equals projecting with the whole product in the GL.
  const float* p = Projection;
  if (p[0] != 1 || p[4] != 0 || p[8] != 0 || p[12] != 0 || p[1] != 0 || p[5] != 1 || p[9] != 0 ||
      p[13] != 0 || p[3] != 0 || p[7] != 0 || p[11] != -1 || p[15] != 0)
    return false;
  glGetIntegerv(GL_VIEWPORT, Viewport);
  if (Viewport[2] <= 0 || Viewport[3] <= 0) return false;
  Cols = (Viewport[2] + CellSize - 1) / CellSize;
  Rows = (Viewport[3] + CellSize - 1) / CellSize;
  if (Cols > MaxCols || Rows > MaxRows) return false;

  glGetFloatv(GL_LIGHT_MODEL_AMBIENT, SceneAmbient);
  glGetFloatv(GL_CURRENT_COLOR, StartColour);
  glGetFloatv(GL_POINT_SIZE, &GLPointSize);
  glGetFloatv(GL_LINE_WIDTH, &GLLineWidth);
  StreamPointSize = GLPointSize;
  StreamLineWidth = GLLineWidth;
  Drawing = ModelSeen = ColourArrays = AnyPrimitive = false;
  LastModel = -1;
  PendingTiles = 0;
  RunVertices = 0;
  TilesEverywhere = false;
  for (int32_t i = 0; i < ModelCount; ++i) {
    Models[i].Vertices = 0;
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

bool TParticleBatcher::ToWindow(float X, float Y, float Z, float& WX, float& WY) const {
  const float ex = X + ModelView[12], ey = Y + ModelView[13], ez = Z + ModelView[14];
  const float w = -ez;
  if (!(w > 1e-3f)) return false;
  WX = float(Viewport[0]) + (ex / w + 1) * 0.5f * float(Viewport[2]);
  WY = float(Viewport[1]) + (ey / w + 1) * 0.5f * float(Viewport[3]);
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

void TParticleBatcher::Streak(const TParticle& P) {
  Primitive(P, true);
}

void TParticleBatcher::Point(const TParticle& P) {
  Primitive(P, false);
}

void TParticleBatcher::Primitive(const TParticle& P, bool Line) {
  FirstDrawing();
  // A size of 0 or less is refused by the GL, which keeps the one it had.
  float& streamSize = Line ? StreamLineWidth : StreamPointSize;
  if (P.Size > 0) streamSize = float(P.Size);
  const float size = streamSize;

  const float x1 = P.Position.X, y1 = P.Position.Y, z1 = P.Position.Z;
  const float x2 = P.Position.X - P.Velocity.X * P.TailLength;
  const float y2 = P.Position.Y - P.Velocity.Y * P.TailLength;
  if (PendingTiles > 0) {
    float ax = 0, ay = 0, bx = 0, by = 0;
    bool hits = true;
    if (ToWindow(x1, y1, z1, ax, ay)) {
      bx = ax;
      by = ay;
      if (!Line || ToWindow(x2, y2, 0, bx, by)) {
        const float half = size * 0.5f + 1;
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
  AnyPrimitive = true;
  ColourArrays = true;
}

void TParticleBatcher::Tile(int32_t Model, const TParticle& P) {
  FirstDrawing();
  TModelTiles& tiles = Models[Model];
  const TMaterial& material = tiles.Model->Materials[size_t(tiles.Model->Meshes[0].MaterialIndex)];
  if (!ModelSeen) {
    // What drawing a model leaves behind for every later streak and point of the pass.
    FlushRun();
    ModelSeen = true;
    glDisable(GL_LIGHT0);
    glDisable(GL_DEPTH_TEST);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glAlphaFunc(GL_GEQUAL, 0.01f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
  }
  if (material.Transparent) glDepthMask(GL_TRUE);

  // Lit with no light on: the scene's ambient light times the particle's colour, plus emission,
  // with the diffuse alpha; as the GL computes it, in single precision.
  const float rgb[3] = {P.Colour.R, P.Colour.G, P.Colour.B};
  float colour[4];
  for (int32_t c = 0; c < 3; ++c)
    colour[c] = Clamp01(material.Emissive[c] + SceneAmbient[c] * rgb[c]);
  colour[3] = Clamp01(material.Diffuse[3]);

  // glTranslatef then glScalef on the camera's matrix, step by step as the GL does them.
  const float* m = ModelView;
  const float px = P.Position.X, py = P.Position.Y, pz = P.Position.Z, s = P.Scale;
  const float t[3] = {m[0] * px + m[4] * py + m[8] * pz + m[12],
                      m[1] * px + m[5] * py + m[9] * pz + m[13],
                      m[2] * px + m[6] * py + m[10] * pz + m[14]};
  const float a[3][3] = {{m[0] * s, m[4] * s, m[8] * s},
                         {m[1] * s, m[5] * s, m[9] * s},
                         {m[2] * s, m[6] * s, m[10] * s}};

  const T3DMesh& mesh = tiles.Model->Meshes[0];
  float* pos = &tiles.Positions[size_t(tiles.Vertices) * 3];
  float* tex = &tiles.TexCoords[size_t(tiles.Vertices) * 2];
  float* col = &tiles.Colours[size_t(tiles.Vertices) * 4];
  float x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  bool onScreen = true;
  for (const TMeshTriangle& tri : mesh.Triangles)
    for (const int32_t v : {tri.V1, tri.V2, tri.V3}) {
      const TMeshVertex& d = mesh.DrawVertices[size_t(v)];
      const float vx = d.Position.X, vy = d.Position.Y, vz = d.Position.Z;
      for (int32_t r = 0; r < 3; ++r) pos[r] = a[r][0] * vx + a[r][1] * vy + a[r][2] * vz + t[r];
      tex[0] = d.U;
      tex[1] = d.V;
      std::memcpy(col, colour, sizeof colour);
      // The corner in the window, for the overlap grid (eye space, so no camera here).
      const float w = -pos[2];
      if (w > 1e-3f) {
        const float wx = float(Viewport[0]) + (pos[0] / w + 1) * 0.5f * float(Viewport[2]);
        const float wy = float(Viewport[1]) + (pos[1] / w + 1) * 0.5f * float(Viewport[3]);
        x0 = std::min(x0, wx);
        x1 = std::max(x1, wx);
        y0 = std::min(y0, wy);
        y1 = std::max(y1, wy);
      } else {
        onScreen = false;
      }
      pos += 3;
      tex += 2;
      col += 4;
    }
  tiles.Vertices += tiles.VerticesPerTile;
  tiles.LastColour = {rgb[0], rgb[1], rgb[2]};
  tiles.Seen = true;
  LastModel = Model;
  ++PendingTiles;
  if (!onScreen || !std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) ||
      !std::isfinite(y1))
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
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_ALPHA_TEST);
  glEnable(GL_BLEND);
  glPushMatrix();
  glLoadIdentity();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  for (int32_t i = 0; i < ModelCount; ++i) {
    TModelTiles& tiles = Models[i];
    if (tiles.Vertices == 0) continue;
    const TMaterial& material =
        tiles.Model->Materials[size_t(tiles.Model->Meshes[0].MaterialIndex)];
    glBindTexture(GL_TEXTURE_2D, material.TextureName);
    glVertexPointer(3, GL_FLOAT, 0, tiles.Positions.get());
    glTexCoordPointer(2, GL_FLOAT, 0, tiles.TexCoords.get());
    glColorPointer(4, GL_FLOAT, 0, tiles.Colours.get());
    glDrawArrays(GL_TRIANGLES, 0, tiles.Vertices);
    ++Draws;
    tiles.Vertices = 0;
  }
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glPopMatrix();
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_BLEND);
  ColourArrays = true;
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
  if (ColourArrays) {
    // Colour arrays leave the current colour undefined; the one-by-one drawing leaves the last
    // streak's or point's colour, or the colour it found.
    glColor4fv(AnyPrimitive ? LastColour : StartColour);
  }
  if (LastModel >= 0) {
    // Drawing a model writes the colour into its material and leaves its texture bound and its
    // material set in the GL.
    for (int32_t i = 0; i < ModelCount; ++i) {
      TModelTiles& tiles = Models[i];
      if (!tiles.Seen) continue;
      TMaterial& m = tiles.Model->Materials[size_t(tiles.Model->Meshes[0].MaterialIndex)];
      m.Ambient[0] = m.Diffuse[0] = tiles.LastColour.X;
      m.Ambient[1] = m.Diffuse[1] = tiles.LastColour.Y;
      m.Ambient[2] = m.Diffuse[2] = tiles.LastColour.Z;
    }
    const TMaterial& m =
        Models[LastModel]
            .Model->Materials[size_t(Models[LastModel].Model->Meshes[0].MaterialIndex)];
    glMaterialfv(GL_FRONT, GL_AMBIENT, m.Ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, m.Diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, m.Specular);
    glMaterialfv(GL_FRONT, GL_SHININESS, &m.Shininess);
    glMaterialfv(GL_FRONT, GL_EMISSION, m.Emissive);
    glBindTexture(GL_TEXTURE_2D, m.TextureName);
  }
}
