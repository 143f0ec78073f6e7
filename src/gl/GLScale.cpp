#include "gl/GLScale.h"

#include <cmath>

namespace {

// One of the two widths: the driver's range, and the last width the game asked for with what it
// became.
struct TWidth {
  GLenum RangeName;
  float Min = 0, Max = 0; // an empty range: no clamp
  float Asked = 0, Sent = 0;
  bool Known = false; // Asked and Sent hold for this base and scale
};

TGLTable Scaled;
const TGLTable* Base = nullptr;
float Scale = 1;
// The game never turns on line or point smoothing, so the aliased ranges are the ones that apply.
TWidth Line{GL_ALIASED_LINE_WIDTH_RANGE}, Point{GL_ALIASED_POINT_SIZE_RANGE};
bool Clamped = false;

void QueryRange(TWidth& Width) {
  // A driver without the query leaves the values alone, and the do-nothing table answers zeros:
  // either way an empty range, and widths go to the driver unclamped.
  GLfloat range[2] = {0, 0};
  Base->glGetFloatv(Width.RangeName, range);
  const bool usable =
      std::isfinite(range[0]) && std::isfinite(range[1]) && range[1] > 0 && range[0] <= range[1];
  Width.Min = usable ? range[0] : 0;
  Width.Max = usable ? range[1] : 0;
}

void SetWidth(TWidth& Width, void(APIENTRY* Call)(GLfloat), GLfloat Asked) {
  // The GL refuses a width of 0 or less and keeps the one it had; so does the answer to a query.
  if (!(Asked > 0)) {
    Call(Asked);
    return;
  }
  float sent = Asked * Scale;
  if (Width.Max > 0 && (sent < Width.Min || sent > Width.Max)) {
    sent = sent < Width.Min ? Width.Min : Width.Max;
    Clamped = true;
  }
  Call(sent);
  Width.Asked = Asked;
  Width.Sent = sent;
  Width.Known = true;
}

void APIENTRY ScaledLineWidth(GLfloat Width) {
  SetWidth(Line, Base->glLineWidth, Width);
}

void APIENTRY ScaledPointSize(GLfloat Size) {
  SetWidth(Point, Base->glPointSize, Size);
}

// The driver's width is asked every time, since a step drawn through the base table alone (as a
// 1024 x 768 one is) sets it behind this table's back. When it is still what this table sent,
// the answer is what the game asked for; otherwise it is the driver's width in the game's terms,
// so that code skipping a call for the width it thinks is set still draws at the right width.
void APIENTRY ScaledGetFloatv(GLenum Name, GLfloat* Values) {
  Base->glGetFloatv(Name, Values);
  TWidth* width = Name == GL_LINE_WIDTH ? &Line : Name == GL_POINT_SIZE ? &Point : nullptr;
  if (width == nullptr) return;
  Values[0] = width->Known && Values[0] == width->Sent ? width->Asked : Values[0] / Scale;
}

} // namespace

const TGLTable& GLScaledTable(const TGLTable& NewBase, float NewScale) {
  // A picture with no height (a minimised window) has no scale to speak of.
  if (!(NewScale > 0) || !std::isfinite(NewScale)) NewScale = 1;
  if (&NewBase != Base) {
    Base = &NewBase;
    Scaled = NewBase;
    Scaled.glLineWidth = ScaledLineWidth;
    Scaled.glPointSize = ScaledPointSize;
    Scaled.glGetFloatv = ScaledGetFloatv;
    QueryRange(Line);
    QueryRange(Point);
    Line.Known = Point.Known = false;
  }
  if (NewScale != Scale) {
    Scale = NewScale;
    Line.Known = Point.Known = false;
  }
  return Scaled;
}

bool GLScaleTakeClamped() {
  const bool clamped = Clamped;
  Clamped = false;
  return clamped;
}

float GLWidthScale() {
  return GLCalls == &Scaled ? Scale : 1;
}
