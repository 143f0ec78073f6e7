// The drawing table of the web build: the browser's GL is WebGL under emscripten's emulation of the
// fixed-function pipeline, which draws most of what the game asks for but not all of it. This
// table passes every call to it, and makes up for the rest:
//   - lines wider than a pixel (WebGL's widest is one) are drawn as two triangles a segment,
//     offset across the segment in window pixels, and points larger than a pixel (which the
//     emulation draws at one) as squares of two triangles;
//   - GL_CLAMP becomes GL_CLAMP_TO_EDGE, and textures' sized or numbered internal formats the
//     plain format;
//   - 32-bit indices become 16-bit ones;
//   - the emulation records a glBegin block's vertices with the attributes given so far, and
//     draws nothing when they differ between vertices (a colour given once, before the first
//     vertex, say): every block is gathered here and sent on with each attribute that the block
//     sets at all on every vertex;
//   - material calls it refuses (the emission, back faces) are left out, and glReadBuffer and
//     the perspective hint, which WebGL lacks, do nothing;
//   - RGB pixels are read as RGBA, the only bytes WebGL reads, and packed;
//   - glDrawPixels, which it lacks, is drawn as a textured rectangle; glClearDepth, which it
//     lacks, is glClearDepthf;
//   - the texture environment's mode goes by glTexEnvi, the only call in which the emulation
//     takes it (glTexEnvf complains on the console instead, at every model drawn).
// Fixed buffers only: nothing is allocated while a frame is drawn.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gl/GLScale.h"
#include "gl/GLTable.h"
#include "gl/GLWeb.h"

// WebGL's depth clear value, which GL 1.1's header does not declare.
extern "C" void glClearDepthf(GLclampf Depth);

