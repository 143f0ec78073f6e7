#include "shell/LiveControls.h"

#include <cstdio>
#include <string>

#include "gl/GL.h"
#include "shell/ShellState.h"
#include "sound/frmDXSounds.h"
#include "text/GLPrinter.h"
#include "world/gloopaMain.h"

namespace {

constexpr int32_t VolumeStep = 10;
constexpr uint64_t VolumeShownFor = 1000; // ms

bool Playing() {
  return Shell.World && Shell.World->State == gsPlaying && !Shell.ReplayMouse;
}

void EndPause() {
  Shell.PauseAsked = false;
  if (!Shell.Paused) return;
  Shell.Paused = false;
  Shell.PauseEnded = true;
  Shell.PausedPicture = {};
  if (Shell.World->Sounds) Shell.World->Sounds->Pause(false);
}

void PrintOverPicture(float X, float Y, const TXYZ& Scale, const std::string& Text) {
  const TXYZ& camera = Shell.DrawnCamera;
  glDisable(GL_DEPTH_TEST);
  Shell.Printer->Print(1, TXYZ{1, 1, 1}, camera.X + X, camera.Y + Y, Scale, Text);
  glEnable(GL_DEPTH_TEST);
}

// The last frame again, with "Paused" over it, through the picture's own view.
void DrawPaused(TGameWindow& Window) {
  const TGLTableScope table(DrawingTable());
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(Window.Handle), &width, &height);
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  for (const GLenum state : {GL_DEPTH_TEST, GL_BLEND, GL_TEXTURE_2D, GL_LIGHTING, GL_ALPHA_TEST,
                             GL_CULL_FACE, GL_SCISSOR_TEST})
    glDisable(state);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (width == Shell.PausedWidth && height == Shell.PausedHeight && !Shell.PausedPicture.empty()) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glRasterPos2f(-1, -1);
    glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, Shell.PausedPicture.data());
  }
  const TViewRect view = PictureViewport();
  glViewport(view.X, view.Y, view.Width, view.Height);
  glMatrixMode(GL_PROJECTION);
  glFrustum(-1, 1, -1, 1, 1, 10000);
  glMatrixMode(GL_MODELVIEW);
  const TXYZ& camera = Shell.DrawnCamera;
  glTranslatef(-camera.X, -camera.Y, camera.Z);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // Six glyphs advancing 37.5 units each, centred on the view.
  PrintOverPicture(-94, 0, TXYZ{3, 3, 1}, "Paused");
  DrawVolumeLine();
  glFlush();
  SDL_GL_SwapWindow(static_cast<SDL_Window*>(Window.Handle));
}

void ChangeVolume(int32_t Volume, bool Mute) {
  Shell.Volume = Volume < 0 ? 0 : Volume > 100 ? 100 : Volume;
  Shell.Mute = Mute;
  Shell.VolumeShownUntil = SDL_GetTicks64() + VolumeShownFor;
  Shell.PauseRedraw = Shell.Paused;
  ApplyVolume();
  Shell.Remembered.Volume = Shell.Volume;
  Shell.Remembered.Mute = Shell.Mute;
  RememberChoices();
}

// The player's keys over live play and the sound; false when Key is none of them.
bool ControlKey(const SDL_KeyboardEvent& Key) {
  if (Key.repeat && Key.keysym.sym != SDLK_MINUS && Key.keysym.sym != SDLK_EQUALS &&
      Key.keysym.sym != SDLK_KP_MINUS && Key.keysym.sym != SDLK_KP_PLUS)
    return false;
  if (Key.keysym.mod & (KMOD_ALT | KMOD_CTRL | KMOD_GUI)) return false;
  switch (Key.keysym.sym) {
  case SDLK_MINUS:
  case SDLK_KP_MINUS:
    ChangeVolume(Shell.Volume - VolumeStep, Shell.Mute);
    return true;
  case SDLK_EQUALS:
  case SDLK_KP_PLUS:
    ChangeVolume(Shell.Volume + VolumeStep, Shell.Mute);
    return true;
  case SDLK_m:
    ChangeVolume(Shell.Volume, !Shell.Mute);
    return true;
  case SDLK_p:
  case SDLK_PAUSE:
    if (Shell.Paused)
      EndPause();
    else if (Shell.Options->CanPause && Playing())
      Shell.PauseAsked = true;
    return true;
  default:
    return false;
  }
}

