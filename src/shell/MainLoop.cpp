// The main loop: events, steps and their pacing, the drawing of a step and the swap. The window
// itself is in GLWindow.cpp.
#include <SDL.h>

#include <cstdio>
#include <exception>
#include <string>

#include "creatures/blobSnake.h"
#include "gl/GL.h"
#include "gl/GLScale.h"
#include "platform/Platform.h"
#include "shell/BrowserLoop.h"
#include "shell/Demo.h"
#include "shell/GLWindow.h"
#include "shell/HallView.h"
#include "shell/Input.h"
#include "shell/LiveControls.h"
#include "shell/Pacer.h"
#include "shell/Screenshot.h"
#include "shell/ShellState.h"
#include "shell/ViewScale.h"
#include "sound/frmDXSounds.h"
#include "text/GLPrinter.h"
#include "world/gloopaMain.h"

namespace {

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

// The high-resolution clock, in nanoseconds.
int64_t Now() {
  static const uint64_t frequency = SDL_GetPerformanceFrequency();
  const uint64_t count = SDL_GetPerformanceCounter();
  return int64_t(count / frequency * 1000000000u + count % frequency * 1000000000u / frequency);
}

// The time of the last step on the game's own clock, 10 ms a step from 0: the time of the frames of
// runs not paced by the clock.
int64_t GameTime() {
  return (Shell.Steps - 1) * TPacer::StepTime;
}

bool InitGame(TGameWindow& Window, TKeyTable& Keys) {
  Shell.Printer = new TGLPrinter();
  Shell.World = new TGloopa(Shell.Printer);
  Shell.World->SetImmediateDrawing(Shell.Options->Immediate);
  ApplyVolume();
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

void PollKeys() {
  if (Shell.Keys->Down[VK_ESCAPE]) RequestQuit();
}

// The replay controls' line, over the picture at its foot, while a control is in use.
void DrawReplayStatus() {
  const std::string status = Shell.Controls.Status(Shell.Steps + 1);
  if (status.empty()) return;
  const TXYZ& camera = Shell.DrawnCamera;
  glDisable(GL_DEPTH_TEST);
  Shell.Printer->Print(1, TXYZ{0.9f, 0.9f, 0.5f}, camera.X + 200, camera.Y - 450, TXYZ{1, 0.75f, 1},
                       status);
  glEnable(GL_DEPTH_TEST);
}

void Dispatch(const SDL_Event& Event, THandle Handle);

// Mouse movements waiting since the frame's events were pumped reach the world now, as they would
// before the next step anyway: the cursor is then drawn where the mouse is.
void PumpMouseMotion() {
  SDL_PumpEvents();
  SDL_Event events[16];
  int count;
  while ((count = SDL_PeepEvents(events, 16, SDL_GETEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION)) > 0)
    for (int i = 0; i < count; ++i) Dispatch(events[i], Shell.Window->Handle);
}

// The frame of what the last step kept, each moving thing at Fraction of a step past the step
// before; the cursor where the mouse is when the mouse is the player's and frames are blended.
void DrawFrame(float Fraction) {
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

  const TGloopa& world = *Shell.World;
  const TXYZ eye = world.ViewAt(Fraction);
  glTranslatef(-eye.X, -eye.Y, eye.Z);
  Shell.DrawnCamera = world.CameraAt(Fraction);
  Shell.DrawnView = eye;

  if (Shell.Options->Interpolate && !Shell.ReplayMouse) {
    PumpMouseMotion();
    Shell.DrawnCursor = {float(world.MouseX), float(world.MouseY), 0};
    world.Draw(Fraction, &Shell.DrawnCursor);
  } else {
    Shell.DrawnCursor = world.CursorAt(Fraction);
    world.Draw(Fraction);
  }
  DrawHallView();
  DrawReplayStatus();
  DrawVolumeLine();
  glFlush();
}

void DoneGame() {
  if (Shell.World && Shell.Options->BeforeWorldFreed)
    Shell.Options->BeforeWorldFreed(Shell.Steps, *Shell.World);
  delete Shell.World;
  Shell.World = nullptr;
  delete Shell.Printer;
  Shell.Printer = nullptr;
}

// Space, F or Tab, Period and Return during a replay; Alt+Return stays the full-screen switch.
void ReplayKey(const SDL_KeyboardEvent& Key) {
  const SDL_Keycode sym = Key.keysym.sym;
  if (sym == SDLK_PERIOD || sym == SDLK_KP_PERIOD) {
    Shell.Controls.Key(TReplayKey::Step); // repeats while held
    return;
  }
  if (Key.repeat || (Key.keysym.mod & KMOD_ALT)) return;
  if (sym == SDLK_SPACE) Shell.Controls.Key(TReplayKey::Pause);
  if (sym == SDLK_f || sym == SDLK_TAB) Shell.Controls.Key(TReplayKey::Speed);
  if (sym == SDLK_RETURN || sym == SDLK_KP_ENTER) Shell.Controls.Key(TReplayKey::TakeOver);
}

void Dispatch(const SDL_Event& Event, THandle Handle) {
  if (HallViewEvent(Event)) return;
  if (Shell.Window && LiveControlEvent(Event, *Shell.Window)) return;
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
    TranslateInput(Event, Handle, Shell.ReplayMouse, Shell.Pad, Shell.Touch);
    if (Event.type == SDL_KEYDOWN && Shell.Controls.Enabled) ReplayKey(Event.key);
    // Alt+Enter switches the live window between full screen and a window; the game goes on.
    if (Event.type == SDL_KEYDOWN && !Event.key.repeat) {
      if (Event.key.keysym.sym == SDLK_RETURN && (Event.key.keysym.mod & KMOD_ALT))
        ToggleFullScreen();
      if (Event.key.keysym.sym == SDLK_F12) Shell.ScreenshotPending = true;
    }
    break;
  }
}

// One step of the game: the pad's pointer and the demo's input for it, the Escape check, the
// camera above the snake and the world's step, which draws nothing. Keep: a frame will show this
// step, so what it shows is kept. False when no step was run: the run has ended.
bool RunStep(TGameWindow& Window, bool Keep) {
  const TRunOptions& options = *Shell.Options;
  // A tick already queued behind the last step must not run one step more than was asked for.
  if (options.Frames > 0 && Shell.Steps >= options.Frames) return false;
  const int64_t step = Shell.Steps + 1;
  // The pad's pointer follows the snake, so it is placed once a step, before the step's input
  // is recorded.
  if (!Shell.ReplayMouse) {
    TickTouch(Shell.Touch, Window.Handle);
    Shell.Pad.Tick(Shell.World->Snake->Position,
                   [&Window](uint32_t Message, TWParam WParam, TLParam LParam) {
                     GameWindowProc(Window.Handle, Message, WParam, LParam);
                   });
  }
  if (options.BeforeFrame && !options.BeforeFrame(step, *Shell.World)) {
    RequestQuit();
    return false;
  }
  PollKeys();
  {
    // A step never draws; should anything in it call the GL, the call goes nowhere.
    const TGLTableScope table(GLNothingTable());
    const TXYZ camera = CameraAbove(Shell.World->Snake->Position);
    Shell.World->Camera = {camera.X, camera.Y, -camera.Z};
    // The simulation build's drawing table draws nothing: nothing is worth keeping for it.
    Shell.World->SetRecording(Keep && GLDrawingTable().Draws);
    Shell.World->Advance();
  }
  Shell.Steps = step;
  if (options.AfterStep && !options.AfterStep(step, *Shell.World)) RequestQuit();
  if (options.Frames > 0 && Shell.Steps >= options.Frames) RequestQuit();
  return true;
}

// Draws one frame of what the last step kept, at Fraction of a step past the step before, and
// shows it: at At on Clock's time when the clock waits (nullptr: at once). The first frame that
// shows a step whole is that step's own frame: the one AfterFrame sees and a screenshot takes.
void ShowFrame(TGameWindow& Window, float Fraction, int64_t At, TFrameClock* Clock) {
  const TRunOptions& options = *Shell.Options;
  {
    const TGLTableScope table(DrawingTable());
    DrawFrame(Fraction);
  }
  if (GLScaleTakeClamped() && !Shell.WidthClampReported) {
    Shell.WidthClampReported = true;
    std::fprintf(stderr, "line widths and point sizes clamped to the driver's range\n");
  }
  if (Fraction >= 1 && Shell.OwnFrameShown != Shell.Steps) {
    Shell.OwnFrameShown = Shell.Steps;
    if (options.AfterFrame) options.AfterFrame(Shell.Steps, *Shell.World);
  }
  if (Shell.PauseAsked) KeepPausedFrame(Window);
  if (Shell.ScreenshotPending) {
    Shell.ScreenshotPending = false;
    std::string path, error;
    if (SaveScreenshotToFolder(path, error))
      std::fprintf(stderr, "screenshot: %s\n", path.c_str());
    else
      std::fprintf(stderr, "%s\n", error.c_str());
  }
  if (Clock && Clock->Waits()) {
    // To the nearest millisecond, which is what SDL can sleep; the frame is logged for At.
    const int64_t left = At - Now();
    if (left >= 500'000) SDL_Delay(Uint32((left + 500'000) / 1'000'000));
  }
  SDL_GL_SwapWindow(static_cast<SDL_Window*>(Window.Handle));
  if (Clock) Clock->Shown(At, Now());
  if (options.FinishFrames) glFinish();
  if (options.FrameShown)
    options.FrameShown({At, Shell.Steps, Fraction, Shell.DrawnView.X, Shell.DrawnView.Y,
                        Shell.DrawnCursor.X, Shell.DrawnCursor.Y});
}