namespace {

// What the emulation lacks altogether is this table's own, below.
void APIENTRY WebReadBuffer(GLenum);
void APIENTRY WebClearDepth(GLclampd Depth);
void APIENTRY WebRasterPos2f(GLfloat X, GLfloat Y);
void APIENTRY WebDrawPixels(GLsizei Width, GLsizei Height, GLenum Format, GLenum Type,
                            const GLvoid* Pixels);
#define glReadBuffer WebReadBuffer
#define glClearDepth WebClearDepth
#define glRasterPos2f WebRasterPos2f
#define glDrawPixels WebDrawPixels
const TGLTable Driver = {true,
#define GLOOPA_GL_DRIVER(Name, Result, Params) &Name,
                         GLOOPA_GL_ENTRY_POINTS(GLOOPA_GL_DRIVER)
#undef GLOOPA_GL_DRIVER
};
#undef glReadBuffer
#undef glClearDepth
#undef glRasterPos2f
#undef glDrawPixels

struct TVertex {
  float Position[3];
  float Colour[4];
  float TexCoord[2];
  float Normal[3];
};

// A glBegin block: the text's longest strokes and the stars stay far below this.
constexpr int32_t MaxBlock = 16384;
TVertex Block[MaxBlock];
int32_t BlockCount = 0;
GLenum BlockMode = 0;
bool InBlock = false;
bool BlockColour = false, BlockTexCoord = false, BlockNormal = false;

float Colour[4] = {1, 1, 1, 1};
float TexCoord[2] = {0, 0};
float Normal[3] = {0, 0, 1};
float LineWidth = 1;
float PointSize = 1;
GLenum MatrixMode = GL_MODELVIEW;

// The client arrays, for wide lines drawn from them.
const GLvoid* VertexArray = nullptr;
GLsizei VertexStride = 0;
GLint VertexSize = 3;
const GLvoid* ColourArray = nullptr;
GLsizei ColourStride = 0;
GLint ColourSize = 4;
bool ColourArrayOn = false;

constexpr int32_t MaxIndices = 65536;
GLushort ShortIndices[MaxIndices];

bool IsLines(GLenum Mode) {
  return Mode == GL_LINES || Mode == GL_LINE_STRIP || Mode == GL_LINE_LOOP;
}

// Whether Mode draws lines or points wider than the one pixel the emulation draws.
bool IsWide(GLenum Mode) {
  return (IsLines(Mode) && LineWidth > 1) || (Mode == GL_POINTS && PointSize > 1);
}

// Column-major Matrix times (X, Y, Z, 1).
void Transform(const float* M, const float* V, float* Out) {
  for (int r = 0; r < 4; ++r) Out[r] = M[r] * V[0] + M[4 + r] * V[1] + M[8 + r] * V[2] + M[12 + r];
}

// The gathered block's lines, LineWidth pixels wide, or its points, PointSize pixels across, as
// triangles in normalised device coordinates (drawn with both matrices set to the identity, then
// put back). A segment with an end behind the eye is left out; the game draws none.
void DrawWideLines() {
  if (BlockCount < (BlockMode == GL_POINTS ? 1 : 2)) return;
  float modelView[16], projection[16];
  Driver.glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  Driver.glGetFloatv(GL_PROJECTION_MATRIX, projection);
  GLint viewport[4] = {0, 0, 1, 1};
  Driver.glGetIntegerv(GL_VIEWPORT, viewport);
  const float halfWidth = (BlockMode == GL_POINTS ? PointSize : LineWidth) / 2;
  const float toNdcX = 2.0f / float(std::max(viewport[2], 1));
  const float toNdcY = 2.0f / float(std::max(viewport[3], 1));

  const GLenum savedMode = MatrixMode;
  Driver.glMatrixMode(GL_PROJECTION);
  Driver.glPushMatrix();
  Driver.glLoadIdentity();
  Driver.glMatrixMode(GL_MODELVIEW);
  Driver.glPushMatrix();
  Driver.glLoadIdentity();
  Driver.glBegin(GL_TRIANGLES);
  auto ndc = [&](const TVertex& V, float* Out) {
    float eye[4], clip[4];
    Transform(modelView, V.Position, eye);
    // The projection takes the eye's w, which the model-view leaves at 1 for the game's matrices.
    for (int r = 0; r < 4; ++r)
      clip[r] = projection[r] * eye[0] + projection[4 + r] * eye[1] + projection[8 + r] * eye[2] +
                projection[12 + r] * eye[3];
    if (clip[3] <= 1e-6f) return false;
    Out[0] = clip[0] / clip[3];
    Out[1] = clip[1] / clip[3];
    Out[2] = clip[2] / clip[3];
    return true;
  };
  auto segment = [&](const TVertex& A, const TVertex& B) {
    float a[3], b[3];
    if (!ndc(A, a) || !ndc(B, b)) return;
    // Across the segment, in window pixels, then back to device coordinates.
    const float dx = (b[0] - a[0]) / toNdcX, dy = (b[1] - a[1]) / toNdcY;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length <= 0) return;
    const float nx = -dy / length * halfWidth * toNdcX, ny = dx / length * halfWidth * toNdcY;
    // Counter-clockwise in the window, so that culling back faces keeps them.
    const float corners[6][3] = {{a[0] - nx, a[1] - ny, a[2]}, {b[0] - nx, b[1] - ny, b[2]},
                                 {b[0] + nx, b[1] + ny, b[2]}, {a[0] - nx, a[1] - ny, a[2]},
                                 {b[0] + nx, b[1] + ny, b[2]}, {a[0] + nx, a[1] + ny, a[2]}};
    const bool atB[6] = {false, true, true, false, true, false};
    for (int i = 0; i < 6; ++i) {
      const float* c = atB[i] ? B.Colour : A.Colour;
      Driver.glColor4f(c[0], c[1], c[2], c[3]);
      Driver.glVertex3f(corners[i][0], corners[i][1], corners[i][2]);
    }
  };
  if (BlockMode == GL_POINTS) {
    // A point is a square segment of its own width: from half its size left to half right.
    for (int32_t i = 0; i < BlockCount; ++i) {
      float p[3];
      if (!ndc(Block[i], p)) continue;
      const float hx = halfWidth * toNdcX, hy = halfWidth * toNdcY;
      const float corners[6][2] = {{-hx, -hy}, {hx, -hy}, {hx, hy},
                                   {-hx, -hy}, {hx, hy},  {-hx, hy}};
      const float* c = Block[i].Colour;
      for (const auto& corner : corners) {
        Driver.glColor4f(c[0], c[1], c[2], c[3]);
        Driver.glVertex3f(p[0] + corner[0], p[1] + corner[1], p[2]);
      }
    }
  } else if (BlockMode == GL_LINES) {
    for (int32_t i = 0; i + 1 < BlockCount; i += 2) segment(Block[i], Block[i + 1]);
  } else {
    for (int32_t i = 0; i + 1 < BlockCount; ++i) segment(Block[i], Block[i + 1]);
    if (BlockMode == GL_LINE_LOOP) segment(Block[BlockCount - 1], Block[0]);
  }
  Driver.glEnd();
  Driver.glPopMatrix();
  Driver.glMatrixMode(GL_PROJECTION);
  Driver.glPopMatrix();
  Driver.glMatrixMode(savedMode);
  Driver.glColor4f(Colour[0], Colour[1], Colour[2], Colour[3]);
}

