#include "shell/GLWindow.h"

#include "gl/GL.h"
#include <SDL.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>

#include "creatures/blobSnake.h"
#include "platform/Platform.h"
#include "shell/GamePad.h"
#include "shell/Input.h"
#include "shell/Screenshot.h"
#include "shell/ViewScale.h"
#include "text/GLPrinter.h"
#include "world/gloopaMain.h"

void TKeyTable::Clear() {
  std::memset(Down, 0, sizeof(Down));
}

namespace {

// The shell's own state for the run: one window at a time, with its world and printer.
struct TShellState {
  int32_t ScreenWidth = 1024;
  int32_t ScreenHeight = 768;
  int32_t ScreenColorBits = 0;
  bool StartFullScreen = true;
  bool Looping = false;
  bool WantFullScreen = true;
  TGloopa* World = nullptr;
  TGLPrinter* Printer = nullptr;
  SDL_DisplayMode SavedMode{};
  SDL_DisplayMode GameMode{};

  TGameWindow* Window = nullptr;
  TKeyTable* Keys = nullptr;
  const TRunOptions* Options = nullptr;
  int64_t FramesDrawn = 0;
  int ExitCode = 0;
  int CursorCount = 0; // counts like the Win32 cursor display counter: shown while >= 0
  SDL_TimerID Timer = 0;
  std::atomic<bool> TickPending{false};
  Uint32 TickEvent = 0;
  Uint32 QuitEvent = 0;
  Uint32 ModeSwitchEvent = 0;
  // The fallback window's outer size is 1024 x 768; it can be set only once the window manager
  // has framed the window and its borders are known.
  bool OuterSizePending = false;
  bool DesktopFullScreen = false; // full screen means the desktop's own size, not a mode switch
  bool ScreenshotPending = false; // F12 was pressed: save the next frame drawn
  TGamePad Pad;
};

TShellState Shell;

constexpr const char* WindowDataKey = "TGameWindow";

void ShowCursorCount(bool Show) {
  Shell.CursorCount += Show ? 1 : -1;
  SDL_ShowCursor(Shell.CursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

// Like WM_TIMER, at most one tick is ever pending: a slow frame drops ticks instead of queueing a
// burst of them.
Uint32 TickCallback(Uint32 Interval, void*) {
  if (!Shell.TickPending.exchange(true)) {
    SDL_Event event{};
    event.type = Shell.TickEvent;
    if (SDL_PushEvent(&event) != 1) Shell.TickPending = false;
  }
  return Interval;
}

void PostEvent(Uint32 Type) {
  SDL_Event event{};
  event.type = Type;
  SDL_PushEvent(&event);
}

bool RegisterGameClass(TGameApp& App) {
  (void)App;
  PlatformKeepFreedMemory();
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
    ShowErrorBox("RegisterClassEx Failed!");
    return false;
  }
  // A machine without game controller support still plays with the mouse.
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  const Uint32 first = SDL_RegisterEvents(3);
  if (first == Uint32(-1)) {
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
  return false;
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

void CloseGameWindow(TGameWindow& Window) {
  SDL_Window* window = static_cast<SDL_Window*>(Window.Handle);
  if (window) {
    if (Window.DC) {
      SDL_GL_MakeCurrent(window, nullptr);
      if (Window.RC) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(Window.RC));
      Window.RC = nullptr;
      Window.DC = nullptr;
    }
    // Leaving full screen puts the desktop's own mode back.
    if (Window.FullScreen) SDL_SetWindowFullscreen(window, 0);
    SDL_DestroyWindow(window);
    Window.Handle = nullptr;
  }
  if (Window.FullScreen) ShowCursorCount(true);
}

void ModeSwitchFailed(TGameWindow& Window) {
  ShowErrorBox("Mode Switch Failed.\\nRunning In Windowed Mode.");
  Window.FullScreen = false;
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

bool OpenGameWindow(TGameWindow& Window) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 1);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 1);

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
  // Desktop full screen opens at the desktop's size: without a window manager to enlarge it, the
  // window would otherwise keep 1024 x 768 while reporting the desktop's size.
  int width = Window.Width, height = Window.Height;
  if (Window.FullScreen && Shell.DesktopFullScreen && Shell.SavedMode.w > 0) {
    width = Shell.SavedMode.w;
    height = Shell.SavedMode.h;
  }
  SDL_Window* window =
      SDL_CreateWindow(Window.Title.c_str(), 0, 0, width, height,
                       SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!window) return false;
  Window.Handle = window;
  SDL_SetWindowData(window, WindowDataKey, &Window);
  GameWindowProc(window, WM_CREATE, 0, 0);

  if (Window.FullScreen) {
    const bool switched = Shell.DesktopFullScreen
                              ? SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0
                              : SDL_SetWindowDisplayMode(window, &Shell.GameMode) == 0 &&
                                    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
    if (!switched) {
      ShowCursorCount(true);
      ModeSwitchFailed(Window);
    }
  }
  Window.DC = window;
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context || SDL_GL_MakeCurrent(window, context) != 0) {
    if (context) SDL_GL_DeleteContext(context);
    Window.DC = nullptr;
    Window.RC = nullptr;
    if (Window.FullScreen) SDL_SetWindowFullscreen(window, 0);
    SDL_DestroyWindow(window);
    Window.Handle = nullptr;
    return false;
  }
  Window.RC = context;
  // Swaps must not wait for the display's refresh, or the game would step at 60 a second.
  SDL_GL_SetSwapInterval(0);