// A step and its own frame, as the original loop ran them: drawn at once when Draw is set, for
// the time At (by default the step's own on the game's clock).
bool RunDrawnStep(TGameWindow& Window, bool Draw, int64_t At = -1) {
  if (!RunStep(Window, Draw)) return false;
  if (Draw) ShowFrame(Window, 1, At >= 0 ? At : GameTime(), nullptr);
  return true;
}

// Whether the next step is drawn: as planned, unless the run's options say otherwise.
bool DrawNextStep(bool Planned) {
  const TRunOptions& options = *Shell.Options;
  return options.ChooseDraw ? options.ChooseDraw(Shell.Steps + 1, Planned) : Planned;
}

// Hands every waiting event to the window; false once the quit event comes.
bool PumpEvents(TGameWindow& Window) {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == Shell.QuitEvent) return false;
    Dispatch(event, Window.Handle);
  }
  return true;
}

// Sleeps until the clock reads Time, or until an event comes in. SDL's wait counts whole
// milliseconds, so it may wake a little late; the pacer keeps the average exact.
void WaitUntil(int64_t Time) {
  const int64_t left = Time - Now();
  if (left <= 0) return;
  SDL_WaitEventTimeout(nullptr, int((left + 999999) / 1000000));
}

// Return during a replay: the player has the game from the next step, with the real mouse where
// it is now and the pad.
void TakeOverReplay(TGameWindow& Window) {
  Shell.Controls = TReplayControls{};
  Shell.ReplayMouse = false;
  TDemoFrame mouse;
  const bool over = RealMouse(Window.Handle, mouse.X, mouse.Y, mouse.Left, mouse.Right);
  if (Shell.Options->TakeOver) Shell.Options->TakeOver(over ? &mouse : nullptr);
}

