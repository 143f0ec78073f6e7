// The table of the driver's own functions: the game's drawing table, and the table in use from
// the start. The simulation build links GLNoDrawing.cpp in this file's place.
#include "gl/GLTable.h"

#ifdef __EMSCRIPTEN__
// A web page draws through the browser's GL with its differences made up for (GLWeb.cpp).
#include "gl/GLWeb.h"

const TGLTable* GLCalls = &GLWebTable();

const TGLTable& GLDrawingTable() {
  return GLWebTable();
}
#else
namespace {
const TGLTable DrawingCalls = {true,
#define GLOOPA_GL_DRIVER(Name, Result, Params) &Name,
                               GLOOPA_GL_ENTRY_POINTS(GLOOPA_GL_DRIVER)
#undef GLOOPA_GL_DRIVER
};
} // namespace

const TGLTable* GLCalls = &DrawingCalls;

const TGLTable& GLDrawingTable() {
  return DrawingCalls;
}
#endif
