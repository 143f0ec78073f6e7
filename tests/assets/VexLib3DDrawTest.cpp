// Model drawing in a real headless GL context: textures where v = 0 is the picture's top, the
// masked key colour dropped by the alpha test, the GL state each draw leaves, and point clouds.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ModelTestFiles.h"
#include "assets/VexLib3D.h"
#include "support/GLTestContext.h"

namespace {

// The square model (half-size about 1) drawn 150 units across at the screen's centre, facing
// the camera, lit by light 0 from the viewer so that a texel shows at its own colour.
void DrawSquare(TMS3DObj& Model, const TXYZ& Colour = {1, 1, 1}) {
  GLTestContext::Get().BeginFrame();
  glEnable(GL_LIGHT0);
  glEnable(GL_NORMALIZE); // the scale would otherwise shrink the normals and darken the light
  glPushMatrix();
  glScalef(150, 150, 150);
  Model.Draw({0, 0, 0}, Colour);
  glPopMatrix();
  glDisable(GL_NORMALIZE);
  glDisable(GL_LIGHT0);
}

// Counts the points a draw call sends, through GL's feedback mode.
int CountFedBackPoints(const std::function<void()>& Draw) {
  std::vector<GLfloat> buffer(65536);
  glFeedbackBuffer(GLsizei(buffer.size()), GL_3D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  Draw();
  const GLint used = glRenderMode(GL_RENDER);
  int points = 0;
  for (GLint i = 0; i < used;) {
    const int token = int(buffer[size_t(i)]);
    if (token == GL_POINT_TOKEN) {
      ++points;
      i += 4;
    } else if (token == GL_PASS_THROUGH_TOKEN) {
      i += 2;
    } else {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
  }
  return points;
}

std::unique_ptr<TMS3DObj> LoadSquare(const TScratchFolder& Folder, const std::vector<uint8_t>& Bmp,
                                     const std::string& MaterialName) {
  GLTestContext::Get(); // textures are made while loading
  Folder.Write("pic.bmp", Bmp);
  const std::string name = Folder.Write(
      "square.txt", SquareModel("\"" + Folder.ModelName("pic.bmp") + "\"", MaterialName));
  auto model = std::make_unique<TMS3DObj>();
  model->LoadFromFile(name);
  return model;
}

} // namespace

TEST(ModelDrawing, TheTopRowOfThePictureIsDrawnWhereVIsZero) {
  GLTestContext& gl = GLTestContext::Get();
  TScratchFolder folder;
  // Top half red, bottom half green.
  const auto model = LoadSquare(folder,
                                MakeBitmap(16, 16,
                                           [](int, int y) {
                                             return y < 8 ? TRGB{255, 0, 0} : TRGB{0, 255, 0};
                                           }),
                                "\"Normal\"");
  const TMaterial& m = model->Materials[0];
  EXPECT_EQ(m.TextureWidth, 16);
  EXPECT_EQ(m.TextureHeight, 16);
  EXPECT_NE(m.TextureName, 0u);
  EXPECT_EQ(m.TextureData, nullptr); // released after the upload

  DrawSquare(*model);
  // The square spans world +-150, which is well inside the window around its centre.
  int px = 0, upperY = 0, lowerY = 0;
  GLTestContext::WorldToPixel(0, 75, 0, 0, px, upperY);
  GLTestContext::WorldToPixel(0, -75, 0, 0, px, lowerY);
  const auto upper = gl.Pixel(px, upperY);
  const auto lower = gl.Pixel(px, lowerY);
  EXPECT_NEAR(upper[0], 191, 4); // the diffuse alpha of 0.75 weighs the added light
  EXPECT_LT(upper[1], 40);
  EXPECT_NEAR(lower[1], 191, 4);
  EXPECT_LT(lower[0], 40);
}

TEST(ModelDrawing, TheMaskedKeyColourIsDroppedByTheAlphaTest) {
  GLTestContext& gl = GLTestContext::Get();
  TScratchFolder folder;
  // Magenta everywhere (so at the bottom-left too) except a white 8 x 8 centre.
  const auto bmp = MakeBitmap(16, 16, [](int x, int y) {
    return (x >= 4 && x < 12 && y >= 4 && y < 12) ? TRGB{255, 255, 255} : TRGB{255, 0, 255};
  });
  int cx = 0, cy = 0, ex = 0, ey = 0;
  GLTestContext::WorldToPixel(0, 0, 0, 0, cx, cy);
  GLTestContext::WorldToPixel(-130, 130, 0, 0, ex, ey); // inside the square, in the magenta

  for (const char* name : {"\"Masked\"", "\"MASKED\""}) {
    const auto model = LoadSquare(folder, bmp, name);
    ASSERT_TRUE(model->Materials[0].Masked);
    glBindTexture(GL_TEXTURE_2D, model->Materials[0].TextureName);
    std::vector<uint8_t> texels(16 * 16 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    int transparent = 0;
    for (size_t i = 0; i < 256; ++i) {
      const bool magenta =
          texels[i * 4] == 255 && texels[i * 4 + 1] == 0 && texels[i * 4 + 2] == 255;
      EXPECT_EQ(texels[i * 4 + 3], magenta ? 0 : 255) << "texel " << i;
      transparent += magenta;
    }
    EXPECT_EQ(transparent, 256 - 64);

    DrawSquare(*model);
    const auto centre = gl.Pixel(cx, cy);
    EXPECT_NEAR(centre[1], 191, 4) << name; // white texel passes
    // A dropped fragment writes neither colour nor depth; one merely blended with alpha 0 would
    // still have written depth.
    GLfloat depth = 0;
    glReadPixels(ex, GLTestContext::Height - 1 - ey, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 1.0f) << name;
    GLfloat centreDepth = 1;
    glReadPixels(cx, GLTestContext::Height - 1 - cy, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT,
                 &centreDepth);
    EXPECT_LT(centreDepth, 1.0f);
    const auto edge = gl.Pixel(ex, ey);
    EXPECT_LT(edge[0], 20) << name;
  }

  // Under any other name the same picture is an opaque RGB texture: magenta shows.
  const auto plain = LoadSquare(folder, bmp, "\"Normal\"");
  EXPECT_FALSE(plain->Materials[0].Masked);
  glBindTexture(GL_TEXTURE_2D, plain->Materials[0].TextureName);
  GLint format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  EXPECT_EQ(format, GL_RGB);
  DrawSquare(*plain);
  const auto edge = gl.Pixel(ex, ey);
  EXPECT_NEAR(edge[0], 191, 4);
  EXPECT_LT(edge[1], 40);
  EXPECT_NEAR(edge[2], 191 + 13, 4);
}

TEST(ModelDrawing, DrawWritesTheColoursAndLeavesTheStateOfItsKind) {
  TScratchFolder folder;
  const auto textured = LoadSquare(folder,
                                   MakeBitmap(4, 4,
                                              [](int, int) {
                                                return TRGB{200, 200, 200};
                                              }),
                                   "\"Normal\"");
  auto untextured = std::make_unique<TMS3DObj>();
  untextured->LoadFromFile(folder.Write("plain.txt", SquareModel("\"\"")));
  ASSERT_FALSE(untextured->Materials[0].HasTexture);

  GLTestContext::Get().BeginFrame();
  for (TMS3DObj* model : {textured.get(), untextured.get()}) {
    model->Draw({1, 0, 0}, {0, 1, 0});
    const TMaterial& m = model->Materials[0];
    EXPECT_FLOAT_EQ(m.Ambient[0], 1);
    EXPECT_FLOAT_EQ(m.Ambient[1], 0);
    EXPECT_FLOAT_EQ(m.Ambient[2], 0);
    EXPECT_FLOAT_EQ(m.Ambient[3], 1); // the file's alpha stays
    EXPECT_FLOAT_EQ(m.Diffuse[0], 0);
    EXPECT_FLOAT_EQ(m.Diffuse[1], 1);
    EXPECT_FLOAT_EQ(m.Diffuse[2], 0);
    EXPECT_FLOAT_EQ(m.Diffuse[3], 0.75f);
    GLfloat ambient[4] = {};
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(ambient[0], 1);
    EXPECT_EQ(glIsEnabled(GL_LIGHTING), model == untextured.get() ? GL_TRUE : GL_FALSE);
    EXPECT_EQ(glIsEnabled(GL_ALPHA_TEST), GL_FALSE);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_FALSE);
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glDisable(GL_LIGHTING);
}

TEST(ModelDrawing, PointsAreSentOncePerTriangleCornerInThePointColour) {
  GLTestContext& gl = GLTestContext::Get();
  TScratchFolder folder;
  TMS3DObj model;
  model.LoadFromFile(folder.Write("plain.txt", SquareModel("\"\"")));
  gl.BeginFrame();
  glPushMatrix();
  glScalef(100, 100, 100);
  EXPECT_EQ(CountFedBackPoints([&] { model.DrawPoints(); }), 6);

  model.PointColour = {0, 0, 0.4f};
  glColor3f(1, 1, 1); // replaced by the point colour
  model.DrawPoints();
  glPopMatrix();
  GLfloat size = 0;
  glGetFloatv(GL_POINT_SIZE, &size);
  EXPECT_FLOAT_EQ(size, 2);
  int px = 0, py = 0;
  GLTestContext::WorldToPixel(100.1581f, 100.1581f, 0, 0, px, py);
  // The 2-pixel point covers this pixel or its neighbour; find the brightest nearby.
  int best = 0, red = 255;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      const auto p = gl.Pixel(px + dx, py + dy);
      if (p[2] > best) best = p[2], red = p[0];
    }
  EXPECT_NEAR(best, 102, 3); // 0.4 of full blue
  EXPECT_EQ(red, 0);
  EXPECT_EQ(glIsEnabled(GL_LIGHTING), GL_FALSE);
}

TEST(ModelDrawing, AModelThatFailedToLoadDrawsNothing) {
  GLTestContext& gl = GLTestContext::Get();
  TScratchFolder folder;
  std::string text = SquareModel("\"\"");
  text.replace(text.find("1 2 3 0 0 0 0 1"), 15, "1 2 3 9 0 0 0 1"); // vertex 9 of 4
  TMS3DObj model;
  testing::internal::CaptureStderr();
  EXPECT_THROW(model.LoadFromFile(folder.Write("bad.txt", text)), ETerminate);
  testing::internal::GetCapturedStderr();
  ASSERT_FALSE(model.Loaded);

  gl.BeginFrame();
  glEnable(GL_LIGHT0);
  glScalef(150, 150, 150);
  EXPECT_EQ(CountFedBackPoints([&] { model.DrawPoints(); }), 0);
  model.DrawPoints();
  model.Draw({1, 1, 1}, {1, 1, 1});
  glDisable(GL_LIGHT0);
  glDisable(GL_LIGHTING);
  EXPECT_EQ(gl.CountLit(0, 0, GLTestContext::Width - 1, GLTestContext::Height - 1), 0);
}