// What a pause of live play or the replay controls ask of a loop before its next step. True when
// they hold the game: the loop then runs no step of its own (the controls may have run one,
// drawn).
bool ReplayHeld(TGameWindow& Window, TPacer* Pacer) {
  if (Shell.PauseAsked) {
    // The step that shows under the "Paused" line.
    GameWindowProc(Window.Handle, WM_TIMER, 1, 0);
    if (RunDrawnStep(Window, true, Pacer ? Now() : -1) && Pacer) Pacer->Ran(true, Now());
    BeginPause();
    return true;
  }
  const bool paused = PauseHeld(Window);
  if (Shell.PauseEnded) {
    Shell.PauseEnded = false;
    if (Pacer) Pacer->Resume(Now());
  }
  if (paused) return true;
  TReplayControls& controls = Shell.Controls;
  if (!controls.Enabled) return false;
  if (controls.TakeOverAsked()) {
    TakeOverReplay(Window);
    if (Pacer) {
      Pacer->SetSpeed(1);
      Pacer->Resume(Now());
    }
    return false;
  }
  if (Pacer && Pacer->Speed() != controls.Speed()) Pacer->SetSpeed(controls.Speed());
  if (!controls.Paused()) {
    if (controls.TakeResumed() && Pacer) Pacer->Resume(Now());
    return false;
  }
  if (controls.TakeStep()) {
    GameWindowProc(Window.Handle, WM_TIMER, 1, 0);
    if (RunDrawnStep(Window, true, Pacer ? Now() : -1) && Pacer) Pacer->Ran(true, Now());
    return true;
  }
  if (Window.Visible) PollKeys();
#ifndef __EMSCRIPTEN__
  SDL_WaitEvent(nullptr); // in a browser, the next display frame is the wait
#endif
  return true;
}