  SDL_ShowWindow(window);
  // A full-screen wish on a hidden window is only recorded; the real switch happens on showing
  // it, and a display may still refuse it then.
  const bool held = Shell.DesktopFullScreen
                        ? (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0
                        : FullScreenHeld(window, Window.Width, Window.Height);
  if (Window.FullScreen && !held) {
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
  Shell.TickPending = false;
  Shell.Timer = SDL_AddTimer(10, TickCallback, nullptr);
  ShowCursorCount(false);
  return true;
}

bool InitGame(TGameWindow& Window, TKeyTable& Keys) {
  Shell.Printer = new TGLPrinter();
  Shell.World = new TGloopa(Shell.Printer);
  Shell.World->SetImmediateDrawing(Shell.Options->Immediate);
  Shell.Window = &Window;
  Shell.Keys = &Keys;
  glClearColor(0, 0, 0, 0);
  glClearDepth(1.0);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_SMOOTH);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  return true;
}

void RequestQuit(TGameWindow& Window) {
  (void)Window;
  PostEvent(Shell.QuitEvent);
  Shell.Looping = false;
}

void PollKeys() {
  if (Shell.Keys->Down[VK_ESCAPE]) RequestQuit(*Shell.Window);
}

// Where the 4:3 picture goes in the drawable, in GL's bottom-up pixels. A 1024 x 768 drawable
// gives the game's own (0, 0, 1024, 768).
TViewRect PictureViewport() {
  int width = Shell.ScreenWidth, height = Shell.ScreenHeight;
  SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(Shell.Window->Handle), &width, &height);
  if (width == Shell.ScreenWidth && height == Shell.ScreenHeight)
    return {0, 0, Shell.ScreenWidth, Shell.ScreenHeight};
  TViewRect rect = FitPicture(width, height);
  rect.Y = GLBottom(rect, height);
  return rect;
}

void DrawFrame() {
  glFrontFace(GL_CCW);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);

  // The picture is drawn at the size it is shown, through the viewport: the projection is the
  // same at any size, so lines and points stay sharp instead of a 1024 x 768 image being
  // stretched.
  const TViewRect view = PictureViewport();
  glViewport(view.X, view.Y, view.Width, view.Height);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-1, 1, -1, 1, 1, 10000);
  glMatrixMode(GL_MODELVIEW);
  glViewport(view.X, view.Y, view.Width, view.Height);

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  const bool bars = view.X != 0 || view.Y != 0 || view.Width != Shell.ScreenWidth ||
                    view.Height != Shell.ScreenHeight;
  if (bars) {
    // Black bars beside the picture, then the picture's own deep blue inside it.
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glScissor(view.X, view.Y, view.Width, view.Height);
    glEnable(GL_SCISSOR_TEST);
  }
  glClearColor(0, 0, 0.05f, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (bars) glDisable(GL_SCISSOR_TEST);
  glLoadIdentity();

  const TXYZ camera = CameraAbove(Shell.World->Snake->Position);
  glTranslatef(-camera.X, -camera.Y, -camera.Z);

  Shell.World->Camera = {camera.X, camera.Y, -camera.Z};
  Shell.World->Frame();
  glFlush();
}

