#include "shell/HallView.h"

#include <cstdio>

#include "gl/GL.h"
#include "shell/HallOfFame.h"
#include "shell/ShellState.h"
#include "text/GLPrinter.h"
#include "world/gloopaMain.h"

namespace {

bool OnTitle() {
  return Shell.World && Shell.World->State == gsTitle && !Shell.ReplayMouse;
}

constexpr float CharWidth = 12.5f; // the printer's advance at scale 1

void Print(float X, float Y, float Size, const TXYZ& Colour, const std::string& Text) {
  const TXYZ& camera = Shell.DrawnCamera;
  Shell.Printer->Print(1, Colour, camera.X + X, camera.Y + Y, TXYZ{Size, Size, 1}, Text);
}

// Centred on the view.
void PrintCentred(float Y, float Size, const TXYZ& Colour, const std::string& Text) {
  Print(-float(Text.size()) * CharWidth * Size / 2, Y, Size, Colour, Text);
}

} // namespace

bool HallViewEvent(const SDL_Event& Event) {
  if (!Shell.Options || !Shell.Options->Hall) return false;
  if (Shell.HallShown && !OnTitle()) Shell.HallShown = false;
  if (!Shell.HallShown) {
    const bool h = Event.type == SDL_KEYDOWN && !Event.key.repeat &&
                   Event.key.keysym.sym == SDLK_h &&
                   !(Event.key.keysym.mod & (KMOD_ALT | KMOD_CTRL | KMOD_GUI));
    if (!h || !OnTitle()) return false;
    Shell.HallShown = true;
    return true;
  }
  switch (Event.type) {
  case SDL_KEYDOWN:
  case SDL_MOUSEBUTTONDOWN:
  case SDL_CONTROLLERBUTTONDOWN:
    // Goes back, and is not passed on: a click here does not start a game.
    Shell.HallShown = false;
    return true;
  default:
    return false;
  }
}

void DrawHallView() {
  if (!Shell.HallShown || !Shell.Options->Hall) return;
  const THallOfFame& hall = *Shell.Options->Hall;
  const TXYZ& camera = Shell.DrawnCamera;
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  // A pane of the background's own blue under the table, hiding the title's lines below its name.
  glColor4f(0, 0, 0.05f, 1);
  glBegin(GL_QUADS);
  glVertex3f(camera.X - 330, camera.Y - 420, 0);
  glVertex3f(camera.X + 330, camera.Y - 420, 0);
  glVertex3f(camera.X + 330, camera.Y + 140, 0);
  glVertex3f(camera.X - 330, camera.Y + 140, 0);
  glEnd();
  const TXYZ gold{1, 0.85f, 0.3f}, white{0.9f, 0.9f, 0.9f}, grey{0.6f, 0.6f, 0.7f};
  PrintCentred(90, 2, gold, "Hall of Fame");
  if (hall.Entries.empty()) {
    PrintCentred(-20, 1, white, "No scores yet: a game that ends with a score");
    PrintCentred(-50, 1, white, "above 0 is kept here, with its replay");
  }
  for (size_t rank = 1; rank <= hall.Entries.size(); ++rank)
    PrintCentred(40 - 36 * float(rank - 1), 1, rank == 1 ? gold : white,
                 HallLine(hall.Entries[rank - 1], rank));
  PrintCentred(-390, 0.8f, grey, "Any key or click to go back");
  glEnable(GL_DEPTH_TEST);
}
