#include "gl/GLTable.h"

#include "gl/GLScale.h"

#include <cstring>
#include <type_traits>

namespace {

// How many values a query the game makes writes. A query the game starts to make must be added
// here, or the do-nothing table zeroes only its first value.
GLsizei QueryCount(GLenum Name) {
  switch (Name) {
  case GL_MODELVIEW_MATRIX:
  case GL_PROJECTION_MATRIX:
    return 16;
  case GL_ALIASED_LINE_WIDTH_RANGE:
  case GL_ALIASED_POINT_SIZE_RANGE:
    return 2;
  case GL_VIEWPORT:
  case GL_LIGHT_MODEL_AMBIENT:
  case GL_CURRENT_COLOR:
    return 4;
  default:
    return 1;
  }
}

GLuint NextTextureName = 1;
GLint PackAlignment = 4;

// A function of any of the table's types that does nothing and returns zero.
template <typename TFunction> struct TNothing;
template <typename TResult, typename... TArgs> struct TNothing<TResult(APIENTRY*)(TArgs...)> {
  static TResult APIENTRY Call(TArgs...) {
    if constexpr (!std::is_void_v<TResult>) return TResult{};
  }
};

void APIENTRY NothingGetFloatv(GLenum Name, GLfloat* Values) {
  for (GLsizei i = 0; i < QueryCount(Name); ++i) Values[i] = 0;
}

void APIENTRY NothingGetIntegerv(GLenum Name, GLint* Values) {
  for (GLsizei i = 0; i < QueryCount(Name); ++i) Values[i] = 0;
}

void APIENTRY NothingGenTextures(GLsizei Count, GLuint* Names) {
  for (GLsizei i = 0; i < Count; ++i) Names[i] = NextTextureName++;
}

void APIENTRY NothingPixelStorei(GLenum Name, GLint Value) {
  if (Name == GL_PACK_ALIGNMENT && (Value == 1 || Value == 2 || Value == 4 || Value == 8))
    PackAlignment = Value;
}

void APIENTRY NothingReadPixels(GLint, GLint, GLsizei Width, GLsizei Height, GLenum Format,
                                GLenum Type, GLvoid* Pixels) {
  if (Width <= 0 || Height <= 0 || Type != GL_UNSIGNED_BYTE) return;
  const size_t channels = Format == GL_RGBA ? 4 : Format == GL_RGB ? 3 : 1;
  const size_t row = (size_t(Width) * channels + size_t(PackAlignment) - 1) /
                     size_t(PackAlignment) * size_t(PackAlignment);
  // The last row is not padded.
  std::memset(Pixels, 0, row * size_t(Height - 1) + size_t(Width) * channels);
}

constexpr TGLTable MakeNothingTable() {
  TGLTable table{};
#define GLOOPA_GL_NOTHING(Name, Result, Params) table.Name = TNothing<decltype(table.Name)>::Call;
  GLOOPA_GL_ENTRY_POINTS(GLOOPA_GL_NOTHING)
#undef GLOOPA_GL_NOTHING
  table.glGetFloatv = NothingGetFloatv;
  table.glGetIntegerv = NothingGetIntegerv;
  table.glGenTextures = NothingGenTextures;
  table.glPixelStorei = NothingPixelStorei;
  table.glReadPixels = NothingReadPixels;
  return table;
}

} // namespace

extern const TGLTable GLNothingCalls = MakeNothingTable();

const TGLTable& GLNothingTable() {
  return GLNothingCalls;
}
