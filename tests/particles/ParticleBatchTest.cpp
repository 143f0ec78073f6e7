// The batched particle pass against drawing every particle on its own in immediate mode: from the
// same particles and the same starting state, the same colour and depth buffers to the byte and
// the same GL state afterwards.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/GameRandom.h"
#include "assets/VexLib3D.h"
#include "gl/GLScale.h"
#include "particles/ParticleEngine2.h"
#include "support/GLTestContext.h"

namespace {

struct TScene {
  const char* Name;
  int32_t Count;
  uint8_t FirstKind, LastKind; // kinds drawn uniformly from this range
  int32_t MaxSize;             // 0..MaxSize: a size of 0 keeps the GL's point size or line width
  int32_t MaxScale;            // 0..MaxScale
  float CameraX, CameraY;
  bool LeftoverState; // lighting on, another blend function and a wide point size at the start
  bool Rotated;       // a camera that turns as well as moves
  // Every particle the eggs' glow colour, whose 0.1 x 255 lies on a rounding edge: a colour the
  // driver interpolates instead of taking as set comes out a step apart.
  bool OneColour;
  // Widths drawn this many times the game's, as on a picture larger than the game's own.
  float WidthScale = 1;
};

void Fill(TParticleEngine2& Engine, const TScene& Scene) {
  Engine.Clear();
  RandSeed = 7;
  for (int32_t i = 0; i < Scene.Count; ++i) {
    // Field by field, in the order of the draws, which is not the order of the fields.
    TParticleSpawn request;
    request.Kind = TParticleKind(Scene.FirstKind + Random(Scene.LastKind - Scene.FirstKind + 1));
    request.Position = {float(Random(1700)) - 850, float(Random(1200)) - 600,
                        float(Random(41)) - 20};
    request.Velocity = {float(Random(9)) - 4, float(Random(9)) - 4, float(Random(3)) - 1};
    request.Colour = {float(Random()), float(Random()), float(Random())};
    if (Scene.OneColour) request.Colour = {0.1f, 0.1f, 0.2f};
    request.Size = Random(Scene.MaxSize + 1);
    request.Speed = float(Random()) * 3;
    request.Life = Random(80) + 1;
    request.Scale = Random(Scene.MaxScale + 1);
    request.TailLength = float(Random(6));
    Engine.Spawn(request);
  }
}

struct TFrame {
  std::vector<uint8_t> Colour;
  std::vector<uint32_t> Depth;
  std::vector<float> State;
};

// Every piece of GL state the pass may touch, flattened; the bound texture as 0 (sphere), 1
// (ring) or 2 (anything else), since each engine has its own texture objects.
std::vector<float> StateOf(const TParticleEngine2& Engine) {
  std::vector<float> s;
  for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_BLEND, GL_TEXTURE_2D, GL_ALPHA_TEST,
                     GL_VERTEX_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY})
    s.push_back(glIsEnabled(cap) ? 1 : 0);
  float f[16];
  for (GLenum q : {GL_POINT_SIZE, GL_LINE_WIDTH, GL_ALPHA_TEST_REF}) {
    glGetFloatv(q, f);
    s.push_back(f[0]);
  }
  glGetFloatv(GL_CURRENT_COLOR, f);
  s.insert(s.end(), f, f + 4);
  glGetFloatv(GL_MODELVIEW_MATRIX, f);
  s.insert(s.end(), f, f + 16);
  for (GLenum m : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_EMISSION}) {
    glGetMaterialfv(GL_FRONT, m, f);
    s.insert(s.end(), f, f + 4);
  }
  GLint i[4];
  for (GLenum q : {GL_BLEND_SRC, GL_BLEND_DST, GL_ALPHA_TEST_FUNC, GL_DEPTH_WRITEMASK,
                   GL_MODELVIEW_STACK_DEPTH}) {
    glGetIntegerv(q, i);
    s.push_back(float(i[0]));
  }
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, i);
  s.push_back(float(i[0]));
  glGetIntegerv(GL_TEXTURE_BINDING_2D, i);
  const uint32_t sphere = Engine.SphereModel->Materials[0].TextureName;
  const uint32_t ring = Engine.RingModel->Materials[0].TextureName;
  s.push_back(uint32_t(i[0]) == sphere ? 0 : (uint32_t(i[0]) == ring ? 1 : 2));
  for (const TMS3DObj* model : {Engine.SphereModel, Engine.RingModel})
    s.insert(s.end(), model->Materials[0].Ambient, model->Materials[0].Ambient + 4);
  return s;
}

