// A stand-in for the OpenGL and GLU functions the game calls, for builds that run the game's
// simulation without drawing: every call does nothing. Linked in place of libGL and libGLU, so a
// run costs only the game's own work. The few calls whose results the game acts on answer as a
// working driver would: texture names are handed out (the model loader refuses a texture it
// cannot name), and queries leave their output as the caller set it.
//
// A GL function the game starts to call must be added here, or the simulation build fails to
// link.
#include <GL/gl.h>
#include <GL/glu.h>

namespace {
GLuint NextTextureName = 1;
} // namespace

extern "C" {

void GLAPIENTRY glAlphaFunc(GLenum, GLclampf) {}
void GLAPIENTRY glBegin(GLenum) {}
void GLAPIENTRY glBindTexture(GLenum, GLuint) {}
void GLAPIENTRY glBlendFunc(GLenum, GLenum) {}
void GLAPIENTRY glClear(GLbitfield) {}
void GLAPIENTRY glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void GLAPIENTRY glClearDepth(GLclampd) {}
void GLAPIENTRY glColor3f(GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glCullFace(GLenum) {}
void GLAPIENTRY glDepthFunc(GLenum) {}
void GLAPIENTRY glDepthMask(GLboolean) {}
void GLAPIENTRY glDisable(GLenum) {}
void GLAPIENTRY glEnable(GLenum) {}
void GLAPIENTRY glEnd() {}
void GLAPIENTRY glFinish() {}
void GLAPIENTRY glFlush() {}
void GLAPIENTRY glFrontFace(GLenum) {}
void GLAPIENTRY glFrustum(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) {}
void GLAPIENTRY glGenTextures(GLsizei N, GLuint* Names) {
  for (GLsizei i = 0; i < N; ++i) Names[i] = NextTextureName++;
}
void GLAPIENTRY glGetIntegerv(GLenum, GLint*) {}
void GLAPIENTRY glHint(GLenum, GLenum) {}
void GLAPIENTRY glLineWidth(GLfloat) {}
void GLAPIENTRY glLoadIdentity() {}
void GLAPIENTRY glMaterialfv(GLenum, GLenum, const GLfloat*) {}
void GLAPIENTRY glMatrixMode(GLenum) {}
void GLAPIENTRY glNormal3f(GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glPointSize(GLfloat) {}
void GLAPIENTRY glPopMatrix() {}
void GLAPIENTRY glPushMatrix() {}
void GLAPIENTRY glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glScalef(GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glShadeModel(GLenum) {}
void GLAPIENTRY glTexCoord2f(GLfloat, GLfloat) {}
void GLAPIENTRY glTexEnvf(GLenum, GLenum, GLfloat) {}
void GLAPIENTRY glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                             const GLvoid*) {}
void GLAPIENTRY glTexParameteri(GLenum, GLenum, GLint) {}
void GLAPIENTRY glTranslatef(GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glVertex3f(GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glViewport(GLint, GLint, GLsizei, GLsizei) {}

void GLAPIENTRY gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}

} // extern "C"