void APIENTRY WebBegin(GLenum Mode) {
  InBlock = true;
  BlockMode = Mode;
  BlockCount = 0;
  BlockColour = BlockTexCoord = BlockNormal = false;
}

void APIENTRY WebEnd() {
  InBlock = false;
  if (IsWide(BlockMode)) {
    DrawWideLines();
    return;
  }
  Driver.glBegin(BlockMode);
  for (int32_t i = 0; i < BlockCount; ++i) {
    const TVertex& v = Block[i];
    if (BlockColour) Driver.glColor4f(v.Colour[0], v.Colour[1], v.Colour[2], v.Colour[3]);
    if (BlockTexCoord) Driver.glTexCoord2f(v.TexCoord[0], v.TexCoord[1]);
    if (BlockNormal) Driver.glNormal3f(v.Normal[0], v.Normal[1], v.Normal[2]);
    Driver.glVertex3f(v.Position[0], v.Position[1], v.Position[2]);
  }
  Driver.glEnd();
  // What the block set last stays the current value, as it would have.
  if (BlockColour) Driver.glColor4f(Colour[0], Colour[1], Colour[2], Colour[3]);
  if (BlockNormal) Driver.glNormal3f(Normal[0], Normal[1], Normal[2]);
}

void APIENTRY WebVertex3f(GLfloat X, GLfloat Y, GLfloat Z) {
  if (!InBlock || BlockCount >= MaxBlock) return;
  TVertex& v = Block[BlockCount++];
  v.Position[0] = X;
  v.Position[1] = Y;
  v.Position[2] = Z;
  std::memcpy(v.Colour, Colour, sizeof Colour);
  std::memcpy(v.TexCoord, TexCoord, sizeof TexCoord);
  std::memcpy(v.Normal, Normal, sizeof Normal);
}

void APIENTRY WebVertex3fv(const GLfloat* V) {
  WebVertex3f(V[0], V[1], V[2]);
}

void APIENTRY WebColor4f(GLfloat R, GLfloat G, GLfloat B, GLfloat A) {
  Colour[0] = R;
  Colour[1] = G;
  Colour[2] = B;
  Colour[3] = A;
  if (InBlock)
    BlockColour = true;
  else
    Driver.glColor4f(R, G, B, A);
}

void APIENTRY WebColor3f(GLfloat R, GLfloat G, GLfloat B) {
  WebColor4f(R, G, B, 1);
}

void APIENTRY WebColor4fv(const GLfloat* C) {
  WebColor4f(C[0], C[1], C[2], C[3]);
}

void APIENTRY WebTexCoord2f(GLfloat S, GLfloat T) {
  TexCoord[0] = S;
  TexCoord[1] = T;
  if (InBlock)
    BlockTexCoord = true;
  else
    Driver.glTexCoord2f(S, T);
}

void APIENTRY WebTexCoord2fv(const GLfloat* C) {
  WebTexCoord2f(C[0], C[1]);
}

void APIENTRY WebNormal3f(GLfloat X, GLfloat Y, GLfloat Z) {
  Normal[0] = X;
  Normal[1] = Y;
  Normal[2] = Z;
  if (InBlock)
    BlockNormal = true;
  else
    Driver.glNormal3f(X, Y, Z);
}