// A window in a window's place (not full screen, not minimised): its place and size are kept.
void NoteWindowPlace(TGameWindow& Window) {
  SDL_Window* window = static_cast<SDL_Window*>(Window.Handle);
  if (!window || Window.FullScreen ||
      (SDL_GetWindowFlags(window) &
       (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)))
    return;
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(window, &x, &y);
  SDL_GetWindowSize(window, &width, &height);
  TSettings& kept = Shell.Remembered;
  if (kept.WindowX == x && kept.WindowY == y && kept.WindowWidth == width &&
      kept.WindowHeight == height)
    return;
  kept.WindowX = x;
  kept.WindowY = y;
  kept.WindowWidth = width;
  kept.WindowHeight = height;
  Shell.WindowWidth = width;
  Shell.WindowHeight = height;
  Shell.RememberedWindowMoved = true;
}

} // namespace

void KeepPausedFrame(TGameWindow& Window) {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(Window.Handle), &width, &height);
  Shell.PausedWidth = width;
  Shell.PausedHeight = height;
  Shell.PausedPicture.assign(size_t(width > 0 ? width : 0) * size_t(height > 0 ? height : 0) * 4,
                             0);
  if (Shell.PausedPicture.empty()) return;
  const TGLTableScope table(GLDrawingTable());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, Shell.PausedPicture.data());
}

void BeginPause() {
  Shell.PauseAsked = false;
  if (Shell.Paused) return;
  Shell.Paused = true;
  Shell.PauseRedraw = true;
  if (Shell.World->Sounds) Shell.World->Sounds->Pause(true);
}

bool LiveControlEvent(const SDL_Event& Event, TGameWindow& Window) {
  switch (Event.type) {
  case SDL_KEYDOWN:
    ControlKey(Event.key);
    return false; // the key still reaches the key table, as every key does
  case SDL_MOUSEBUTTONDOWN:
    if (!Shell.Paused) return false;
    // The click that ends a pause only ends it; the game never sees it.
    if (Shell.Focused) EndPause();
    return true;
  case SDL_WINDOWEVENT:
    switch (Event.window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      Shell.Focused = true;
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_MINIMIZED:
      Shell.Focused = Event.window.event != SDL_WINDOWEVENT_FOCUS_LOST && Shell.Focused;
      if (Shell.Options->CanPause && Shell.Options->PauseOnFocusLoss && Playing() && !Shell.Paused)
        Shell.PauseAsked = true;
      break;
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      NoteWindowPlace(Window);
      Shell.PauseRedraw = Shell.Paused;
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SHOWN:
      Shell.PauseRedraw = Shell.Paused;
      break;
    default:
      break;
    }
    return false;
  default:
    return false;
  }
}

bool PauseHeld(TGameWindow& Window) {
  if (!Shell.Paused) return false;
  if (Shell.PauseRedraw && Window.Visible) {
    Shell.PauseRedraw = false;
    DrawPaused(Window);
  }
  if (Window.Visible && Shell.Keys->Down[VK_ESCAPE]) RequestQuit();
  // The volume line goes away after its second.
  const uint64_t now = SDL_GetTicks64();
#ifdef __EMSCRIPTEN__
  // A browser cannot be waited on: the next display frame is the wait.
  if (Shell.VolumeShownUntil > 0 && Shell.VolumeShownUntil <= now) {
    Shell.VolumeShownUntil = 0;
    Shell.PauseRedraw = true;
  }
#else
  if (Shell.VolumeShownUntil > now) {
    if (SDL_WaitEventTimeout(nullptr, int(Shell.VolumeShownUntil - now)) == 0)
      Shell.PauseRedraw = true;
  } else {
    SDL_WaitEvent(nullptr);
  }
#endif
  return true;
}

void RememberChoices() {
  Shell.RememberedWindowMoved = false;
  if (Shell.Options && Shell.Options->Remember) Shell.Options->Remember(Shell.Remembered);
}

void ApplyVolume() {
  if (Shell.World && Shell.World->Sounds)
    Shell.World->Sounds->SetMasterVolume(Shell.Mute ? 0.0f : float(Shell.Volume) / 100.0f);
}

void DrawVolumeLine() {
  if (Shell.VolumeShownUntil == 0 || SDL_GetTicks64() >= Shell.VolumeShownUntil) return;
  char text[32];
  if (Shell.Mute)
    std::snprintf(text, sizeof text, "Volume %d  muted", int(Shell.Volume));
  else
    std::snprintf(text, sizeof text, "Volume %d", int(Shell.Volume));
  PrintOverPicture(-480, -450, TXYZ{1, 0.75f, 1}, text);
}
