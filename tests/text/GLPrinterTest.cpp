#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/GLTestContext.h"
#include "text/GLPrinter.h"

namespace {

// ---- Feedback capture: what the printer sends to GL, in window coordinates ----------------

struct Primitive {
  GLenum
      Token; // GL_POINT_TOKEN, GL_LINE_TOKEN (GL_LINE_RESET_TOKEN is folded in), GL_POLYGON_TOKEN
  std::vector<std::pair<float, float>> V;
};

// Draws with an orthographic projection in which window coordinates equal model coordinates,
// and returns the primitives GL produced.
std::vector<Primitive> Capture(const std::function<void()>& Draw) {
  GLTestContext::Get();
  glViewport(0, 0, GLTestContext::Width, GLTestContext::Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, GLTestContext::Width, 0, GLTestContext::Height, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_CULL_FACE);
  static std::vector<GLfloat> buffer(1 << 16);
  glFeedbackBuffer(GLsizei(buffer.size()), GL_2D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  Draw();
  const GLint n = glRenderMode(GL_RENDER);
  EXPECT_GE(n, 0) << "feedback buffer overflow";
  std::vector<Primitive> out;
  for (GLint i = 0; i < n;) {
    const GLenum token = GLenum(buffer[i++]);
    Primitive p{token == GL_LINE_RESET_TOKEN ? GLenum(GL_LINE_TOKEN) : token, {}};
    int count = 0;
    if (token == GL_POINT_TOKEN)
      count = 1;
    else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN)
      count = 2;
    else if (token == GL_POLYGON_TOKEN)
      count = int(buffer[i++]);
    else if (token == GL_PASS_THROUGH_TOKEN) {
      ++i;
      continue;
    } else {
      ADD_FAILURE() << "unexpected feedback token " << token;
      break;
    }
    for (int k = 0; k < count; ++k, i += 2) p.V.push_back({buffer[i], buffer[i + 1]});
    out.push_back(p);
  }
  return out;
}

// Window coordinates of the glyph cell: origin and scale chosen so cell units come back exactly.
constexpr float OX = 500, OY = 400, S = 10;
float CellX(float WX) {
  return (WX - OX) / S;
}
float CellY(float WY) {
  return (WY - OY) / S;
}

std::vector<Primitive> CaptureGlyph(uint8_t Code) {
  TGLPrinter printer;
  return Capture([&] {
    printer.Print(1, {1, 1, 1}, OX, OY, {S, S, 1}, std::string(1, char(Code)));
  });
}

// Undirected segments in cell units, rounded to whole units.
using Segment = std::pair<std::pair<int, int>, std::pair<int, int>>;
std::set<Segment> SegmentsOf(const std::vector<Primitive>& Prims) {
  std::set<Segment> out;
  for (const Primitive& p : Prims) {
    if (p.Token != GL_LINE_TOKEN) continue;
    std::pair<int, int> a{int(std::lround(CellX(p.V[0].first))),
                          int(std::lround(CellY(p.V[0].second)))};
    std::pair<int, int> b{int(std::lround(CellX(p.V[1].first))),
                          int(std::lround(CellY(p.V[1].second)))};
    out.insert(a < b ? Segment{a, b} : Segment{b, a});
  }
  return out;
}

// ---- Pixels ------------------------------------------------------------------------------

struct WorldSegment {
  float X0, Y0, X1, Y1;
};

float DistanceToSegment(float PX, float PY, float AX, float AY, float BX, float BY) {
  const float dx = BX - AX, dy = BY - AY;
  const float len2 = dx * dx + dy * dy;
  float t = len2 > 0 ? ((PX - AX) * dx + (PY - AY) * dy) / len2 : 0;
  t = std::clamp(t, 0.0f, 1.0f);
  return std::hypot(PX - (AX + t * dx), PY - (AY + t * dy));
}

bool Lit(const std::vector<uint8_t>& RGB, int X, int Y) {
  if (X < 0 || Y < 0 || X >= GLTestContext::Width || Y >= GLTestContext::Height) return false;
  const uint8_t* p = &RGB[(size_t(Y) * GLTestContext::Width + X) * 3];
  return p[0] > 60 || p[1] > 60 || p[2] > 60;
}

// Every lit pixel of the frame lies within a few pixels of one of the segments, and every segment
// is lit along its whole length.
void ExpectStrokesExactly(const std::vector<WorldSegment>& Segments) {
  const std::vector<uint8_t> rgb = GLTestContext::Get().ReadRGB();
  struct PixelSegment {
    float X0, Y0, X1, Y1;
  };
  std::vector<PixelSegment> px;
  for (const WorldSegment& s : Segments) {
    int x0, y0, x1, y1;
    GLTestContext::WorldToPixel(s.X0, s.Y0, 0, 0, x0, y0);
    GLTestContext::WorldToPixel(s.X1, s.Y1, 0, 0, x1, y1);
    px.push_back({float(x0), float(y0), float(x1), float(y1)});
  }
  int litCount = 0, stray = 0;
  for (int y = 0; y < GLTestContext::Height; ++y)
    for (int x = 0; x < GLTestContext::Width; ++x) {
      if (!Lit(rgb, x, y)) continue;
      ++litCount;
      float best = 1e9f;
      for (const PixelSegment& s : px)
        best = std::min(best, DistanceToSegment(float(x), float(y), s.X0, s.Y0, s.X1, s.Y1));
      if (best > 3.0f && stray++ < 5) ADD_FAILURE() << "stray lit pixel at " << x << ", " << y;
    }
  EXPECT_GT(litCount, 0);
  EXPECT_EQ(stray, 0);
  for (const PixelSegment& s : px) {
    const float len = std::hypot(s.X1 - s.X0, s.Y1 - s.Y0);
    const int steps = std::max(1, int(len / 2));
    int unlit = 0;
    for (int i = 0; i <= steps; ++i) {
      const float t = float(i) / float(steps);
      const int cx = int(std::lround(s.X0 + t * (s.X1 - s.X0)));
      const int cy = int(std::lround(s.Y0 + t * (s.Y1 - s.Y0)));
      bool near = false;
      for (int dy = -2; dy <= 2 && !near; ++dy)
        for (int dx = -2; dx <= 2 && !near; ++dx) near = Lit(rgb, cx + dx, cy + dy);
      if (!near) ++unlit;
    }
    EXPECT_EQ(unlit, 0) << "segment (" << s.X0 << ", " << s.Y0 << ")-(" << s.X1 << ", " << s.Y1
                        << ") has gaps";
  }
}

std::array<uint8_t, 3> PixelAtWorld(float WX, float WY) {
  int x, y;
  GLTestContext::WorldToPixel(WX, WY, 0, 0, x, y);
  return GLTestContext::Get().Pixel(x, y);
}

} // namespace