void APIENTRY WebLineWidth(GLfloat Width) {
  LineWidth = Width;
  Driver.glLineWidth(1);
}

void APIENTRY WebPointSize(GLfloat Size) {
  PointSize = Size;
  Driver.glPointSize(1);
}

void APIENTRY WebMatrixMode(GLenum Mode) {
  MatrixMode = Mode;
  Driver.glMatrixMode(Mode);
}

void APIENTRY WebGetFloatv(GLenum Name, GLfloat* Values) {
  // Wide lines are drawn here, so their range is this table's, not WebGL's 1..1.
  if (Name == GL_ALIASED_LINE_WIDTH_RANGE || Name == GL_LINE_WIDTH_RANGE) {
    Values[0] = 1;
    Values[1] = WebWidestLine;
    return;
  }
  if (Name == GL_ALIASED_POINT_SIZE_RANGE || Name == GL_POINT_SIZE_RANGE) {
    Values[0] = 1;
    Values[1] = WebWidestLine;
    return;
  }
  if (Name == GL_LINE_WIDTH) {
    Values[0] = LineWidth;
    return;
  }
  if (Name == GL_POINT_SIZE) {
    Values[0] = PointSize;
    return;
  }
  Driver.glGetFloatv(Name, Values);
}

void APIENTRY WebVertexPointer(GLint Size, GLenum Type, GLsizei Stride, const GLvoid* Pointer) {
  VertexArray = Type == GL_FLOAT ? Pointer : nullptr;
  VertexSize = Size;
  VertexStride = Stride;
  Driver.glVertexPointer(Size, Type, Stride, Pointer);
}

void APIENTRY WebColorPointer(GLint Size, GLenum Type, GLsizei Stride, const GLvoid* Pointer) {
  ColourArray = Type == GL_FLOAT ? Pointer : nullptr;
  ColourSize = Size;
  ColourStride = Stride;
  Driver.glColorPointer(Size, Type, Stride, Pointer);
}

void APIENTRY WebEnableClientState(GLenum Array) {
  if (Array == GL_COLOR_ARRAY) ColourArrayOn = true;
  Driver.glEnableClientState(Array);
}

void APIENTRY WebDisableClientState(GLenum Array) {
  if (Array == GL_COLOR_ARRAY) ColourArrayOn = false;
  Driver.glDisableClientState(Array);
}

void APIENTRY WebDrawArrays(GLenum Mode, GLint First, GLsizei Count) {
  if (!IsWide(Mode) || !VertexArray) {
    Driver.glDrawArrays(Mode, First, Count);
    return;
  }
  // Wide lines or points from the client arrays: gathered as a block would be.
  const auto* positions = static_cast<const uint8_t*>(VertexArray);
  const auto* colours = static_cast<const uint8_t*>(ColourArray);
  const size_t positionStep = VertexStride ? size_t(VertexStride) : size_t(VertexSize) * 4;
  const size_t colourStep = ColourStride ? size_t(ColourStride) : size_t(ColourSize) * 4;
  BlockMode = Mode;
  BlockCount = 0;
  for (GLsizei i = 0; i < Count && BlockCount < MaxBlock; ++i) {
    TVertex& v = Block[BlockCount++];
    const auto* p = reinterpret_cast<const float*>(positions + size_t(First + i) * positionStep);
    v.Position[0] = p[0];
    v.Position[1] = p[1];
    v.Position[2] = VertexSize > 2 ? p[2] : 0;
    std::memcpy(v.Colour, Colour, sizeof Colour);
    if (ColourArrayOn && colours) {
      const auto* c = reinterpret_cast<const float*>(colours + size_t(First + i) * colourStep);
      v.Colour[0] = c[0];
      v.Colour[1] = c[1];
      v.Colour[2] = c[2];
      v.Colour[3] = ColourSize > 3 ? c[3] : 1;
    }
  }
  // Immediate drawing with the client arrays on would read them instead of its own.
  Driver.glDisableClientState(GL_VERTEX_ARRAY);
  if (ColourArrayOn) Driver.glDisableClientState(GL_COLOR_ARRAY);
  DrawWideLines();
  Driver.glEnableClientState(GL_VERTEX_ARRAY);
  if (ColourArrayOn) Driver.glEnableClientState(GL_COLOR_ARRAY);
}

