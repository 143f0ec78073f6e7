#include "shell/GLWindow.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <atomic>
#include <cstring>
#include <exception>

#include "creatures/blobSnake.h"
#include "shell/Platform.h"
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
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
    ShowErrorBox("RegisterClassEx Failed!");
    return false;
  }
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
    if (SetDisplayMode(Window.Width, Window.Height, Window.ColorBits)) {
      ShowCursorCount(false);
    } else {
      ModeSwitchFailed(Window);
    }
  }

  SDL_Window* window = SDL_CreateWindow(Window.Title.c_str(), 0, 0, Window.Width, Window.Height,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return false;
  Window.Handle = window;
  SDL_SetWindowData(window, WindowDataKey, &Window);
  GameWindowProc(window, WM_CREATE, 0, 0);

  if (Window.FullScreen) {
    if (SDL_SetWindowDisplayMode(window, &Shell.GameMode) != 0 ||
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
      ShowCursorCount(true);
      ModeSwitchFailed(Window);
    }
  }
  if (!Window.FullScreen && !adjusted) {
    // The fallback window keeps an outer size of 1024 x 768, so its client area is smaller.
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0)
      SDL_SetWindowSize(window, Window.Width - left - right, Window.Height - top - bottom);
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

void DrawFrame() {
  glFrontFace(GL_CCW);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);

  glViewport(0, 0, Shell.ScreenWidth, Shell.ScreenHeight);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-1, 1, -1, 1, 1, 10000);
  glMatrixMode(GL_MODELVIEW);
  glViewport(0, 0, Shell.ScreenWidth, Shell.ScreenHeight);

  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

  glClearColor(0, 0, 0.05f, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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

// Windows virtual-key codes for the keys a player may press. Anything else is sent with a code
// above 255, which the window procedure swallows.
TWParam VirtualKey(const SDL_Keysym& Key) {
  const SDL_Keycode k = Key.sym;
  if (k >= SDLK_a && k <= SDLK_z) return TWParam('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return TWParam('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return TWParam(0x70 + (k - SDLK_F1));
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return TWParam(0x61 + (k - SDLK_KP_1));
  switch (k) {
  case SDLK_ESCAPE:
    return VK_ESCAPE;
  case SDLK_BACKSPACE:
    return 0x08;
  case SDLK_TAB:
    return 0x09;
  case SDLK_RETURN:
    return 0x0D;
  case SDLK_LSHIFT:
  case SDLK_RSHIFT:
    return 0x10;
  case SDLK_LCTRL:
  case SDLK_RCTRL:
    return 0x11;
  case SDLK_LALT:
  case SDLK_RALT:
    return 0x12;
  case SDLK_PAUSE:
    return 0x13;
  case SDLK_CAPSLOCK:
    return 0x14;
  case SDLK_SPACE:
    return 0x20;
  case SDLK_PAGEUP:
    return 0x21;
  case SDLK_PAGEDOWN:
    return 0x22;
  case SDLK_END:
    return 0x23;
  case SDLK_HOME:
    return 0x24;
  case SDLK_LEFT:
    return 0x25;
  case SDLK_UP:
    return 0x26;
  case SDLK_RIGHT:
    return 0x27;
  case SDLK_DOWN:
    return 0x28;
  case SDLK_INSERT:
    return 0x2D;
  case SDLK_DELETE:
    return 0x2E;
  case SDLK_KP_0:
    return 0x60;
  default:
    return TWParam(0x10000 + Key.scancode);
  }
}

TWParam MouseKeys() {
  const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
  TWParam keys = 0;
  if (buttons & SDL_BUTTON(SDL_BUTTON_LEFT)) keys |= MK_LBUTTON;
  if (buttons & SDL_BUTTON(SDL_BUTTON_RIGHT)) keys |= MK_RBUTTON;
  return keys;
}

// Turns one SDL event into the window messages a Win32 window would have received.
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
  case SDL_MOUSEMOTION:
    if (Shell.Options->ReplayMouse) break;
    GameWindowProc(Handle, WM_MOUSEMOVE, MouseKeys(),
                   MakeMouseLParam(Event.motion.x, Event.motion.y));
    break;
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP: {
    if (Shell.Options->ReplayMouse) break;
    const bool down = Event.type == SDL_MOUSEBUTTONDOWN;
    uint32_t message = 0;
    if (Event.button.button == SDL_BUTTON_LEFT) message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    if (Event.button.button == SDL_BUTTON_RIGHT) message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    if (message != 0)
      GameWindowProc(Handle, message, MouseKeys(), MakeMouseLParam(Event.button.x, Event.button.y));
    break;
  }
  case SDL_KEYDOWN:
    GameWindowProc(Handle, WM_KEYDOWN, VirtualKey(Event.key.keysym), 0);
    // Alt+Enter asks for the other display mode.
    if (Event.key.keysym.sym == SDLK_RETURN && (Event.key.keysym.mod & KMOD_ALT) &&
        !Event.key.repeat)
      PostEvent(Shell.ModeSwitchEvent);
    break;
  case SDL_KEYUP:
    GameWindowProc(Handle, WM_KEYUP, VirtualKey(Event.key.keysym), 0);
    break;
  case SDL_WINDOWEVENT: {
    const SDL_WindowEvent& w = Event.window;
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
    break;
  }
}

void DrawAndSwap(TGameWindow& Window) {
  const TRunOptions& options = *Shell.Options;
  const int64_t frame = Shell.FramesDrawn + 1;
  if (options.BeforeFrame && !options.BeforeFrame(frame, *Shell.World)) {
    RequestQuit(Window);
    return;
  }
  PollKeys();
  DrawFrame();
  Shell.FramesDrawn = frame;
  if (options.AfterFrame) options.AfterFrame(frame, *Shell.World);
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

THandle GameWindowHandle() {
  return Shell.Window ? Shell.Window->Handle : nullptr;
}

intptr_t GameWindowProc(THandle Handle, uint32_t Message, TWParam WParam, TLParam LParam) {
  if (Shell.Options && Shell.Options->OnMessage) Shell.Options->OnMessage(Message, WParam, LParam);
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
  UnregisterGameClass();
  return Shell.ExitCode;
}