TEST(GLPrinter, EveryPrintableGlyphStaysOnTheGridOfItsCell) {
  const std::set<int> xs{-5, -4, -3, -2, 0, 2, 3, 4, 5};
  const std::set<int> ys{-14, -10, -9, -8, -6, -4, -2, 0, 2, 4, 5, 6, 8, 10};
  for (int code = 33; code <= 126; ++code) {
    SCOPED_TRACE("code " + std::to_string(code));
    const std::vector<Primitive> prims = CaptureGlyph(uint8_t(code));
    EXPECT_FALSE(prims.empty());
    for (const Primitive& p : prims) {
      EXPECT_NE(p.Token, GLenum(GL_POLYGON_TOKEN)) << "only code 0 fills";
      for (const auto& [wx, wy] : p.V) {
        const float cx = CellX(wx), cy = CellY(wy);
        EXPECT_NEAR(cx, std::round(cx), 1e-3);
        EXPECT_NEAR(cy, std::round(cy), 1e-3);
        EXPECT_TRUE(xs.count(int(std::lround(cx)))) << "x " << cx;
        EXPECT_TRUE(ys.count(int(std::lround(cy)))) << "y " << cy;
      }
    }
  }
}

TEST(GLPrinter, GlyphsDrawTheirStrokes) {
  using P = std::pair<int, int>;
  auto seg = [](P A, P B) { return A < B ? Segment{A, B} : Segment{B, A}; };
  struct Case {
    char Ch;
    std::set<Segment> Expected;
  };
  const Case cases[] = {
      {'P',
       {seg({-5, 0}, {5, 0}), seg({5, 0}, {5, 10}), seg({5, 10}, {-5, 10}),
        seg({-5, 10}, {-5, -10}), seg({-5, -10}, {-5, 0})}},
      {'&',
       {seg({2, 0}, {2, 10}), seg({2, 10}, {-2, 10}), seg({-2, 10}, {-2, 0}), seg({3, -9}, {3, 0}),
        seg({3, 0}, {-3, 0}), seg({-3, 0}, {-3, -9}), seg({-3, -9}, {3, -9}), seg({5, -8}, {3, -9}),
        seg({3, -9}, {5, -10})}},
      {'p',
       {seg({-5, -2}, {5, -2}), seg({5, -2}, {5, 4}), seg({5, 4}, {-5, 4}),
        seg({-5, 4}, {-5, -14})}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("glyph ") + c.Ch);
    EXPECT_EQ(SegmentsOf(CaptureGlyph(uint8_t(c.Ch))), c.Expected);
  }

  // "%": a slash and two dots.
  const std::vector<Primitive> percent = CaptureGlyph('%');
  std::set<P> dots;
  for (const Primitive& p : percent)
    if (p.Token == GL_POINT_TOKEN)
      dots.insert({int(std::lround(CellX(p.V[0].first))), int(std::lround(CellY(p.V[0].second)))});
  EXPECT_EQ(dots, (std::set<P>{{-4, 8}, {4, -8}}));
  EXPECT_EQ(SegmentsOf(percent), (std::set<Segment>{seg({5, 10}, {-5, -10})}));
}