void DoneGame() {
  if (Shell.World && Shell.Options->BeforeWorldFreed)
    Shell.Options->BeforeWorldFreed(Shell.FramesDrawn, *Shell.World);
  delete Shell.World;
  Shell.World = nullptr;
  delete Shell.Printer;
  Shell.Printer = nullptr;
}

void Dispatch(const SDL_Event& Event, THandle Handle) {
  if (Event.type == Shell.TickEvent) {
    GameWindowProc(Handle, WM_TIMER, 1, 0);
    return;
  }
  if (Event.type == Shell.ModeSwitchEvent) {
    GameWindowProc(Handle, WM_MODESWITCH, 0, 0);
    return;
  }
  switch (Event.type) {
  case SDL_QUIT:
    GameWindowProc(Handle, WM_CLOSE, 0, 0);
    break;
  case SDL_WINDOWEVENT: {
    const SDL_WindowEvent& w = Event.window;
    if (Shell.Window) FitOuterSize(*Shell.Window);
    switch (w.event) {
    case SDL_WINDOWEVENT_CLOSE:
      GameWindowProc(Handle, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      GameWindowProc(Handle, WM_SIZE, SIZE_MINIMIZED, 0);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED: {
      int width = 0, height = 0;
      SDL_GetWindowSize(static_cast<SDL_Window*>(Handle), &width, &height);
      const TWParam type = w.event == SDL_WINDOWEVENT_MAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED;
      GameWindowProc(Handle, WM_SIZE, type, MakeMouseLParam(width, height));
      break;
    }
    default:
      break;
    }
    break;
  }
  default:
    TranslateInput(Event, Handle, Shell.Options->ReplayMouse, Shell.Pad);
    // Alt+Enter switches the live window between full screen and a window; the game goes on.
    if (Event.type == SDL_KEYDOWN && !Event.key.repeat) {
      if (Event.key.keysym.sym == SDLK_RETURN && (Event.key.keysym.mod & KMOD_ALT))
        ToggleFullScreen();
      if (Event.key.keysym.sym == SDLK_F12) Shell.ScreenshotPending = true;
    }
    break;
  }
}

void DrawAndSwap(TGameWindow& Window) {
  const TRunOptions& options = *Shell.Options;
  // A tick already queued behind the last frame must not draw one frame more than was asked for.
  if (options.Frames > 0 && Shell.FramesDrawn >= options.Frames) return;
  const int64_t frame = Shell.FramesDrawn + 1;
  // The pad's pointer follows the snake, so it is placed once a frame, before the frame's input
  // is recorded.
  if (!options.ReplayMouse)
    Shell.Pad.Tick(Shell.World->Snake->Position,
                   [&Window](uint32_t Message, TWParam WParam, TLParam LParam) {
                     GameWindowProc(Window.Handle, Message, WParam, LParam);
                   });
  if (options.BeforeFrame && !options.BeforeFrame(frame, *Shell.World)) {
    RequestQuit(Window);
    return;
  }
  PollKeys();
  DrawFrame();
  Shell.FramesDrawn = frame;
  if (options.AfterFrame) options.AfterFrame(frame, *Shell.World);
  if (Shell.ScreenshotPending) {
    Shell.ScreenshotPending = false;
    std::string path, error;
    if (SaveScreenshotToFolder(path, error))
      std::fprintf(stderr, "screenshot: %s\n", path.c_str());
    else
      std::fprintf(stderr, "%s\n", error.c_str());
  }
  SDL_GL_SwapWindow(static_cast<SDL_Window*>(Window.Handle));
  if (options.Frames > 0 && Shell.FramesDrawn >= options.Frames) RequestQuit(Window);
}

void PumpMessages(TGameWindow& Window) {
  for (;;) {
    SDL_Event event;
    if (SDL_PollEvent(&event)) {
      if (event.type == Shell.QuitEvent) return;
      const bool tick = event.type == Shell.TickEvent;
      if (tick) Shell.TickPending = false;
      Dispatch(event, Window.Handle);
      if (tick && !Shell.Options->Unpaced) DrawAndSwap(Window);
      continue;
    }
    if (Shell.Options->Unpaced) {
      // Frames back to back: every idle pass is a tick.
      GameWindowProc(Window.Handle, WM_TIMER, 1, 0);
      DrawAndSwap(Window);
      continue;
    }
    // Between ticks there is nothing to do but check the keys; wait for the next event rather
    // than spin. A minimised window waits without checking.
    if (Window.Visible) PollKeys();
    SDL_WaitEvent(nullptr);
  }
}

} // namespace

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
    SDL_SetWindowSize(window, open->Width, open->Height);
    open->FullScreen = false;
    Shell.WantFullScreen = false; // the mode-switch message flips what the player now sees
    ShowCursorCount(true);
    return true;
  }
  bool switched = false;
  if (Shell.DesktopFullScreen) {
    // Sized to the desktop first, for the same reason as when opening.
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(SDL_GetWindowDisplayIndex(window), &desktop) == 0) {
      SDL_SetWindowPosition(window, 0, 0);
      SDL_SetWindowSize(window, desktop.w, desktop.h);
    }
    switched = SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
  } else {
    SDL_GetDesktopDisplayMode(0, &Shell.SavedMode);
    switched = SetDisplayMode(open->Width, open->Height, open->ColorBits) &&
               SDL_SetWindowDisplayMode(window, &Shell.GameMode) == 0 &&
               SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0;
    if (!switched) SDL_SetWindowFullscreen(window, 0);
  }
  if (!switched) {
    std::fprintf(stderr, "full screen refused: staying in a window\n");
    return false;
  }
  open->FullScreen = true;
  Shell.WantFullScreen = true;
  ShowCursorCount(false);
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
    RequestQuit(*window);
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