// One step of a paced frame: Keep as the pacing plans, unless the run's options ask for this
// step's own frame at once (a screenshot) or for nothing kept (a headless check).
bool PacedStep(TGameWindow& Window, bool& Keep, bool& Own) {
  const bool must = DrawNextStep(false);
  Keep = Keep && DrawNextStep(true);
  Own = must;
  GameWindowProc(Window.Handle, WM_TIMER, 1, 0);
  return RunStep(Window, Keep || Own);
}

// How the frames of a paced window are shown: as a display of --refresh HZ would show them; else
// with vertical sync at the display's refresh rate; else at most max_fps a second (by default the
// display's rate, 0 for no cap).
TFrameClock PacedFrameClock(TGameWindow& Window) {
  const TRunOptions& options = *Shell.Options;
  TFrameClock clock;
  constexpr int64_t Second = 1'000'000'000;
  if (options.Refresh > 0) {
    clock.Set(TFrameClock::Refresh, Second / options.Refresh);
    return clock;
  }
  SDL_DisplayMode mode{};
  const int display = SDL_GetWindowDisplayIndex(static_cast<SDL_Window*>(Window.Handle));
  int rate = 60;
  if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
    rate = mode.refresh_rate;
  if (options.VSync && SDL_GL_GetSwapInterval() != 0)
    clock.Set(TFrameClock::VSync, Second / rate);
  else if (options.MaxFps != 0)
    clock.Set(TFrameClock::Capped, Second / (options.MaxFps > 0 ? options.MaxFps : rate));
  return clock;
}

// Real-time pacing: 100 steps a second of the clock (TPacer), and one frame for each time the
// display can show one (TFrameClock), drawn for the time it will be shown (PaceFrame).
void PacedLoop(TGameWindow& Window) {
  TPacer pacer;
  pacer.Start(Now());
  TFrameClock clock = PacedFrameClock(Window);
  const bool interpolate = Shell.Options->Interpolate;
  while (PumpEvents(Window)) {
    if (ReplayHeld(Window, &pacer)) continue;
    const int64_t at = Window.Visible ? clock.FrameTime(Now()) : Now();
    const TFrameRun run = PaceFrame(
        pacer, at, Window.Visible, interpolate,
        [&Window](bool& Keep, bool& Own) { return PacedStep(Window, Keep, Own); },
        [&](float Fraction) { ShowFrame(Window, Fraction, at, &clock); });
    if (run.Drawn) continue;
    // Nothing to show until the next step: a hidden window, or whole steps only. Meanwhile there
    // is nothing to do but check the keys.
    if (Window.Visible) PollKeys();
    WaitUntil(pacer.NextDue());
  }
  if (Shell.Options->PaceReport) Shell.Options->PaceReport(pacer.Stats());
}