TEST(GLPrinter, CodeZeroFillsItsCellAndOtherCodesWithoutGlyphsDrawNothing) {
  for (int code = 1; code <= 255; ++code) {
    if (code >= 33 && code <= 126) continue;
    EXPECT_TRUE(CaptureGlyph(uint8_t(code)).empty()) << code;
  }
  // Code 0 is the filled cell (GL may hand the quad back as two triangles).
  const std::vector<Primitive> block = CaptureGlyph(0);
  ASSERT_FALSE(block.empty());
  std::set<std::pair<int, int>> corners;
  double area = 0;
  for (const Primitive& p : block) {
    EXPECT_EQ(p.Token, GLenum(GL_POLYGON_TOKEN));
    for (size_t k = 0; k < p.V.size(); ++k) {
      const auto& [x0, y0] = p.V[k];
      const auto& [x1, y1] = p.V[(k + 1) % p.V.size()];
      area += 0.5 * (CellX(x0) * CellY(y1) - CellX(x1) * CellY(y0));
      corners.insert({int(std::lround(CellX(x0))), int(std::lround(CellY(y0)))});
    }
  }
  EXPECT_EQ(corners, (std::set<std::pair<int, int>>{{5, 10}, {-5, 10}, {-5, -10}, {5, -10}}));
  EXPECT_NEAR(area, 200, 1e-3) << "the whole 10 x 20 cell, facing the viewer";
}

