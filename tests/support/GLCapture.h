#pragma once
// A GL table that draws nothing but notes what it is asked to do: how many calls it took, and
// every point it was asked to translate to or to draw (glTranslatef, glVertex3f), in order. It
// counts as a drawing table, so that the particles draw through it too (one by one: its queries
// answer zero).
#include <cstdint>
#include <vector>

#include "gl/GLTable.h"

struct TGLCapture {
  static int64_t& Calls() {
    static int64_t calls = 0;
    return calls;
  }
  static std::vector<float>& Points() {
    static std::vector<float> points;
    return points;
  }
  static const TGLTable& Table() {
    static const TGLTable table = Make();
    return table;
  }
  // The points Draw asks for, with the table in use while it runs.
  template <class TDraw> static std::vector<float> Drawn(TDraw Draw) {
    Points().clear();
    const TGLTableScope scope(Table());
    Draw();
    return Points();
  }

private:
  template <class TFn> struct TCounted;
  template <class TResult, class... TArgs> struct TCounted<TResult(APIENTRY*)(TArgs...)> {
    static TResult APIENTRY Call(TArgs...) {
      ++Calls();
      return TResult();
    }
  };
  static void APIENTRY Point(GLfloat X, GLfloat Y, GLfloat Z) {
    ++Calls();
    Points().insert(Points().end(), {X, Y, Z});
  }
  static void APIENTRY Query(GLenum Name, GLfloat* Values) {
    ++Calls();
    GLNothingTable().glGetFloatv(Name, Values);
  }
  static void APIENTRY QueryInt(GLenum Name, GLint* Values) {
    ++Calls();
    GLNothingTable().glGetIntegerv(Name, Values);
  }
  static TGLTable Make() {
    TGLTable table = GLNothingTable();
#define GLOOPA_GL_COUNTED(Name, Result, Params) table.Name = TCounted<decltype(table.Name)>::Call;
    GLOOPA_GL_ENTRY_POINTS(GLOOPA_GL_COUNTED)
#undef GLOOPA_GL_COUNTED
    table.glGetFloatv = Query;
    table.glGetIntegerv = QueryInt;
    table.glTranslatef = Point;
    table.glVertex3f = Point;
    table.glGenTextures = GLNothingTable().glGenTextures;
    table.glReadPixels = GLNothingTable().glReadPixels;
    table.Draws = true;
    return table;
  }
};
