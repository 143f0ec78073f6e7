#pragma once
// The shell's own state for the run, shared by the window (GLWindow.cpp) and the main loop
// (MainLoop.cpp): one window at a time, with its world and printer. Only the shell includes this.
#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "shell/GLWindow.h"
#include "shell/GamePad.h"
#include "shell/Input.h"
#include "shell/ReplayControls.h"
#include "shell/ViewScale.h"

struct TGLTable;

struct TShellState {
  int32_t ScreenWidth = GameViewWidth;
  int32_t ScreenHeight = GameViewHeight;
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
  int64_t Steps = 0; // steps run in this window, drawn or not
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
  TTouchInput Touch;
  bool ReplayMouse = false; // the run's option, until the player takes over from the replay
  TReplayControls Controls;

  // Live play paused: no step runs and the sound waits; the last frame is shown with "Paused".
  bool Paused = false;
  bool PauseAsked = false;
  bool Focused = true; // the window has the keyboard: a click there ends a pause  // the next step
                       // is drawn and kept, then the game pauses
  bool PauseRedraw = false; // the paused picture is to be shown again (exposed, resized, ...)
  bool PauseEnded = false;  // the pacing is to go on from now
  bool HallShown = false;   // the hall of fame is shown over the title (HallView.cpp)
  std::vector<uint8_t> PausedPicture; // the last frame, RGBA, bottom row first
  int32_t PausedWidth = 0, PausedHeight = 0;
  int32_t Volume = 100;
  bool Mute = false;
  uint64_t VolumeShownUntil = 0; // SDL ticks: the volume line shows until then
  int32_t WindowWidth = GameViewWidth, WindowHeight = GameViewHeight; // a window's client size
  TSettings Remembered;
  bool RememberedWindowMoved = false; // the window's place or size changed: kept at the end
  bool WidthClampReported = false;
  // The last frame drawn: the camera its texts were placed by, the one its view hung from, and
  // where its cursor was; and the step whose own frame was shown last.
  TXYZ DrawnCamera, DrawnView, DrawnCursor;
  int64_t OwnFrameShown = 0;
};

extern TShellState Shell;

// The window's side (GLWindow.cpp).
bool RegisterGameClass();
void UnregisterGameClass();
bool OpenGameWindow(TGameWindow& Window);
void CloseGameWindow(TGameWindow& Window);
// Shrinks the fallback window to its outer size once the window manager has framed it.
void FitOuterSize(TGameWindow& Window);
void PostEvent(Uint32 Type);
// The player changed a remembered choice: keep it now.
void RememberChoices();
// Where the 4:3 picture goes in the drawable, in GL's bottom-up pixels (MainLoop.cpp).
TViewRect PictureViewport();
// The table a drawn step's calls go to: the driver's, with lines and points to the picture's
// scale when that is asked for and the picture is not 1024 x 768 (MainLoop.cpp).
const TGLTable& DrawingTable();
// Ends the run (or, after a mode switch, this window's part of it) after the current step.
void RequestQuit();
