// The game's window: the SDL window and its GL context, the display mode, the full-screen switch
// and the window procedure. The main loop, where the pacing lives, is in MainLoop.cpp.
#include "shell/GLWindow.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "gl/GL.h"
#include "platform/Platform.h"
#include "shell/Input.h"
#include "shell/ShellState.h"
#include "world/gloopaMain.h"

void TKeyTable::Clear() {
  std::memset(Down, 0, sizeof(Down));
}

TShellState Shell;

namespace {

constexpr const char* WindowDataKey = "TGameWindow";

void ShowCursorCount(bool Show) {
  Shell.CursorCount += Show ? 1 : -1;
  SDL_ShowCursor(Shell.CursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

// The display must offer exactly this size: SDL would otherwise quietly pick another one.
bool SetDisplayMode(int32_t Width, int32_t Height, int32_t Bits) {
  (void)Bits; // no depth is requested: any depth of that size will do
  const int count = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w == Width && mode.h == Height) {
      Shell.GameMode = mode;
      return true;
    }
  }
  std::fprintf(stderr, "the display offers no %d x %d mode\n", int(Width), int(Height));
  return false;
}

// Takes the window full screen: at the desktop's own size, or by switching the display to the
// game's mode (the desktop's mode is remembered first). False when the display refuses; the
// window is then left as a window.
bool EnterFullScreen(SDL_Window* Window, const TGameWindow& Record) {
  if (Shell.DesktopFullScreen) {
    // Sized to the desktop first: without a window manager to enlarge it, the window would
    // otherwise keep its size while reporting the desktop's.
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(Window), &desktop) == 0) {
      SDL_SetWindowPosition(Window, 0, 0);
      SDL_SetWindowSize(Window, desktop.w, desktop.h);
    }
    if (SDL_SetWindowFullscreen(Window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0) return true;
    SayPlatformReason("full screen at the desktop's size");
    return false;
  }
  SDL_GetDesktopDisplayMode(0, &Shell.SavedMode);
  if (!SetDisplayMode(Record.Width, Record.Height, Record.ColorBits)) return false;
  const bool switched = SDL_SetWindowDisplayMode(Window, &Shell.GameMode) == 0 &&
                        SDL_SetWindowFullscreen(Window, SDL_WINDOW_FULLSCREEN) == 0;
  if (!switched) {
    SayPlatformReason("full screen at " + std::to_string(Record.Width) + " x " +
                      std::to_string(Record.Height));
    SDL_SetWindowFullscreen(Window, 0);
  }
  return switched;
}

// Whether the full screen asked for is what the display now shows.
bool FullScreenShown(SDL_Window* Window, const TGameWindow& Record) {
  return Shell.DesktopFullScreen ? (SDL_GetWindowFlags(Window) & SDL_WINDOW_FULLSCREEN) != 0
                                 : FullScreenHeld(Window, Record.Width, Record.Height);
}

// Frees the GL context and the window, leaving full screen first, which puts the desktop's own
// mode back.
void DestroyWindowAndContext(TGameWindow& Window) {
  SDL_Window* window = static_cast<SDL_Window*>(Window.Handle);
  if (!window) return;
  if (Window.DC) {
    SDL_GL_MakeCurrent(window, nullptr);
    if (Window.RC) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(Window.RC));
    Window.RC = nullptr;
    Window.DC = nullptr;
  }
  if (Window.FullScreen) SDL_SetWindowFullscreen(window, 0);
  SDL_DestroyWindow(window);
  Window.Handle = nullptr;
}

