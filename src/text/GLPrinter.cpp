#include "text/GLPrinter.h"

#include "gl/GL.h"

#include <array>
#include <initializer_list>

namespace {

// A glyph is a short list of strokes in a 10 x 20 cell (X -5..5, Y -10..10, Y up, the centre is
// the character's origin). Each stroke is one begin/end group of its kind; the state changes
// (white, point size) are strokes too, so that they happen exactly where the glyph lists them.
enum TStrokeKind : uint8_t {
  skNone,
  skPoints,
  skLines, // separate segments, vertices taken in pairs
  skLoop,
  skStrip,
  skQuads,
  skWhite,      // colour := (1, 1, 1, 1) for the rest of the string
  skPointSize1, // point size := 1
  skPointSize2, // point size := 2
};

struct TV {
  int8_t X = 0, Y = 0;
};

constexpr int MaxVertices = 11;
constexpr int MaxStrokes = 4;
constexpr int GlyphCount = 127; // codes 0..126; codes above draw nothing

struct TStroke {
  TStrokeKind Kind = skNone;
  uint8_t Count = 0;
  TV V[MaxVertices] = {};
};

struct TGlyph {
  uint8_t Count = 0;
  TStroke S[MaxStrokes] = {};
};

constexpr TStroke MakeStroke(TStrokeKind Kind, std::initializer_list<TV> Vertices) {
  TStroke s;
  s.Kind = Kind;
  for (const TV& v : Vertices) {
    // Too many vertices for a stroke is a compile error: constant evaluation cannot index past V.
    s.V[s.Count] = v;
    ++s.Count;
  }
  return s;
}

constexpr TStroke Points(std::initializer_list<TV> V) {
  return MakeStroke(skPoints, V);
}
constexpr TStroke Lines(std::initializer_list<TV> V) {
  return MakeStroke(skLines, V);
}
constexpr TStroke Loop(std::initializer_list<TV> V) {
  return MakeStroke(skLoop, V);
}
constexpr TStroke Strip(std::initializer_list<TV> V) {
  return MakeStroke(skStrip, V);
}
constexpr TStroke Quads(std::initializer_list<TV> V) {
  return MakeStroke(skQuads, V);
}
constexpr TStroke White() {
  return MakeStroke(skWhite, {});
}
constexpr TStroke PointSize1() {
  return MakeStroke(skPointSize1, {});
}
constexpr TStroke PointSize2() {
  return MakeStroke(skPointSize2, {});
}

struct TGlyphRow {
  uint8_t Code;
  TGlyph Glyph;
};

constexpr TGlyph G(std::initializer_list<TStroke> Strokes) {
  TGlyph g;
  for (const TStroke& s : Strokes) {
    g.S[g.Count] = s;
    ++g.Count;
  }
  return g;
}

// One row per character. Lines list their segments as vertex pairs, spaced apart.
// clang-format off
constexpr TGlyphRow GlyphRows[] = {
  {0,   G({White(), Quads({{5, 10}, {-5, 10}, {-5, -10}, {5, -10}})})},
  {33,  G({Lines({{0, 10}, {0, -6},   {0, -8}, {0, -10}})})},                                  // !
  {34,  G({Lines({{-2, 10}, {-2, 8},   {2, 10}, {2, 8}})})},                                   // "
  {35,  G({Lines({{-2, 10}, {-2, -10},   {2, 10}, {2, -10},   {-5, 2}, {5, 2},   {-5, -2}, {5, -2}})})}, // #
  {36,  G({Strip({{5, 8}, {-5, 8}, {-5, 0}, {5, 0}, {5, -8}, {-5, -8}}),
           Lines({{-2, 10}, {-2, -10},   {2, 10}, {2, -10}})})},                               // $
  {37,  G({Lines({{5, 10}, {-5, -10}}), PointSize2(), Points({{-4, 8}, {4, -8}}), PointSize1()})}, // %
  {38,  G({Strip({{2, 0}, {2, 10}, {-2, 10}, {-2, 0}}), Loop({{3, -9}, {3, 0}, {-3, 0}, {-3, -9}}),
           Strip({{5, -8}, {3, -9}, {5, -10}})})},                                             // &
  {39,  G({Strip({{0, 10}, {0, 6}})})},                                                        // '
  {40,  G({Strip({{-2, 10}, {-4, 6}, {-4, -6}, {-2, -10}})})},                                 // (
  {41,  G({Strip({{2, 10}, {4, 6}, {4, -6}, {2, -10}})})},                                     // )
  {42,  G({Lines({{-5, 10}, {5, -10},   {-5, -10}, {5, 10},   {-5, 0}, {5, 0},   {0, 10}, {0, -10}})})}, // *
  {43,  G({Lines({{-5, 0}, {5, 0},   {0, 8}, {0, -8}})})},                                     // +
  {44,  G({Lines({{0, -8}, {-3, -14}})})},                                                     // ,
  {45,  G({Lines({{-5, 0}, {5, 0}})})},                                                        // -
  {46,  G({Lines({{0, -8}, {0, -10}})})},                                                      // .
  {47,  G({Lines({{5, 10}, {-5, -10}})})},                                                     // /
  {48,  G({Lines({{5, 10}, {-5, -10}}), Loop({{5, -10}, {5, 10}, {-5, 10}, {-5, -10}})})},     // 0
  {49,  G({Lines({{0, 10}, {-3, 10},   {0, 10}, {0, -10},   {3, -10}, {-3, -10}})})},          // 1
  {50,  G({Strip({{5, -10}, {-5, -10}, {-5, 0}, {5, 0}, {5, 10}, {-3, 10}, {-3, 6}})})},       // 2
  {51,  G({Strip({{-5, -10}, {5, -10}, {5, 0}, {0, 0}}), Strip({{5, 0}, {5, 10}, {-5, 10}})})}, // 3
  {52,  G({Strip({{-5, 10}, {-5, 0}, {5, 0}}), Lines({{5, 10}, {5, -10}})})},                  // 4
  {53,  G({Strip({{-5, -10}, {5, -10}, {5, 0}, {-5, 0}, {-5, 10}, {5, 10}})})},                // 5
  {54,  G({Strip({{-5, 10}, {-5, -10}, {5, -10}, {5, 0}, {-5, 0}})})},                         // 6
  {55,  G({Strip({{5, -10}, {5, 10}, {-5, 10}})})},                                            // 7
  {56,  G({Loop({{5, 0}, {5, 10}, {-5, 10}, {-5, 0}}), Strip({{-5, 0}, {-5, -10}, {5, -10}, {5, 0}})})}, // 8
  {57,  G({Strip({{5, -10}, {5, 10}, {-5, 10}, {-5, 0}, {5, 0}})})},                           // 9
  {58,  G({Lines({{0, -6}, {0, -8},   {0, 8}, {0, 6}})})},                                     // :
  {59,  G({Lines({{-2, -10}, {0, -8},   {0, 2}, {0, 0}})})},                                   // ;
  {60,  G({Strip({{0, 10}, {-5, 0}, {5, -10}})})},                                             // <
  {61,  G({Lines({{-5, 2}, {5, 2},   {-5, -2}, {5, -2}})})},                                   // =
  {62,  G({Strip({{0, -10}, {5, 0}, {0, 10}})})},                                              // >
  {63,  G({Strip({{-5, -2}, {-5, 0}, {5, 0}, {5, 10}, {-5, 10}}), Lines({{-5, -8}, {-5, -10}})})}, // ?
  {64,  G({Strip({{0, 0}, {-2, 0}, {-2, -2}, {5, -2}, {5, 10}, {-5, 10}, {-5, -10}, {5, -10}})})}, // @
  {65,  G({Strip({{5, -10}, {5, 10}, {-5, 10}, {-5, -10}}), Lines({{-5, 0}, {5, 0}})})},       // A
  {66,  G({Strip({{2, 0}, {2, 10}, {-5, 10}, {-5, 0}}), Loop({{5, -10}, {5, 0}, {-5, 0}, {-5, -10}})})}, // B
  {67,  G({Strip({{5, 10}, {-5, 10}, {-5, -10}, {5, -10}})})},                                 // C
  {68,  G({Loop({{5, -10}, {4, 10}, {-5, 10}, {-5, -10}})})},                                  // D
  {69,  G({Strip({{5, 10}, {-5, 10}, {-5, -10}, {5, -10}}), Lines({{-5, 0}, {5, 0}})})},       // E
  {70,  G({Strip({{5, 10}, {-5, 10}, {-5, -10}}), Lines({{-5, 0}, {4, 0}})})},                 // F
  {71,  G({Strip({{5, 10}, {-5, 10}, {-5, -10}, {5, -10}, {5, 0}, {0, 0}})})},                 // G
  {72,  G({Lines({{5, -10}, {5, 10},   {-5, 10}, {-5, -10},   {-5, 0}, {5, 0}})})},            // H
  {73,  G({Lines({{3, 10}, {-3, 10},   {0, 10}, {0, -10},   {3, -10}, {-3, -10}})})},          // I
  {74,  G({Strip({{-5, 0}, {-5, -10}, {4, -10}, {5, 10}, {-5, 10}})})},                        // J
  {75,  G({Strip({{5, -10}, {5, 0}, {-5, 0}, {-5, -10}}), Lines({{-5, 10}, {-5, 0},   {4, 10}, {4, 0}})})}, // K
  {76,  G({Strip({{-5, 10}, {-5, -10}, {5, -10}})})},                                          // L
  {77,  G({Strip({{5, -10}, {5, 10}, {0, 0}, {-5, 10}, {-5, -10}})})},                         // M
  {78,  G({Strip({{5, 10}, {5, -10}, {-5, 10}, {-5, -10}})})},                                 // N
  {79,  G({Loop({{5, -10}, {5, 10}, {-5, 10}, {-5, -10}})})},                                  // O
  {80,  G({Loop({{-5, 0}, {5, 0}, {5, 10}, {-5, 10}, {-5, -10}})})},                           // P
  {81,  G({Loop({{5, -10}, {5, 10}, {-5, 10}, {-5, -10}}), Strip({{5, -10}, {2, -4}})})},      // Q
  {82,  G({Strip({{5, -10}, {5, 0}, {-5, 0}, {-5, -10}}), Strip({{4, 0}, {4, 10}, {-5, 10}, {-5, 0}})})}, // R
  {83,  G({Strip({{5, 10}, {-5, 10}, {-5, 0}, {5, 0}, {5, -10}, {-5, -10}})})},                // S
  {84,  G({Lines({{5, 10}, {-5, 10},   {0, 10}, {0, -10}})})},                                 // T
  {85,  G({Strip({{-5, 10}, {-5, -10}, {5, -10}, {5, 10}})})},                                 // U
  {86,  G({Strip({{-5, 10}, {0, -10}, {5, 10}})})},                                            // V
  {87,  G({Strip({{-5, 10}, {-2, -10}, {0, 0}, {2, -10}, {5, 10}})})},                         // W
  {88,  G({Lines({{-5, 10}, {5, -10},   {-5, -10}, {5, 10}})})},                               // X
  {89,  G({Strip({{-5, 10}, {0, 0}, {5, 10}}), Lines({{0, 0}, {0, -10}})})},                   // Y
  {90,  G({Strip({{5, -10}, {-5, -10}, {5, 10}, {-5, 10}})})},                                 // Z
  {91,  G({Strip({{-2, 10}, {-5, 10}, {-5, -10}, {-2, -10}})})},                               // [
  {92,  G({Strip({{-5, 10}, {5, -10}})})},                                                     // backslash
  {93,  G({Strip({{2, 10}, {5, 10}, {5, -10}, {2, -10}})})},                                   // ]
  {94,  G({Strip({{4, 6}, {0, 10}, {-4, 6}})})},                                               // ^
  {95,  G({Lines({{4, -10}, {-4, -10}})})},                                                    // _
  {96,  G({Lines({{-5, 10}, {-2, 6}})})},                                                      // `
  {97,  G({Strip({{5, -2}, {-5, -2}, {-5, -10}, {5, -10}, {5, 4}, {-5, 4}})})},                // a
  {98,  G({Strip({{-5, 8}, {-5, -10}, {5, -10}, {5, 0}, {-5, 0}})})},                          // b
  {99,  G({Strip({{5, 4}, {-5, 4}, {-5, -10}, {5, -10}})})},                                   // c
  {100, G({Strip({{5, 0}, {-5, 0}, {-5, -10}, {5, -10}, {5, 8}})})},                           // d
  {101, G({Strip({{-5, -2}, {5, -2}, {5, 5}, {-5, 5}, {-5, -10}, {5, -10}})})},                // e
  {102, G({Strip({{4, 6}, {-2, 6}, {-2, -10}}), Lines({{4, 0}, {-4, 0}})})},                   // f
  {103, G({Strip({{5, -2}, {-5, -2}, {-5, 5}, {5, 5}, {5, -10}, {-5, -10}})})},                // g
  {104, G({Strip({{5, -10}, {5, -2}, {-5, -2}}), Lines({{-5, 4}, {-5, -10}})})},               // h
  {105, G({Lines({{0, 4}, {0, -10}})})},                                                       // i
  {106, G({Strip({{-5, -8}, {-5, -10}, {5, -10}, {5, 4}, {-2, 4}})})},                         // j
  {107, G({Strip({{5, 4}, {-5, 0}, {5, -10}}), Lines({{-5, 4}, {-5, -10}})})},                 // k
  {108, G({Strip({{0, 8}, {0, -10}, {4, -10}})})},                                             // l
  {109, G({Strip({{5, -10}, {5, 4}, {-5, 4}, {-5, -10}}), Lines({{0, 4}, {0, -10}})})},        // m
  {110, G({Strip({{5, -10}, {5, 4}, {-5, 4}, {-5, -10}})})},                                   // n
  {111, G({Loop({{5, -10}, {5, 4}, {-5, 4}, {-5, -10}})})},                                    // o
  {112, G({Strip({{-5, -2}, {5, -2}, {5, 4}, {-5, 4}, {-5, -14}})})},                          // p
  {113, G({Strip({{5, -10}, {5, 4}, {-5, 4}, {-5, -10}, {5, -10}, {0, -2}})})},                // q
  {114, G({Strip({{5, 4}, {-5, 4}, {-5, -10}})})},                                             // r
  {115, G({Strip({{5, 4}, {-5, 4}, {-5, -2}, {5, -2}, {5, -10}, {-5, -10}})})},                // s
  {116, G({Strip({{-4, 8}, {-4, -10}, {4, -10}}), Lines({{4, 0}, {-4, 0}})})},                 // t
  {117, G({Strip({{-5, 4}, {-5, -10}, {5, -10}, {5, 4}})})},                                   // u
  {118, G({Strip({{-5, 4}, {0, -10}, {5, 4}})})},                                              // v
  {119, G({Strip({{-5, 4}, {-2, -10}, {0, 0}, {2, -10}, {5, 4}})})},                           // w
  {120, G({Lines({{-5, 4}, {5, -10}}), Lines({{5, 4}, {-5, -10}})})},                          // x
  {121, G({Strip({{-5, 4}, {0, -2}, {5, 4}}), Lines({{0, -2}, {0, -10}})})},                   // y
  {122, G({Strip({{-5, 4}, {5, 4}, {-5, -10}, {5, -10}})})},                                   // z
  {123, G({Strip({{-2, 10}, {-2, 4}, {-5, 0}, {-2, -4}, {-2, -10}})})},                        // {
  {124, G({Lines({{0, 10}, {0, -10}})})},                                                      // |
  {125, G({Strip({{2, 10}, {2, 4}, {5, 0}, {2, -4}, {2, -10}})})},                             // }
  {126, G({Strip({{5, 10}, {2, 8}, {0, 10}, {-2, 8}, {-5, 10}})})},                            // ~
};
// clang-format on

constexpr std::array<TGlyph, GlyphCount> BuildGlyphTable() {
  std::array<TGlyph, GlyphCount> table{};
  for (const TGlyphRow& row : GlyphRows) table[row.Code] = row.Glyph;
  return table;
}

constexpr std::array<TGlyph, GlyphCount> GlyphTable = BuildGlyphTable();

// Every printable code has exactly one row, in order, and every line stroke has whole pairs.
constexpr bool RowsCoverPrintables() {
  if (std::size(GlyphRows) != 1 + (126 - 33 + 1) || GlyphRows[0].Code != 0) return false;
  for (size_t i = 1; i < std::size(GlyphRows); ++i)
    if (GlyphRows[i].Code != 33 + i - 1) return false;
  for (const TGlyphRow& row : GlyphRows)
    for (int s = 0; s < row.Glyph.Count; ++s)
      if (row.Glyph.S[s].Kind == skLines && row.Glyph.S[s].Count % 2 != 0) return false;
  return true;
}
static_assert(RowsCoverPrintables(), "glyph rows must list codes 0 and 33..126 once, in order");

GLenum PrimitiveOf(TStrokeKind Kind) {
  switch (Kind) {
  case skPoints:
    return GL_POINTS;
  case skLines:
    return GL_LINES;
  case skLoop:
    return GL_LINE_LOOP;
  case skStrip:
    return GL_LINE_STRIP;
  default:
    return GL_QUADS;
  }
}

} // namespace

