// The world's display: the arena, the stars, the cursor, the egg icons and the text on show.
#include "gl/GL.h"

#include <algorithm>
#include <cstdio>

#include "creatures/blob.h"
#include "creatures/blobEgg.h"
#include "particles/ParticleEngine2.h"
#include "text/GLPrinter.h"
#include "world/gloopaMain.h"

namespace {

TXYZ Grey(float G) {
  return TXYZ{G, G, G};
}

} // namespace

void TGloopa::DrawArena() const {
  glPushMatrix();
  glColor3f(0.1f, 0.7f, 0.7f);
  glLineWidth(4);
  glBegin(GL_LINE_LOOP);
  glVertex3f(ArenaMinX, ArenaMaxY, 0);
  glVertex3f(ArenaMinX, ArenaMinY, 0);
  glVertex3f(ArenaMaxX, ArenaMinY, 0);
  glVertex3f(ArenaMaxX, ArenaMaxY, 0);
  glEnd();
  glPopMatrix();
}

void TGloopa::DrawStars() const {
  glPushMatrix();
  glPointSize(1);
  glColor3f(0.4f, 0.4f, 0.4f);
  if (ImmediateDrawing || !DrawStarsBySize()) {
    // One begin/end pair per point, because the point size may change from one star to the next.
    for (const TStar& star : Stars) {
      glPointSize(float(star.Size));
      glBegin(GL_POINTS);
      glVertex3f(star.X, star.Y, star.Z);
      glEnd();
    }
  }
  glPopMatrix();
}

bool TGloopa::DrawStarsBySize() const {
  // Every star has the same colour and alpha 1, and the depth test keeps the nearest of any that
  // meet, whatever their order; so one draw per size leaves the same pixels and depths as drawing
  // them one by one.
  constexpr int32_t MaxSize = 8;
  int32_t start[MaxSize + 2] = {};
  for (const TStar& star : Stars) {
    if (star.Size < 1 || star.Size > MaxSize) return false;
    ++start[star.Size + 1];
  }
  for (int32_t size = 1; size <= MaxSize; ++size) start[size + 1] += start[size];
  int32_t next[MaxSize + 1];
  std::copy(start, start + MaxSize + 1, next);
  for (const TStar& star : Stars) {
    float* v = &StarVertices[size_t(next[star.Size]++) * 3];
    v[0] = star.X;
    v[1] = star.Y;
    v[2] = star.Z;
  }
  // The last star's size goes last: it is the point size the one-by-one drawing leaves behind.
  const int32_t last = Stars[StarCount - 1].Size;
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, StarVertices);
  auto drawSize = [&](int32_t Size) {
    const int32_t count = start[Size + 1] - start[Size];
    if (count == 0) return;
    glPointSize(float(Size));
    glDrawArrays(GL_POINTS, start[Size], count);
  };
  for (int32_t size = 1; size <= MaxSize; ++size)
    if (size != last) drawSize(size);
  drawSize(last);
  glDisableClientState(GL_VERTEX_ARRAY);
  return true;
}

void TGloopa::SetImmediateDrawing(bool On) {
  ImmediateDrawing = On;
  Particles->Immediate = On;
}

void TGloopa::DrawCursor(float X, float Y) const {
  glPushMatrix();
  glTranslatef(X, Y, 0);
  glColor3f(1, 1, 1);
  glLineWidth(1);
  DrawCircle(10);
  glPopMatrix();
}

uint32_t TGloopa::EggsInPlay() const {
  uint32_t icons = 0;
  for (int32_t i = 0; i < int32_t(Eggs.size()) && i < 32; ++i)
    if (Eggs[i]->Active) icons |= 1u << i;
  return icons;
}

void TGloopa::DrawEggIcons(const TXYZ& Camera, uint32_t Icons) const {
  for (int32_t i = 0; i < int32_t(Eggs.size()) && i < 32; ++i) {
    if (!(Icons & (1u << i))) continue;
    glColor3f(0.2f, 0.2f, 0.8f);
    glLineWidth(2);
    glPushMatrix();
    glTranslatef(Camera.X - 100 + 16 * float(i), Camera.Y + 354, 100);
    DrawCircle(6);
    glPopMatrix();
  }
}

void TGloopa::DrawDisplay(const TXYZ& Camera, const TShownScores& Scores) const {
  const TXYZ scale{1, 0.75f, 1};
  char text[32];
  std::snprintf(text, sizeof text, "Hi:%d", Scores.HiScore);
  Printer->Print(2, Grey(0.2f), Camera.X + 151, Camera.Y + 446, scale, text);
  Printer->Print(2, Grey(0.8f), Camera.X + 150, Camera.Y + 450, scale, text);
  std::snprintf(text, sizeof text, "Score:%d", Scores.Score);
  Printer->Print(2, Grey(0.2f), Camera.X - 321, Camera.Y + 446, scale, text);
  Printer->Print(2, Grey(0.8f), Camera.X - 320, Camera.Y + 450, scale, text);
  std::snprintf(text, sizeof text, "Energy: %d", std::max(Scores.Energy, 0));
  Printer->Print(2, Grey(0.8f), Camera.X - 480, Camera.Y + 450, scale, text);
}

void TGloopa::DrawTitle(const TXYZ& Camera, float Pulse) const {
  Printer->Print(6, TXYZ{Pulse, Pulse, 1}, Camera.X - 175, Camera.Y + 200, TXYZ{4, 4, 1}, "Gloopa");
  Printer->Print(1, Grey(0.8f), Camera.X - 250, Camera.Y + 0, TXYZ{1, 1, 1},
                 "A game of life, death and destruction");
  Printer->Print(1, Grey(0.8f), Camera.X - 250, Camera.Y - 32, TXYZ{1, 0.8f, 1},
                 "Left click - Shoot, Right Click - Move");
}

void TGloopa::DrawCredits(const TXYZ& Camera) const {
  Printer->Print(1, TXYZ{0, 0.4f, 0.4f}, Camera.X - 490, Camera.Y - 486, TXYZ{1, 0.5f, 0.5f},
                 GameCredits());
}