// Steps back to back (--timedemo, --verify), each drawn at its own time; with --refresh HZ, the
// frames that a display of HZ would show over the game's time instead, drawn back to back.
void UnpacedLoop(TGameWindow& Window) {
  const TRunOptions& options = *Shell.Options;
  if (options.Refresh <= 0) {
    while (PumpEvents(Window)) {
      if (options.FrameStarts) options.FrameStarts();
      const bool draw = DrawNextStep(true);
      GameWindowProc(Window.Handle, WM_TIMER, 1, 0);
      RunDrawnStep(Window, draw);
    }
    return;
  }
  TPacer pacer;
  pacer.Start(0);
  const int64_t period = 1'000'000'000 / options.Refresh;
  for (int64_t frame = 0; PumpEvents(Window); ++frame) {
    if (options.FrameStarts) options.FrameStarts();
    const int64_t at = frame * period;
    PaceFrame(
        pacer, at, true, options.Interpolate,
        [&Window](bool& Keep, bool& Own) { return PacedStep(Window, Keep, Own); },
        [&](float Fraction) { ShowFrame(Window, Fraction, at, nullptr); });
  }
}

// The original pacing (--frame-locked): a 10 ms timer whose ticks each run one drawn step, at
// most one tick pending, so that a slow frame slows the game down.
void FrameLockedLoop(TGameWindow& Window) {
  Shell.TickPending = false;
  Shell.Timer = SDL_AddTimer(10, TickCallback, nullptr);
  for (;;) {
    SDL_Event event;
    if (SDL_PollEvent(&event)) {
      if (event.type == Shell.QuitEvent) break;
      const bool tick = event.type == Shell.TickEvent;
      if (tick) Shell.TickPending = false;
      Dispatch(event, Window.Handle);
      if (tick && !ReplayHeld(Window, nullptr)) {
        // A replay sped up runs its steps in each tick, the last drawn.
        const int32_t steps = Shell.Controls.Enabled ? Shell.Controls.Speed() : 1;
        for (int32_t i = 1; i <= steps && !SDL_HasEvent(Shell.QuitEvent); ++i)
          if (!RunDrawnStep(Window, DrawNextStep(i == steps))) break;
      }
      continue;
    }
    // Between ticks there is nothing to do but check the keys; wait for the next event rather
    // than spin. A minimised window waits without checking.
    if (Window.Visible) PollKeys();
    SDL_WaitEvent(nullptr);
  }
  if (Shell.Timer) SDL_RemoveTimer(Shell.Timer);
  Shell.Timer = 0;
}

// Frees the world and closes its window, dropping whatever the closed window left queued (ticks,
// quit requests) before another one opens.
void CloseWindowAndGame(TGameWindow& Window) {
  if (Shell.Timer) SDL_RemoveTimer(Shell.Timer);
  Shell.Timer = 0;
  DoneGame();
  CloseGameWindow(Window);
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

// The end of the run, once its last window is closed: the run's exit status.
int EndRun() {
  Shell.Pad.Close();
  if (Shell.RememberedWindowMoved) RememberChoices();
  UnregisterGameClass();
  return Shell.ExitCode;
}

// The run's steps up to FastUntil, undrawn and silent, back to back; the events are still
// handled now and then, so that the window answers and can be closed. False when the run ended.
bool FastForward(TGameWindow& Window) {
  const int64_t until = Shell.Options->FastUntil;
  if (Shell.Steps >= until) return true;
  if (Shell.World->Sounds) Shell.World->Sounds->SetMasterVolume(0);
  bool going = true;
  while (going && Shell.Steps < until) {
    if (Shell.Steps % 256 == 0 && !PumpEvents(Window)) return false;
    GameWindowProc(Window.Handle, WM_TIMER, 1, 0);
    // The last is kept, for the first frame to blend from.
    going = RunStep(Window, Shell.Steps + 1 == until);
  }
  ApplyVolume();
  return going;
}

void RunLoop(TGameWindow& Window) {
  const TRunOptions& options = *Shell.Options;
  if (!FastForward(Window)) return;
#ifdef __EMSCRIPTEN__
  // Never returns: the run goes on in the browser's frame callbacks, and ends there.
  RunBrowserLoop(Window, {PumpEvents, ReplayHeld,
                          [](TGameWindow& W, bool Draw) {
                            GameWindowProc(W.Handle, WM_TIMER, 1, 0);
                            return RunDrawnStep(W, Draw);
                          },
                          DrawNextStep, Now, PacedStep,
                          [](TGameWindow& W, float Fraction, int64_t At) {
                            ShowFrame(W, Fraction, At, nullptr);
                          },
                          [](TGameWindow& W) {
                            CloseWindowAndGame(W);
                            return EndRun();
                          }});
#endif
  if (options.Unpaced)
    UnpacedLoop(Window);
  else if (options.FrameLocked)
    FrameLockedLoop(Window);
  else
    PacedLoop(Window);
}

// The shell's state at the start of a run.
void StartShell(const TRunOptions& Options) {
  Shell.Options = &Options;
  Shell.ScreenWidth = GameViewWidth;
  Shell.ScreenHeight = GameViewHeight;
  Shell.StartFullScreen = !Options.Windowed;
  Shell.DesktopFullScreen = Options.Desktop;
  Shell.ScreenshotPending = false;
  Shell.Steps = 0;
  Shell.ExitCode = 0;
  Shell.ReplayMouse = Options.ReplayMouse;
  Shell.Controls = TReplayControls{};
  Shell.Controls.Enabled = Options.ReplayControls;
  Shell.Paused = Shell.PauseEnded = Shell.PauseAsked = false;
  Shell.HallShown = false;
  Shell.Touch = TTouchInput{};
  Shell.Focused = true;
  Shell.Volume = Options.Volume;
  Shell.Mute = Options.Mute;
  Shell.VolumeShownUntil = 0;
  Shell.WindowWidth = Options.WindowWidth;
  Shell.WindowHeight = Options.WindowHeight;
  Shell.Remembered = Options.Remembered;
  Shell.RememberedWindowMoved = false;
  Shell.WidthClampReported = false;
  Shell.OwnFrameShown = 0;
}

} // namespace