TFrame Draw(TParticleEngine2& Engine, const TScene& Scene, int32_t Passes) {
  GLTestContext& gl = GLTestContext::Get();
  const TGLTableScope table(
      Scene.WidthScale == 1 ? GLDrawingTable() : GLScaledTable(GLDrawingTable(), Scene.WidthScale));
  // The two engines have their own textures: start both from none bound.
  glBindTexture(GL_TEXTURE_2D, 0);
  Fill(Engine, Scene);
  for (int32_t pass = 0; pass < Passes; ++pass) {
    gl.BeginFrame(Scene.CameraX, Scene.CameraY);
    if (Scene.Rotated) glRotatef(5, 0, 0, 1);
    // What the frame's creatures may have left: a point of size 0 takes the size left before it.
    glPointSize(3);
    glLineWidth(2);
    glColor3f(0.3f, 0.6f, 0.9f);
    if (Scene.LeftoverState) {
      glEnable(GL_LIGHTING);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      glPointSize(5);
    }
    Engine.UpdateAndDraw();
  }
  TFrame frame;
  frame.Colour = gl.ReadRGB();
  frame.Depth.resize(size_t(GLTestContext::Width) * GLTestContext::Height);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, GLTestContext::Width, GLTestContext::Height, GL_DEPTH_COMPONENT,
               GL_UNSIGNED_INT, frame.Depth.data());
  frame.State = StateOf(Engine);
  return frame;
}

// Both engines live as long as the GL context; models load once.
TParticleEngine2& EngineFor(bool Immediate) {
  static TParticleEngine2* engines[2] = {};
  TParticleEngine2*& e = engines[Immediate ? 1 : 0];
  if (!e) {
    GLTestContext::Get();
    e = new TParticleEngine2();
    e->Immediate = Immediate;
  }
  return *e;
}

size_t FirstDifference(const std::vector<uint8_t>& A, const std::vector<uint8_t>& B) {
  for (size_t i = 0; i < A.size(); ++i)
    if (A[i] != B[i]) return i;
  return A.size();
}

} // namespace

TEST(ParticleBatch, MatchesTheOneByOneDrawingByteForByte) {
  const TScene scenes[] = {
      {"full pool, every kind", 10000, 0, 7, 4, 30, 0, 0, false, false, false},
      {"full pool of spheres", 10000, 4, 4, 0, 24, 0, 0, false, false, false},
      {"rings over points and streaks", 3000, 0, 5, 3, 200, 0, 0, false, false, false},
      {"camera at its clamp, leftover state", 6000, 0, 6, 2, 40, 372.093f, 137.5f, true, false,
       false},
      {"points and streaks only", 5000, 0, 1, 4, 10, -100, 50, true, false, false},
      {"nothing drawn", 500, 6, 255, 3, 10, 0, 0, true, false, false},
      {"rotated camera", 2000, 0, 5, 3, 30, 0, 0, false, true, false},
      {"glowing points of one colour", 4000, 2, 3, 2, 18, 0, 0, false, false, true},
      {"wide points and streaks over tiles", 3000, 0, 5, 3, 8, 0, 0, true, false, false, 12},
  };
  for (const TScene& scene : scenes) {
    SCOPED_TRACE(scene.Name);
    const TFrame reference = Draw(EngineFor(true), scene, 3);
    const TFrame batched = Draw(EngineFor(false), scene, 3);
    const size_t at = FirstDifference(reference.Colour, batched.Colour);
    EXPECT_EQ(at, reference.Colour.size())
        << "first different pixel at x " << (at / 3) % 1024 << ", y " << (at / 3) / 1024;
    EXPECT_TRUE(reference.Depth == batched.Depth);
    ASSERT_EQ(reference.State.size(), batched.State.size());
    for (size_t i = 0; i < reference.State.size(); ++i)
      EXPECT_EQ(reference.State[i], batched.State[i]) << "state entry " << i;
    // Any camera is batched: both drawings send the same world-space corners.
    if (scene.FirstKind <= pkRing) {
      EXPECT_GT(EngineFor(false).LastBatchedDraws(), 0);
    }
  }
}

TEST(ParticleBatch, DrawsAFullPoolInFewDraws) {
  // Tiles alone go out in one batch per model; streaks and points in runs of one size and colour,
  // cut where one would land on a tile drawn before it.
  const struct {
    TScene Scene;
    int32_t MaxDraws;
  } cases[] = {
      {{"spheres", 10000, 4, 4, 0, 12, 0, 0, false, false, false}, 1},
      {{"rings", 10000, 5, 5, 0, 12, 0, 0, false, false, false}, 1},
      {{"spheres and rings", 10000, 4, 5, 0, 12, 0, 0, false, false, false}, 2},
      {{"points of one size", 10000, 1, 1, 0, 0, 0, 0, false, false, true}, 1},
      {{"points with glows", 10000, 3, 3, 0, 4, 0, 0, false, false, true}, 400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Scene.Name);
    TParticleEngine2& engine = EngineFor(false);
    Draw(engine, c.Scene, 1);
    EXPECT_GT(engine.LastBatchedDraws(), 0);
    EXPECT_LE(engine.LastBatchedDraws(), c.MaxDraws);
  }
}
