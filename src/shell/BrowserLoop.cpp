// The browser's main loop (emscripten_set_main_loop): paced runs step what the pacer says is due
// at each display frame and draw one frame for its time; timed and verified replays run back to
// back.
#ifdef __EMSCRIPTEN__
#include "shell/BrowserLoop.h"

#include <emscripten.h>

#include <cstdio>
#include <exception>

#include "platform/Platform.h"
#include "shell/GLWindow.h"
#include "shell/Pacer.h"
#include "shell/ShellState.h"

namespace {

TGameWindow* Window = nullptr;
TLoopSteps Steps{};
TPacer Pacer;
TBrowserRunEnd RunEnd = nullptr;
bool Ended = false;

// An unpaced replay hands the browser back its thread at least this often, so that the page
// stays alive; a drawn step also ends the callback, so that each one is shown.
constexpr int64_t UnpacedSlice = 20'000'000;

void Finish() {
  if (Ended) return;
  Ended = true;
  emscripten_cancel_main_loop();
  if (!Shell.Options->Unpaced && Shell.Options->PaceReport)
    Shell.Options->PaceReport(Pacer.Stats());
  int status = Steps.EndRun(*Window);
  if (RunEnd) status = RunEnd(status);
  std::fflush(stdout);
  std::fflush(stderr);
  EM_ASM(
      {
        if (Module.gloopaEnded) Module.gloopaEnded($0);
      },
      status);
}

// The desktop's paced frame, shown when the browser shows it: the frame callback comes once per
// display refresh, so its own time is the frame's.
void PacedFrame() {
  if (Steps.Held(*Window, &Pacer)) return;
  const int64_t at = Steps.Now();
  PaceFrame(
      Pacer, at, Window->Visible, Shell.Options->Interpolate,
      [](bool& Keep, bool& Own) { return Shell.Looping && Steps.PacedStep(*Window, Keep, Own); },
      [at](float Fraction) { Steps.ShowFrame(*Window, Fraction, at); });
}

void UnpacedFrame() {
  const int64_t start = Steps.Now();
  while (Shell.Looping && Steps.Now() - start < UnpacedSlice) {
    if (Shell.Options->FrameStarts) Shell.Options->FrameStarts();
    const bool draw = Steps.DrawNextStep(true);
    if (!Steps.RunStep(*Window, draw) || draw) break;
  }
}

void Frame() {
  if (Ended) return;
  try {
    if (!Steps.PumpEvents(*Window)) {
      Finish();
      return;
    }
    if (Shell.Options->Unpaced)
      UnpacedFrame();
    else
      PacedFrame();
    // The quit asked for by this frame's step comes round as an event in the next one.
  } catch (const ETerminate&) {
    // Already reported to the player.
    Shell.ExitCode = 1;
    Finish();
  } catch (const std::exception& error) {
    ShowErrorBox(error.what());
    Shell.ExitCode = 1;
    Finish();
  }
}

} // namespace

void SetBrowserRunEnd(TBrowserRunEnd End) {
  RunEnd = End;
}

void RunBrowserLoop(TGameWindow& GameWindow, const TLoopSteps& LoopSteps) {
  Window = &GameWindow;
  Steps = LoopSteps;
  Ended = false;
  Pacer.Start(Steps.Now());
  EM_ASM({ Module.gloopaLooping = true; });
  emscripten_set_main_loop(Frame, 0, 0);
  // Unpaced replays do not wait for the display's frames.
  if (Shell.Options->Unpaced) emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
  emscripten_exit_with_live_runtime();
}
#endif