void ResizeView(int32_t Width, int32_t Height) {
  glViewport(0, 0, Width, Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // A zero height (a window squashed to nothing) would divide by zero.
  gluPerspective(45.0, double(Width) / double(Height > 0 ? Height : 1), 1.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void ModeSwitchFailed(TGameWindow& Window) {
  ShowErrorBox("Mode Switch Failed.\\nRunning In Windowed Mode.");
  Window.FullScreen = false;
}

// Vertical sync for paced runs (adaptive where the driver offers it); frame-locked and timed
// runs swap at once, or the game would step, or be timed, at the display's rate.
void SetSwapInterval() {
  const TRunOptions& options = *Shell.Options;
  if (options.FrameLocked || options.Unpaced || !options.VSync) {
    SDL_GL_SetSwapInterval(0);
  } else if (SDL_GL_SetSwapInterval(-1) != 0) {
    SDL_GL_SetSwapInterval(1);
  }
}

} // namespace

void PostEvent(Uint32 Type) {
  SDL_Event event{};
  event.type = Type;
  SDL_PushEvent(&event);
}

bool RegisterGameClass() {
  PlatformKeepFreedMemory();
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
    SayPlatformReason("SDL_Init");
    ShowErrorBox("RegisterClassEx Failed!");
    return false;
  }
  // A machine without game controller support still plays with the mouse.
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  const Uint32 first = SDL_RegisterEvents(3);
  if (first == Uint32(-1)) {
    SayPlatformReason("SDL_RegisterEvents");
    SDL_Quit();
    ShowErrorBox("RegisterClassEx Failed!");
    return false;
  }
  Shell.TickEvent = first;
  Shell.QuitEvent = first + 1;
  Shell.ModeSwitchEvent = first + 2;
  return true;
}

void UnregisterGameClass() {
  SDL_Quit();
}

void CloseGameWindow(TGameWindow& Window) {
  DestroyWindowAndContext(Window);
  if (Window.FullScreen) ShowCursorCount(true);
}

// Shrinks the fallback window so that its outer size, borders included, is the asked size. Until
// the borders are known (they read as 0 before the window manager frames the window) it waits.
void FitOuterSize(TGameWindow& Window) {
  if (!Shell.OuterSizePending || !Window.Handle) return;
  SDL_Window* window = static_cast<SDL_Window*>(Window.Handle);
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0) return;
  if (top == 0 && left == 0 && bottom == 0 && right == 0) return;
  Shell.OuterSizePending = false;
  SDL_SetWindowSize(window, Window.Width - left - right, Window.Height - top - bottom);
}

namespace {

// A double-buffered RGBA context with a 16-bit depth buffer, as the game has always asked for.
void AskForPixelFormat() {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 1);
}

// Makes the window's GL context current; on failure undoes the window and returns false.
bool MakeGLContext(TGameWindow& Window) {
  SDL_Window* window = static_cast<SDL_Window*>(Window.Handle);
  Window.DC = window;
  SDL_GLContext context = SDL_GL_CreateContext(window);
  Window.RC = context;
  if (!context || SDL_GL_MakeCurrent(window, context) != 0) {
    SayPlatformReason(context ? "SDL_GL_MakeCurrent" : "SDL_GL_CreateContext");
    DestroyWindowAndContext(Window);
    return false;
  }
  SetSwapInterval();
  return true;
}

} // namespace

bool OpenGameWindow(TGameWindow& Window) {
  AskForPixelFormat();
  bool adjusted = !Window.FullScreen; // a window asked for from the start gets a 1024 x 768 client
  if (Window.FullScreen) {
    SDL_GetDesktopDisplayMode(0, &Shell.SavedMode);
    if (Shell.DesktopFullScreen || SetDisplayMode(Window.Width, Window.Height, Window.ColorBits)) {
      ShowCursorCount(false);
    } else {
      ModeSwitchFailed(Window);
    }
  }

  // High-DPI drawables are welcome: every frame scales the picture to the drawable's real size.
  // Desktop full screen opens at the desktop's size.
  // A window asked for from the start opens where and as large as the player last had it.
  int x = 0, y = 0, width = Window.Width, height = Window.Height;
  if (Window.FullScreen && Shell.DesktopFullScreen && Shell.SavedMode.w > 0) {
    width = Shell.SavedMode.w;
    height = Shell.SavedMode.h;
  } else if (adjusted) {
    x = Shell.Options->WindowX;
    y = Shell.Options->WindowY;
    width = Shell.WindowWidth;
    height = Shell.WindowHeight;
  }
#ifdef __EMSCRIPTEN__
  // The page sizes the canvas. Only a window made resizable takes the canvas's size and follows
  // it, and in a browser SDL cannot make a window resizable once it is made.
  constexpr Uint32 sizing = SDL_WINDOW_RESIZABLE;
#else
  constexpr Uint32 sizing = 0;
#endif
  SDL_Window* window =
      SDL_CreateWindow(Window.Title.c_str(), x, y, width, height,
                       SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI | sizing);
  if (!window) {
    SayPlatformReason("SDL_CreateWindow");
    return false;
  }
  Window.Handle = window;
  SDL_SetWindowData(window, WindowDataKey, &Window);
  GameWindowProc(window, WM_CREATE, 0, 0);

  if (Window.FullScreen && !EnterFullScreen(window, Window)) {
    ShowCursorCount(true);
    ModeSwitchFailed(Window);
  }
  if (!MakeGLContext(Window)) return false;

  SDL_ShowWindow(window);
  // A full-screen wish on a hidden window is only recorded; the real switch happens on showing
  // it, and a display may still refuse it then.
  if (Window.FullScreen && !FullScreenShown(window, Window)) {
    std::fprintf(stderr, "the display did not keep the full screen it was asked for\n");
    SDL_SetWindowFullscreen(window, 0);
    ShowCursorCount(true);
    ModeSwitchFailed(Window);
  }
  // The fallback window keeps an outer size of 1024 x 768, so its client area is smaller.
  Shell.OuterSizePending = !Window.FullScreen && !adjusted;
  FitOuterSize(Window);
  // A window may be resized at will: the picture scales with it.
  if (!Window.FullScreen) SDL_SetWindowResizable(window, SDL_TRUE);
  Window.Visible = true;
  ResizeView(Window.Width, Window.Height);
  Window.Keys->Clear();
  ShowCursorCount(false);
  return true;
}