void APIENTRY WebDrawElements(GLenum Mode, GLsizei Count, GLenum Type, const GLvoid* Indices) {
  if (Type != GL_UNSIGNED_INT) {
    Driver.glDrawElements(Mode, Count, Type, Indices);
    return;
  }
  // WebGL 1 draws 16-bit indices only; the game's index arrays name fewer vertices than that.
  const auto* wide = static_cast<const GLuint*>(Indices);
  const GLsizei count = std::min<GLsizei>(Count, MaxIndices);
  for (GLsizei i = 0; i < count; ++i) {
    if (wide[i] > 0xFFFF) return;
    ShortIndices[i] = GLushort(wide[i]);
  }
  Driver.glDrawElements(Mode, count, GL_UNSIGNED_SHORT, ShortIndices);
}

void APIENTRY WebTexParameteri(GLenum Target, GLenum Name, GLint Value) {
  if (Value == GL_CLAMP) Value = GL_CLAMP_TO_EDGE;
  Driver.glTexParameteri(Target, Name, Value);
}

void APIENTRY WebTexImage2D(GLenum Target, GLint Level, GLint Internal, GLsizei Width,
                            GLsizei Height, GLint Border, GLenum Format, GLenum Type,
                            const GLvoid* Pixels) {
  // WebGL 1 wants the internal format to be the format itself.
  (void)Internal;
  Driver.glTexImage2D(Target, Level, GLint(Format), Width, Height, Border, Format, Type, Pixels);
}

void APIENTRY WebTexEnvf(GLenum Target, GLenum Name, GLfloat Value) {
  if (Name == GL_TEXTURE_ENV_MODE)
    glTexEnvi(Target, Name, GLint(Value));
  else
    Driver.glTexEnvf(Target, Name, Value);
}

void APIENTRY WebMaterialfv(GLenum Face, GLenum Name, const GLfloat* Values) {
  if (Face == GL_BACK || Name == GL_EMISSION) return;
  if (Face == GL_FRONT_AND_BACK) Face = GL_FRONT;
  if (Name == GL_AMBIENT_AND_DIFFUSE) {
    Driver.glMaterialfv(Face, GL_AMBIENT, Values);
    Driver.glMaterialfv(Face, GL_DIFFUSE, Values);
    return;
  }
  Driver.glMaterialfv(Face, Name, Values);
}

void APIENTRY WebHint(GLenum Target, GLenum Mode) {
  if (Target == GL_PERSPECTIVE_CORRECTION_HINT) return;
  Driver.glHint(Target, Mode);
}

void APIENTRY WebReadBuffer(GLenum) {}

GLint PackAlignment = 4;

void APIENTRY WebPixelStorei(GLenum Name, GLint Value) {
  if (Name == GL_PACK_ALIGNMENT) PackAlignment = Value;
  Driver.glPixelStorei(Name, Value);
}