TGLPrinter::TGLPrinter() = default;
TGLPrinter::~TGLPrinter() = default;

void TGLPrinter::Print(int32_t LineWidth, const TXYZ& Colour, float X, float Y, const TXYZ& Scale,
                       const std::string& Text) {
  glPushMatrix();
  glLineWidth(float(LineWidth));
  glColor4f(Colour.X, Colour.Y, Colour.Z, 1.0f);
  float x = X;
  for (const char ch : Text) {
    glPushMatrix();
    glTranslatef(x, Y, 0);
    glScalef(Scale.X, Scale.Y, Scale.Z);
    DrawGlyph(uint8_t(ch));
    glPopMatrix();
    x += 12.5f * Scale.X;
  }
  glPopMatrix();
}

void TGLPrinter::DrawGlyph(uint8_t Ch) {
  if (Ch >= GlyphCount) return;
  const TGlyph& glyph = GlyphTable[Ch];
  for (int s = 0; s < glyph.Count; ++s) {
    const TStroke& stroke = glyph.S[s];
    switch (stroke.Kind) {
    case skNone:
      break;
    case skWhite:
      glColor4f(1, 1, 1, 1);
      break;
    case skPointSize1:
      glPointSize(1);
      break;
    case skPointSize2:
      glPointSize(2);
      break;
    default:
      glBegin(PrimitiveOf(stroke.Kind));
      for (int v = 0; v < stroke.Count; ++v) glVertex3f(stroke.V[v].X, stroke.V[v].Y, 0);
      glEnd();
      break;
    }
  }
}
