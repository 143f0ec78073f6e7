#pragma once
// The shell's own state for the run, shared by the window (GLWindow.cpp) and the main loop
// (MainLoop.cpp): one window at a time, with its world and printer. Only the shell includes this.
#include <SDL.h>

#include <atomic>
#include <cstdint>

#include "shell/GLWindow.h"
#include "shell/GamePad.h"
#include "shell/ReplayControls.h"

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
  bool ReplayMouse = false; // the run's option, until the player takes over from the replay
  TReplayControls Controls;
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
// Ends the run (or, after a mode switch, this window's part of it) after the current step.
void RequestQuit();
