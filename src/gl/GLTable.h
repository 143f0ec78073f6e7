#pragma once
// The OpenGL and GLU entry points the game calls, gathered into one table so that the shell can
// send a step's drawing to the driver or nowhere at all. Game code includes "gl/GL.h", whose
// macros route every call it makes through the table in use; only the drawing table's own file
// names the driver's functions.
#include <GL/gl.h>
#include <GL/glu.h>

// X(name, return type, parameter list), in the order of the table's fields.
#define GLOOPA_GL_ENTRY_POINTS(X)                                                                  \
  X(glAlphaFunc, void, (GLenum, GLclampf))                                                         \
  X(glBegin, void, (GLenum))                                                                       \
  X(glBindTexture, void, (GLenum, GLuint))                                                         \
  X(glBlendFunc, void, (GLenum, GLenum))                                                           \
  X(glClear, void, (GLbitfield))                                                                   \
  X(glClearColor, void, (GLclampf, GLclampf, GLclampf, GLclampf))                                  \
  X(glClearDepth, void, (GLclampd))                                                                \
  X(glColor3f, void, (GLfloat, GLfloat, GLfloat))                                                  \
  X(glColor4f, void, (GLfloat, GLfloat, GLfloat, GLfloat))                                         \
  X(glColor4fv, void, (const GLfloat*))                                                            \
  X(glColorPointer, void, (GLint, GLenum, GLsizei, const GLvoid*))                                 \
  X(glCullFace, void, (GLenum))                                                                    \
  X(glDepthFunc, void, (GLenum))                                                                   \
  X(glDepthMask, void, (GLboolean))                                                                \
  X(glDisable, void, (GLenum))                                                                     \
  X(glDisableClientState, void, (GLenum))                                                          \
  X(glDrawArrays, void, (GLenum, GLint, GLsizei))                                                  \
  X(glDrawElements, void, (GLenum, GLsizei, GLenum, const GLvoid*))                                \
  X(glDrawPixels, void, (GLsizei, GLsizei, GLenum, GLenum, const GLvoid*))                         \
  X(glEnable, void, (GLenum))                                                                      \
  X(glEnableClientState, void, (GLenum))                                                           \
  X(glEnd, void, ())                                                                               \
  X(glFinish, void, ())                                                                            \
  X(glFlush, void, ())                                                                             \
  X(glFrontFace, void, (GLenum))                                                                   \
  X(glFrustum, void, (GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble))                 \
  X(glGenTextures, void, (GLsizei, GLuint*))                                                       \
  X(glGetFloatv, void, (GLenum, GLfloat*))                                                         \
  X(glGetIntegerv, void, (GLenum, GLint*))                                                         \
  X(glHint, void, (GLenum, GLenum))                                                                \
  X(glLineWidth, void, (GLfloat))                                                                  \
  X(glLoadIdentity, void, ())                                                                      \
  X(glMaterialfv, void, (GLenum, GLenum, const GLfloat*))                                          \
  X(glMatrixMode, void, (GLenum))                                                                  \
  X(glNormal3f, void, (GLfloat, GLfloat, GLfloat))                                                 \
  X(glPixelStorei, void, (GLenum, GLint))                                                          \
  X(glPointSize, void, (GLfloat))                                                                  \
  X(glPopMatrix, void, ())                                                                         \
  X(glPushMatrix, void, ())                                                                        \
  X(glRasterPos2f, void, (GLfloat, GLfloat))                                                       \
  X(glReadBuffer, void, (GLenum))                                                                  \
  X(glReadPixels, void, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, GLvoid*))                 \
  X(glRotatef, void, (GLfloat, GLfloat, GLfloat, GLfloat))                                         \
  X(glScalef, void, (GLfloat, GLfloat, GLfloat))                                                   \
  X(glScissor, void, (GLint, GLint, GLsizei, GLsizei))                                             \
  X(glShadeModel, void, (GLenum))                                                                  \
  X(glTexCoord2f, void, (GLfloat, GLfloat))                                                        \
  X(glTexCoord2fv, void, (const GLfloat*))                                                         \
  X(glTexCoordPointer, void, (GLint, GLenum, GLsizei, const GLvoid*))                              \
  X(glTexEnvf, void, (GLenum, GLenum, GLfloat))                                                    \
  X(glTexImage2D, void,                                                                            \
    (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*))                \
  X(glTexParameteri, void, (GLenum, GLenum, GLint))                                                \
  X(glTranslatef, void, (GLfloat, GLfloat, GLfloat))                                               \
  X(glVertex3f, void, (GLfloat, GLfloat, GLfloat))                                                 \
  X(glVertex3fv, void, (const GLfloat*))                                                           \
  X(glVertexPointer, void, (GLint, GLenum, GLsizei, const GLvoid*))                                \
  X(glViewport, void, (GLint, GLint, GLsizei, GLsizei))                                            \
  X(gluPerspective, void, (GLdouble, GLdouble, GLdouble, GLdouble))

struct TGLTable {
  // True for the table that reaches a driver: a step drawn through any other table leaves no
  // pixels, so its drawing may be skipped altogether (the particle pass does).
  bool Draws = false;
#define GLOOPA_GL_FIELD(Name, Result, Params) Result(APIENTRY* Name) Params;
  GLOOPA_GL_ENTRY_POINTS(GLOOPA_GL_FIELD)
#undef GLOOPA_GL_FIELD
};

// The table every GL call of the game goes through now. It starts as the drawing table.
extern const TGLTable* GLCalls;

// The table that draws: the driver's functions in the game, the do-nothing table in the
// simulation build, which links no GL library.
const TGLTable& GLDrawingTable();

// Every call does nothing. Queries (glGetFloatv, glGetIntegerv) and glReadPixels give zeros;
// glGenTextures hands out fresh names, as a driver would, since the model loader refuses a
// texture it cannot name.
const TGLTable& GLNothingTable();
// The same table as an object, for the initial value of GLCalls.
extern const TGLTable GLNothingCalls;

// Whether calls made now reach a driver.
inline bool GLDrawing() {
  return GLCalls->Draws;
}

// Sends GL calls to Table for as long as it lives, then restores the table before it.
class TGLTableScope {
public:
  explicit TGLTableScope(const TGLTable& Table) : Saved(GLCalls) { GLCalls = &Table; }
  ~TGLTableScope() { GLCalls = Saved; }
  TGLTableScope(const TGLTableScope&) = delete;
  TGLTableScope& operator=(const TGLTableScope&) = delete;

private:
  const TGLTable* Saved;
};
