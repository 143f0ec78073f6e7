// The simulation build's drawing table: it draws nothing, so the build needs no GL library.
#include "gl/GLTable.h"

const TGLTable* GLCalls = &GLNothingCalls;

const TGLTable& GLDrawingTable() {
  return GLNothingCalls;
}