// WebGL reads RGBA bytes only: RGB is read as RGBA and packed, rows padded to the alignment
// asked for. Only screenshots read RGB, so the buffer grows then, never during play.
void APIENTRY WebReadPixels(GLint X, GLint Y, GLsizei Width, GLsizei Height, GLenum Format,
                            GLenum Type, GLvoid* Pixels) {
  if (Format != GL_RGB || Type != GL_UNSIGNED_BYTE || Width <= 0 || Height <= 0) {
    Driver.glReadPixels(X, Y, Width, Height, Format, Type, Pixels);
    return;
  }
  static std::vector<uint8_t> rgba;
  rgba.resize(size_t(Width) * size_t(Height) * 4);
  Driver.glPixelStorei(GL_PACK_ALIGNMENT, 4);
  Driver.glReadPixels(X, Y, Width, Height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  Driver.glPixelStorei(GL_PACK_ALIGNMENT, PackAlignment);
  const size_t align = size_t(std::max(PackAlignment, 1));
  const size_t row = (size_t(Width) * 3 + align - 1) / align * align;
  auto* out = static_cast<uint8_t*>(Pixels);
  for (size_t y = 0; y < size_t(Height); ++y)
    for (size_t x = 0; x < size_t(Width); ++x)
      std::memcpy(out + y * row + x * 3, &rgba[(y * size_t(Width) + x) * 4], 3);
}

// WebGL's is the single-precision one.
void APIENTRY WebClearDepth(GLclampd Depth) {
  glClearDepthf(GLclampf(Depth));
}

float RasterX = 0, RasterY = 0;

void APIENTRY WebRasterPos2f(GLfloat X, GLfloat Y) {
  RasterX = X;
  RasterY = Y;
}

// The picture as a texture on a rectangle of its own size, its lower left corner at the raster
// position (taken, as the game sets it, under identity matrices: in device coordinates).
void APIENTRY WebDrawPixels(GLsizei Width, GLsizei Height, GLenum Format, GLenum Type,
                            const GLvoid* Pixels) {
  static GLuint texture = 0;
  if (texture == 0) Driver.glGenTextures(1, &texture);
  GLint viewport[4] = {0, 0, 1, 1};
  Driver.glGetIntegerv(GL_VIEWPORT, viewport);
  Driver.glBindTexture(GL_TEXTURE_2D, texture);
  Driver.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  Driver.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  Driver.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  Driver.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  Driver.glTexImage2D(GL_TEXTURE_2D, 0, GLint(Format), Width, Height, 0, Format, Type, Pixels);
  const float x0 = RasterX, y0 = RasterY;
  const float x1 = x0 + 2.0f * float(Width) / float(std::max(viewport[2], 1));
  const float y1 = y0 + 2.0f * float(Height) / float(std::max(viewport[3], 1));
  Driver.glEnable(GL_TEXTURE_2D);
  Driver.glColor4f(1, 1, 1, 1);
  Driver.glBegin(GL_TRIANGLES);
  const float corners[6][4] = {{x0, y0, 0, 0}, {x1, y0, 1, 0}, {x1, y1, 1, 1},
                               {x0, y0, 0, 0}, {x1, y1, 1, 1}, {x0, y1, 0, 1}};
  for (const auto& c : corners) {
    Driver.glTexCoord2f(c[2], c[3]);
    Driver.glVertex3f(c[0], c[1], 0);
  }
  Driver.glEnd();
  Driver.glDisable(GL_TEXTURE_2D);
  Driver.glColor4f(Colour[0], Colour[1], Colour[2], Colour[3]);
}

TGLTable MakeWebTable() {
  TGLTable table = Driver;
  table.glBegin = WebBegin;
  table.glEnd = WebEnd;
  table.glVertex3f = WebVertex3f;
  table.glVertex3fv = WebVertex3fv;
  table.glColor3f = WebColor3f;
  table.glColor4f = WebColor4f;
  table.glColor4fv = WebColor4fv;
  table.glTexCoord2f = WebTexCoord2f;
  table.glTexCoord2fv = WebTexCoord2fv;
  table.glNormal3f = WebNormal3f;
  table.glLineWidth = WebLineWidth;
  table.glPointSize = WebPointSize;
  table.glMatrixMode = WebMatrixMode;
  table.glGetFloatv = WebGetFloatv;
  table.glVertexPointer = WebVertexPointer;
  table.glColorPointer = WebColorPointer;
  table.glEnableClientState = WebEnableClientState;
  table.glDisableClientState = WebDisableClientState;
  table.glDrawArrays = WebDrawArrays;
  table.glDrawElements = WebDrawElements;
  table.glTexParameteri = WebTexParameteri;
  table.glTexImage2D = WebTexImage2D;
  table.glTexEnvf = WebTexEnvf;
  table.glMaterialfv = WebMaterialfv;
  table.glHint = WebHint;
  table.glPixelStorei = WebPixelStorei;
  table.glReadPixels = WebReadPixels;
  return table;
}

const TGLTable WebCalls = MakeWebTable();

} // namespace

const TGLTable& GLWebTable() {
  return WebCalls;
}