TViewRect PictureViewport() {
  // A 1024 x 768 drawable gives the game's own (0, 0, 1024, 768).
  int width = Shell.ScreenWidth, height = Shell.ScreenHeight;
  SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(Shell.Window->Handle), &width, &height);
  if (width == Shell.ScreenWidth && height == Shell.ScreenHeight)
    return {0, 0, Shell.ScreenWidth, Shell.ScreenHeight};
  TViewRect rect = FitPicture(width, height);
  rect.Y = GLBottom(rect, height);
  return rect;
}

const TGLTable& DrawingTable() {
  if (!Shell.Options->LineScale) return GLDrawingTable();
  const TViewRect view = PictureViewport();
  if (view.Height == Shell.ScreenHeight || view.Height <= 0) return GLDrawingTable();
  return GLScaledTable(GLDrawingTable(), float(view.Height) / float(Shell.ScreenHeight));
}

int RunGame(void* Instance, const TRunOptions& Options) {
  StartShell(Options);
  SetHeadlessMessages(Options.Headless);
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
  // SDL's offscreen driver makes GL contexts through EGL, which Windows lacks: there a headless
  // run keeps the ordinary window and only stops showing message boxes.
  if (Options.Headless) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
#endif
  // Fingers are the game's own to turn into the mouse (TTouchMouse), not a left button each.
  SDL_SetHint(SDL_HINT_TOUCH_MOUSE_EVENTS, "0");

  // Static, as a browser runs the game after this function has gone (BrowserLoop.cpp).
  static TKeyTable keys;
  static TGameApp app;
  app = TGameApp{Instance, "GloopaWindowClass"};
  static TGameWindow window;
  window = TGameWindow{};
  window.Keys = &keys;
  window.App = &app;
  window.Title = "OpenGL";
  window.Width = Shell.ScreenWidth;
  window.Height = Shell.ScreenHeight;
  window.ColorBits = Shell.ScreenColorBits;
  window.FullScreen = Shell.StartFullScreen;
  keys.Clear();

  if (!RegisterGameClass()) {
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
      if (!InitGame(window, keys)) RequestQuit();
      RunLoop(window);
    } catch (const ETerminate&) {
      // Already reported to the player.
      Shell.Looping = false;
      Shell.ExitCode = 1;
    } catch (const std::exception& error) {
      ShowErrorBox(error.what());
      Shell.Looping = false;
      Shell.ExitCode = 1;
    }
    CloseWindowAndGame(window);
  }
  return EndRun();
}
