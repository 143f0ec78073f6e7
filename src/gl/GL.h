#pragma once
// Include this, not <GL/gl.h>, wherever the game draws: every GL and GLU call the game makes then
// goes through the table in use (GLCalls), so the shell can run a step without drawing it. A name
// missing here calls the driver directly, and the simulation build, which links no GL library,
// fails to link.
#include "gl/GLTable.h"

#define glAlphaFunc GLCalls->glAlphaFunc
#define glBegin GLCalls->glBegin
#define glBindTexture GLCalls->glBindTexture
#define glBlendFunc GLCalls->glBlendFunc
#define glClear GLCalls->glClear
#define glClearColor GLCalls->glClearColor
#define glClearDepth GLCalls->glClearDepth
#define glColor3f GLCalls->glColor3f
#define glColor4f GLCalls->glColor4f
#define glColor4fv GLCalls->glColor4fv
#define glColorPointer GLCalls->glColorPointer
#define glCullFace GLCalls->glCullFace
#define glDepthFunc GLCalls->glDepthFunc
#define glDepthMask GLCalls->glDepthMask
#define glDisable GLCalls->glDisable
#define glDisableClientState GLCalls->glDisableClientState
#define glDrawArrays GLCalls->glDrawArrays
#define glDrawElements GLCalls->glDrawElements
#define glDrawPixels GLCalls->glDrawPixels
#define glEnable GLCalls->glEnable
#define glEnableClientState GLCalls->glEnableClientState
#define glEnd GLCalls->glEnd
#define glFinish GLCalls->glFinish
#define glFlush GLCalls->glFlush
#define glFrontFace GLCalls->glFrontFace
#define glFrustum GLCalls->glFrustum
#define glGenTextures GLCalls->glGenTextures
#define glGetFloatv GLCalls->glGetFloatv
#define glGetIntegerv GLCalls->glGetIntegerv
#define glHint GLCalls->glHint
#define glLineWidth GLCalls->glLineWidth
#define glLoadIdentity GLCalls->glLoadIdentity
#define glMaterialfv GLCalls->glMaterialfv
#define glMatrixMode GLCalls->glMatrixMode
#define glNormal3f GLCalls->glNormal3f
#define glPixelStorei GLCalls->glPixelStorei
#define glPointSize GLCalls->glPointSize
#define glPopMatrix GLCalls->glPopMatrix
#define glPushMatrix GLCalls->glPushMatrix
#define glRasterPos2f GLCalls->glRasterPos2f
#define glReadBuffer GLCalls->glReadBuffer
#define glReadPixels GLCalls->glReadPixels
#define glRotatef GLCalls->glRotatef
#define glScalef GLCalls->glScalef
#define glScissor GLCalls->glScissor
#define glShadeModel GLCalls->glShadeModel
#define glTexCoord2f GLCalls->glTexCoord2f
#define glTexCoord2fv GLCalls->glTexCoord2fv
#define glTexCoordPointer GLCalls->glTexCoordPointer
#define glTexEnvf GLCalls->glTexEnvf
#define glTexImage2D GLCalls->glTexImage2D
#define glTexParameteri GLCalls->glTexParameteri
#define glTranslatef GLCalls->glTranslatef
#define glVertex3f GLCalls->glVertex3f
#define glVertex3fv GLCalls->glVertex3fv
#define glVertexPointer GLCalls->glVertexPointer
#define glViewport GLCalls->glViewport
#define gluPerspective GLCalls->gluPerspective
