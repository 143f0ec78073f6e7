// The game's four model files and their bitmaps, as they lie beside the executable: loadable
// from any working folder, shaped for the scales the game draws them at, and looking as meant.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <utility>

#include "assets/VexLib3D.h"
#include "support/GLTestContext.h"

namespace {

// Loads a model after moving the working folder away from the game's folder, which the loader
// must not depend on (and must not change).
std::unique_ptr<TMS3DObj> LoadFromElsewhere(const std::string& Name) {
  GLTestContext::Get(); // textures are made while loading
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  auto model = std::make_unique<TMS3DObj>();
  model->LoadFromFile(Name);
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::temp_directory_path());
  std::filesystem::current_path(before);
  return model;
}

float Length(const TXYZ& V) {
  return std::sqrt(V.X * V.X + V.Y * V.Y + V.Z * V.Z);
}

// Saves the frame when GLOOPA_MODEL_PICTURES names a folder, for looking at the models.
void MaybeSave(const std::string& Name) {
  if (const char* folder = std::getenv("GLOOPA_MODEL_PICTURES"))
    GLTestContext::Get().SavePNG(std::string(folder) + "/" + Name + ".png");
}

// Draws a particle model the way the particle engine does: lit by ambient light only, no depth
// test, additive, at a given scale, centred in the window.
void DrawParticleModel(TMS3DObj& Model, float Scale, const TXYZ& Colour) {
  GLTestContext::Get().BeginFrame();
  glEnable(GL_LIGHTING);
  glDisable(GL_LIGHT0);
  glDisable(GL_DEPTH_TEST);
  glPushMatrix();
  glScalef(Scale, Scale, Scale);
  Model.Draw(Colour, Colour);
  glPopMatrix();
  glDisable(GL_LIGHTING);
}

int Brightness(int WX, int WY) {
  int px = 0, py = 0;
  GLTestContext::WorldToPixel(float(WX), float(WY), 0, 0, px, py);
  const auto p = GLTestContext::Get().Pixel(px, py);
  return std::max({int(p[0]), int(p[1]), int(p[2]) - 13});
}

} // namespace

TEST(ModelFiles, SphereIsAFewHundredEvenPointsMatchingTheHitRadius) {
  const auto model = LoadFromElsewhere("sphere.txt");
  const int n = model->VertexPositionCount;
  EXPECT_GE(n, 200);
  EXPECT_LE(n, 500);
  EXPECT_GE(n / 3, 60); // spikes come from a third of them
  // At the spiky predator's scale of 1.5 every point lies on its hit circle of 20.
  for (const TXYZ& p : model->VertexPositions) EXPECT_NEAR(Length(p) * 1.5f, 20, 0.5f);
  // Evenly spread: nearest neighbours are all about the same distance apart, and no two points
  // coincide (a spike drawn twice would be wasted).
  float nearestMin = 1e9f, nearestMax = 0;
  for (int i = 0; i < n; ++i) {
    float nearest = 1e9f;
    for (int j = 0; j < n; ++j) {
      if (i == j) continue;
      const TXYZ& a = model->VertexPositions[size_t(i)];
      const TXYZ& b = model->VertexPositions[size_t(j)];
      nearest = std::min(nearest, DistanceSqXYZ(a, b));
    }
    nearestMin = std::min(nearestMin, std::sqrt(nearest));
    nearestMax = std::max(nearestMax, std::sqrt(nearest));
  }
  EXPECT_GT(nearestMin, 0.5f);
  EXPECT_GT(nearestMin / nearestMax, 0.7f);
  // Both hemispheres and all sides are covered.
  float sum[3] = {0, 0, 0};
  for (const TXYZ& p : model->VertexPositions) sum[0] += p.X, sum[1] += p.Y, sum[2] += p.Z;
  for (float s : sum) EXPECT_NEAR(s / float(n), 0, 0.2f);
}