TEST(GLPrinter, CharactersAdvanceByTwelveAndAHalfTimesScaleX) {
  struct Case {
    float ScaleX, ScaleY;
  };
  for (const Case c : {Case{2, 3}, Case{1, 0.75f}, Case{-2, 2}}) {
    SCOPED_TRACE("scale x " + std::to_string(c.ScaleX));
    TGLPrinter printer;
    // "L", a space, code 200, "L": the L's foot runs from (-5, -10) to (5, -10) of its cell.
    const std::string text = std::string("L ") + char(200) + "L";
    const std::vector<Primitive> prims = Capture([&] {
      printer.Print(1, {1, 1, 1}, 500, 300, {c.ScaleX, c.ScaleY, 1}, text);
    });
    std::vector<float> stemX; // the vertical stroke of each L, at cell x = -5
    float topY = 0;
    for (const Primitive& p : prims)
      if (p.Token == GL_LINE_TOKEN && std::fabs(p.V[0].first - p.V[1].first) < 1e-3f) {
        stemX.push_back(p.V[0].first);
        topY = std::max({topY, p.V[0].second, p.V[1].second});
      }
    ASSERT_EQ(stemX.size(), 2u);
    EXPECT_NEAR(stemX[0], 500 - 5 * c.ScaleX, 1e-3) << "negative scale mirrors the glyph";
    EXPECT_NEAR(stemX[1] - stemX[0], 3 * 12.5f * c.ScaleX, 1e-3);
    EXPECT_NEAR(topY, 300 + 10 * c.ScaleY, 1e-3);
  }
}

TEST(GLPrinter, PrintLeavesMatrixBalancedAndSetsWidthColourAndPointSize) {
  const std::string texts[] = {"", "Score:%d", std::string("a\0b", 3), "100%"};
  TGLPrinter printer;
  for (const std::string& text : texts) {
    SCOPED_TRACE("text \"" + text + "\"");
    GLTestContext::Get().BeginFrame();
    glPointSize(7);
    glLineWidth(1);
    GLint depthBefore = 0, depthAfter = 0;
    GLfloat matrixBefore[16], matrixAfter[16];
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    glGetFloatv(GL_MODELVIEW_MATRIX, matrixBefore);
    printer.Print(3, {0.25f, 0.5f, 0.75f}, -100, 50, {1, 0.75f, 1}, text);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    glGetFloatv(GL_MODELVIEW_MATRIX, matrixAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    EXPECT_TRUE(std::equal(matrixBefore, matrixBefore + 16, matrixAfter));
    GLfloat width = 0, pointSize = 0, colour[4];
    glGetFloatv(GL_LINE_WIDTH, &width);
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(pointSize, text.find('%') != std::string::npos ? 1 : 7)
        << "a percent sign leaves point size 1";
    const bool white = text.find('\0') != std::string::npos;
    EXPECT_NEAR(colour[0], white ? 1 : 0.25f, 1e-6);
    EXPECT_NEAR(colour[1], white ? 1 : 0.5f, 1e-6);
    EXPECT_NEAR(colour[2], white ? 1 : 0.75f, 1e-6);
    EXPECT_NEAR(colour[3], 1, 1e-6);
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(GLPrinter, PrintedTextLightsItsStrokesAndNothingElse) {
  GLTestContext& gl = GLTestContext::Get();
  gl.BeginFrame();
  TGLPrinter printer;
  // "1" centred at (-100, 0), the space at -50, "O" at 0; cells are 40 x 80 world units.
  printer.Print(2, {1, 1, 0}, -100, 0, {4, 4, 4}, "1 O");
  gl.SavePNG("GLPrinter_1_O.png");
  ExpectStrokesExactly({
      {-100, 40, -112, 40},  // 1: top serif
      {-100, 40, -100, -40}, // 1: stem
      {-88, -40, -112, -40}, // 1: foot
      {20, -40, 20, 40},     // O
      {20, 40, -20, 40},     //
      {-20, 40, -20, -40},   //
      {-20, -40, 20, -40},   //
  });
  // The stroke colour is the caller's, the inside of the O stays background.
  const auto stem = PixelAtWorld(-100, 0);
  EXPECT_GT(stem[0], 200);
  EXPECT_GT(stem[1], 200);
  EXPECT_LT(stem[2], 60);
  EXPECT_LT(PixelAtWorld(0, 0)[0], 20);
}
