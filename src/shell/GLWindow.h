#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "assets/VexLib3DTypes.h"
#include "platform/WindowMessages.h"
#include "shell/Settings.h"

class TGloopa;
class TGLPrinter;
class THallOfFame;

// One frame as it was shown, for the frame log: the time it was meant to be shown (the pacer's
// clock, in nanoseconds; the game's own clock for runs not paced by it), the last step run, the
// fraction of a step it was drawn at, and where the camera and the cursor were drawn.
struct TFrameShown {
  int64_t Time = 0;
  int64_t Step = 0;
  float Fraction = 1;
  float CameraX = 0, CameraY = 0, CursorX = 0, CursorY = 0;
};
struct TPaceStats;
struct TDemoFrame;

// 256 flags indexed by Windows virtual-key code; true while that key is down.
struct TKeyTable {
  bool Down[256] = {};
  void Clear();
};

struct TGameApp {
  void* Instance = nullptr;
  std::string ClassName;
};

struct TGameWindow {
  TKeyTable* Keys = nullptr;
  THandle Handle = nullptr; // the SDL window
  void* DC = nullptr;       // stands in for the device context: the same SDL window while it has GL
  void* RC = nullptr;       // the GL context
  TGameApp* App = nullptr;
  std::string Title;
  int32_t Width = 0, Height = 0;
  int32_t ColorBits = 0;
  bool FullScreen = false;
  bool Visible = false;
};

// What a run can be asked to do beyond the defaults; a run with default options behaves exactly as
// the game always has, but for its pacing: 100 steps to every second of real time, the latest due
// step drawn, with vertical sync.
struct TRunOptions {
  bool Windowed = false; // start in a window instead of switching the display mode
  // Full screen at the desktop's own size instead of the 1024 x 768 mode switch; also the kind of
  // full screen Alt+Enter goes to.
  bool Desktop = false;
  bool Headless = false;    // SDL's offscreen video driver, messages on standard error only
  int64_t Frames = 0;       // quit through the normal shutdown after this many steps (0: never)
  bool Unpaced = false;     // every step drawn, back to back, swapped at once (--timedemo)
  bool FrameLocked = false; // the original pacing: one drawn step per 10 ms tick, no vsync
  bool VSync = true;        // paced runs swap on the display's refresh
  // Frames drawn between the steps, for the time they are shown, with the cursor where the mouse
  // is; off: each frame shows the last step whole.
  bool Interpolate = true;
  // Frames shown as a display of this many hertz with vertical sync would show them (0: as the
  // display shows them); for a timed replay, the frames such a display would show.
  int32_t Refresh = 0;
  // Without vertical sync, at most this many frames a second: -1 for the display's rate, 0 for no
  // cap.
  int32_t MaxFps = -1;
  // Each drawn step waits until the GL has drawn it: a timed frame counts as done then, not when
  // its commands were queued, and a software renderer cannot pile up frames it has not drawn.
  bool FinishFrames = false;
  bool Immediate = false; // draw every star and particle on its own: the reference drawing
  // Lines and points drawn to the picture's scale when it is not 1024 x 768.
  bool LineScale = false;
  // Live play may be paused: by hand (P, Pause) and, with PauseOnFocusLoss, when the window
  // loses focus or is minimised. Never set for replays, timed or headless runs.
  bool CanPause = false;
  bool PauseOnFocusLoss = false;
  // The master volume, 0 to 100, and the mute; the volume keys change them.
  int32_t Volume = 100;
  bool Mute = false;
  // Where a window opens and the size of its client area.
  int32_t WindowX = 0, WindowY = 0;
  int32_t WindowWidth = GameViewWidth, WindowHeight = GameViewHeight;
  // The player's remembered choices, as the settings file holds them; Remember is called with
  // them whenever the player changes one (the display by Alt+Enter, the window's place and size,
  // the volume, the mute). Unset: nothing is remembered.
  TSettings Remembered;
  std::function<void(const TSettings&)> Remember;
  // Called before each step, drawn or not, with the step's number (from 1) and the world. May feed
  // window messages through GameWindowProc; returning false ends the run before the step.
  std::function<bool(int64_t Frame, TGloopa& World)> BeforeFrame;
  // Called after a step's own frame (the first that shows the step whole, at its own time) has
  // been drawn and before the buffers are swapped.
  std::function<void(int64_t Frame, TGloopa& World)> AfterFrame;
  // Called at the start of each display frame of an unpaced run, before its steps.
  std::function<void()> FrameStarts;
  // Called after each frame is shown (each swap).
  std::function<void(const TFrameShown& Frame)> FrameShown;
  // Called after each step, drawn or not; returning false ends the run after it.
  std::function<bool(int64_t Step, TGloopa& World)> AfterStep;
  // Called once when a world is about to be freed (after its last step), with the steps it ran.
  std::function<void(int64_t Frames, TGloopa& World)> BeforeWorldFreed;
  // Whether step Step is drawn, given whether the pacing planned to draw it (unpaced and
  // frame-locked runs plan to draw every step). Unset: as planned.
  std::function<bool(int64_t Step, bool Planned)> ChooseDraw;
  // Called at the end of a paced window's steps with the pacing's figures.
  std::function<void(const TPaceStats& Stats)> PaceReport;
  // A replay drives the mouse: the platform's own mouse events are not passed on.
  bool ReplayMouse = false;
  // A replay at the game's pace takes Space (pause), F or Tab (speed), Period (one step while
  // paused) and Return: the player takes over, TakeOver is called with the real mouse as the world
  // would see it (nullptr when it is not over the window), and from then on the platform's mouse
  // and pad are passed on.
  bool ReplayControls = false;
  std::function<void(const TDemoFrame* Mouse)> TakeOver;
  // The hall of fame, shown over the title by H in live play (nullptr: H does nothing).
  const THallOfFame* Hall = nullptr;
  // Steps up to this one run first, undrawn, silent and back to back; the run is paced from the
  // next (a replay from the start of one of its games).
  int64_t FastUntil = 0;
  // Called with every message the window procedure receives, before the world sees it.
  std::function<void(uint32_t Message, TWParam WParam, TLParam LParam)> OnMessage;
};

// The whole run: returns 0 after a normal end, -1 when the platform cannot be brought up, and 1
// when a window, its GL context or the game's data could not be made.
int RunGame(void* Instance, const TRunOptions& Options);

// Whether Window is full screen on a display that now runs at Width x Height.
bool FullScreenHeld(THandle Window, int32_t Width, int32_t Height);

// The open game window (nullptr while none is open), for sending it messages.
THandle GameWindowHandle();

// The camera point for a frame: above the snake, clamped to +-16000/43 in X and +-137.5 in Y, at a
// height of 500.
TXYZ CameraAbove(const TXYZ& SnakePosition);

// Alt+Enter: switches the open window between full screen (the kind the run started with, or the
// display-mode switch when it started windowed) and a window, keeping the world and GL context.
// Returns false when full screen was refused; the window then stays as it was.
bool ToggleFullScreen();

// The window procedure: every message goes to the world first, then is handled here.
intptr_t GameWindowProc(THandle Handle, uint32_t Message, TWParam WParam, TLParam LParam);