TEST(ModelFiles, JellyfishFillsItsRadiusWithABellAheadAndTentaclesBehind) {
  const auto model = LoadFromElsewhere("jelly.txt");
  int corners = 0;
  for (const T3DMesh& m : model->Meshes) corners += 3 * int(m.Triangles.size());
  EXPECT_GE(corners, 600);
  EXPECT_LE(corners, 4000); // drawn every frame for every jelly predator
  // At the predator's mid pulse of 0.8 the model is scaled (1.6, 2.0) and flattened.
  float reach = 0, front = 0, back = 0, side = 0;
  for (const TXYZ& p : model->VertexPositions) {
    const float x = p.X * 1.6f, y = p.Y * 2.0f;
    reach = std::max(reach, std::sqrt(x * x + y * y));
    front = std::max(front, y);
    back = std::min(back, y);
    side = std::max(side, std::fabs(x));
  }
  EXPECT_GT(reach, 17);
  EXPECT_LT(reach, 24);
  EXPECT_GT(front, 10); // the bell leads along +Y, the heading
  EXPECT_LT(back, -10); // tentacles trail
  EXPECT_GT(side, 10);
  EXPECT_FALSE(model->Materials[0].HasTexture);

  // As the predator draws it: dark blue 2-pixel points that cover the body but leave gaps.
  GLTestContext& gl = GLTestContext::Get();
  gl.BeginFrame();
  glPushMatrix();
  glScalef(1.6f, 2.0f, 0);
  model->PointColour = {0, 0, 0.4f};
  model->DrawPoints();
  glPopMatrix();
  int cx = 0, cy = 0;
  GLTestContext::WorldToPixel(0, 0, 0, 0, cx, cy);
  const int lit = gl.CountLit(cx - 30, cy - 30, cx + 30, cy + 30, 40);
  EXPECT_GT(lit, 150);
  EXPECT_LT(lit, 61 * 61 / 2);
  EXPECT_EQ(gl.CountLit(0, 0, GLTestContext::Width - 1, GLTestContext::Height - 1, 40), lit);
  MaybeSave("jelly");
}

// A particle tile: the square from (-1, -1) to (1, 1) in the XY plane, two triangles wound to
// face the camera (+Z), textured corner to corner.
void ExpectCameraFacingTile(const TMS3DObj& Model) {
  ASSERT_EQ(Model.Meshes.size(), 1u);
  const T3DMesh& mesh = Model.Meshes[0];
  ASSERT_EQ(mesh.Triangles.size(), 2u);
  std::set<std::pair<float, float>> corners;
  for (const TMeshVertex& v : mesh.DrawVertices) {
    EXPECT_EQ(v.Position.Z, 0);
    EXPECT_EQ(std::abs(v.Position.X), 1);
    EXPECT_EQ(std::abs(v.Position.Y), 1);
    corners.insert({v.Position.X, v.Position.Y});
  }
  EXPECT_EQ(corners.size(), 4u);
  for (const TMeshTriangle& t : mesh.Triangles) {
    EXPECT_NEAR(t.FaceNormal.Z, 1, 1e-5f);
    const TXYZ& a = mesh.DrawVertices[size_t(t.V1)].Position;
    const TXYZ& b = mesh.DrawVertices[size_t(t.V2)].Position;
    const TXYZ& c = mesh.DrawVertices[size_t(t.V3)].Position;
    EXPECT_GT((b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X), 0) << "counter-clockwise";
  }
}

TEST(ModelFiles, SphereTileIsACameraFacingTileThatGlows) {
  const auto model = LoadFromElsewhere("SphereTile8x8.txt");
  const TMaterial& mat = model->Materials[0];
  EXPECT_TRUE(mat.HasTexture);
  EXPECT_FALSE(mat.Masked);
  EXPECT_EQ(mat.TextureWidth, 64);
  EXPECT_EQ(mat.TextureHeight, 64);
  ExpectCameraFacingTile(*model);
  // As a particle of scale 24 in white: a soft ball, brightest at the centre, fading out, and
  // nothing at all beyond its radius.
  DrawParticleModel(*model, 24, {1, 1, 1});
  const int centre = Brightness(0, 0), half = Brightness(12, 0), rim = Brightness(0, -22);
  EXPECT_GT(centre, 35);
  EXPECT_GT(centre, half);
  EXPECT_GT(half, rim);
  EXPECT_EQ(Brightness(30, 0), 0);
  EXPECT_EQ(Brightness(-20, 20), 0);
  MaybeSave("sphere_particle");
  // In the particle's colour.
  DrawParticleModel(*model, 24, {1, 0, 0});
  int px = 0, py = 0;
  GLTestContext::WorldToPixel(0, 0, 0, 0, px, py);
  const auto red = GLTestContext::Get().Pixel(px, py);
  EXPECT_GT(red[0], 35);
  EXPECT_EQ(red[1], 0);
}

TEST(ModelFiles, CircleFadeIsATileShowingARingFadingTowardBothEdges) {
  const auto model = LoadFromElsewhere("CircleFade8x8.txt");
  EXPECT_TRUE(model->Materials[0].HasTexture);
  ExpectCameraFacingTile(*model);

  // As a ring particle of scale 100: dark hole, bright band, fading on both sides.
  DrawParticleModel(*model, 100, {1, 1, 1});
  const int hole = Brightness(0, 0), band = Brightness(80, 0), innerEdge = Brightness(55, 0),
            outerEdge = Brightness(0, 97), outside = Brightness(0, 110);
  EXPECT_EQ(hole, 0);
  EXPECT_GT(band, 35);
  EXPECT_GT(band, innerEdge);
  EXPECT_GT(band, outerEdge);
  EXPECT_EQ(outside, 0);
  EXPECT_NEAR(Brightness(-80, 0), band, 6); // round: the same all the way along
  EXPECT_NEAR(Brightness(57, 57), band, 6);
  MaybeSave("ring_particle");
}