int RunGame(void* Instance, const TRunOptions& Options) {
  Shell.Options = &Options;
  Shell.ScreenWidth = 1024;
  Shell.ScreenHeight = 768;
  Shell.StartFullScreen = !Options.Windowed;
  Shell.DesktopFullScreen = Options.Desktop;
  Shell.ScreenshotPending = false;
  Shell.FramesDrawn = 0;
  Shell.ExitCode = 0;
  SetHeadlessMessages(Options.Headless);
#ifndef _WIN32
  // SDL's offscreen driver makes GL contexts through EGL, which Windows lacks: there a headless
  // run keeps the ordinary window and only stops showing message boxes.
  if (Options.Headless) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
#endif

  static TKeyTable keys;
  TGameApp app{Instance, "GloopaWindowClass"};
  TGameWindow window;
  window.Keys = &keys;
  window.App = &app;
  window.Title = "OpenGL";
  window.Width = Shell.ScreenWidth;
  window.Height = Shell.ScreenHeight;
  window.ColorBits = Shell.ScreenColorBits;
  window.FullScreen = Shell.StartFullScreen;
  keys.Clear();

  if (!RegisterGameClass(app)) {
    ShowErrorBox("Error Registering Window Class!");
    return -1;
  }
  SDL_DisableScreenSaver();
  Shell.Pad.OpenAny();

  Shell.Looping = true;
  Shell.WantFullScreen = window.FullScreen;
  while (Shell.Looping) {
    window.FullScreen = Shell.WantFullScreen;
    if (!OpenGameWindow(window)) {
      ShowErrorBox("Error Creating OpenGL Window");
      Shell.Looping = false;
      Shell.ExitCode = 1;
      continue;
    }
    try {
      if (!InitGame(window, keys)) RequestQuit(window);
      PumpMessages(window);
    } catch (const ETerminate&) {
      // Already reported to the player.
      Shell.Looping = false;
      Shell.ExitCode = 1;
    } catch (const std::exception& error) {
      ShowErrorBox(error.what());
      Shell.Looping = false;
      Shell.ExitCode = 1;
    }
    if (Shell.Timer) SDL_RemoveTimer(Shell.Timer);
    Shell.Timer = 0;
    DoneGame();
    CloseGameWindow(window);
    // Drop whatever the closed window left queued (ticks, quit requests) before reopening.
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  }
  Shell.Pad.Close();
  UnregisterGameClass();
  return Shell.ExitCode;
}