void RequestQuit() {
  PostEvent(Shell.QuitEvent);
  Shell.Looping = false;
}

TXYZ CameraAbove(const TXYZ& SnakePosition) {
  // The view stops following the snake where it would show too much outside the arena.
  constexpr float MaxX = 16000.0f / 43.0f;
  constexpr float MaxY = 137.5f;
  TXYZ camera{SnakePosition.X, SnakePosition.Y, 500};
  if (camera.X > MaxX) camera.X = MaxX;
  if (camera.X < -MaxX) camera.X = -MaxX;
  if (camera.Y > MaxY) camera.Y = MaxY;
  if (camera.Y < -MaxY) camera.Y = -MaxY;
  return camera;
}

bool FullScreenHeld(THandle Window, int32_t Width, int32_t Height) {
  SDL_Window* window = static_cast<SDL_Window*>(Window);
  if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)) return false;
  const int display = SDL_GetWindowDisplayIndex(window);
  SDL_DisplayMode mode;
  return display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.w == Width &&
         mode.h == Height;
}

bool ToggleFullScreen() {
  TGameWindow* open = Shell.Window;
  if (!open || !open->Handle) return false;
  SDL_Window* window = static_cast<SDL_Window*>(open->Handle);
  if (open->FullScreen) {
    // Leaving a mode switch puts the desktop's own mode back.
    SDL_SetWindowFullscreen(window, 0);
    SDL_SetWindowResizable(window, SDL_TRUE);
    SDL_SetWindowSize(window, Shell.WindowWidth, Shell.WindowHeight);
    open->FullScreen = false;
    Shell.WantFullScreen = false; // the mode-switch message flips what the player now sees
    ShowCursorCount(true);
    Shell.Remembered.Display = TSettings::dsWindowed;
    RememberChoices();
    return true;
  }
  if (!EnterFullScreen(window, *open)) {
    std::fprintf(stderr, "full screen refused: staying in a window\n"); // the reason went first
    return false;
  }
  open->FullScreen = true;
  Shell.WantFullScreen = true;
  ShowCursorCount(false);
  Shell.Remembered.Display =
      Shell.DesktopFullScreen ? TSettings::dsDesktop : TSettings::dsFullScreen;
  RememberChoices();
  return true;
}

THandle GameWindowHandle() {
  return Shell.Window ? Shell.Window->Handle : nullptr;
}

intptr_t GameWindowProc(THandle Handle, uint32_t Message, TWParam WParam, TLParam LParam) {
  if (Shell.Options && Shell.Options->OnMessage) Shell.Options->OnMessage(Message, WParam, LParam);
  if (Message == WM_MOUSEMOVE) Shell.Pad.NotePointer(LParam);
  auto* window =
      static_cast<TGameWindow*>(SDL_GetWindowData(static_cast<SDL_Window*>(Handle), WindowDataKey));
  if (Shell.World) Shell.World->HandleMessage(Handle, Message, WParam, LParam);
  if (!window) return 0;

  switch (Message) {
  case WM_CREATE:
    return 0; // the window record is already in the window's data slot
  case WM_CLOSE:
    RequestQuit();
    return 0;
  case WM_SIZE:
    if (WParam == SIZE_RESTORED || WParam == SIZE_MAXIMIZED) {
      window->Visible = true;
      ResizeView(int32_t(LParam & 0xFFFF), int32_t((LParam >> 16) & 0xFFFF));
    } else if (WParam == SIZE_MINIMIZED) {
      window->Visible = false;
    }
    return 0;
  case WM_KEYDOWN:
    if (WParam <= 255) window->Keys->Down[WParam] = true;
    return 0;
  case WM_KEYUP:
    if (WParam <= 255) window->Keys->Down[WParam] = false;
    return 0;
  case WM_SYSCOMMAND:
    return 0; // screen saver and monitor power-off stay suppressed
  case WM_MODESWITCH:
    Shell.WantFullScreen = !Shell.WantFullScreen;
    PostEvent(Shell.QuitEvent);
    return 0;
  default:
    return 0;
  }
}
