#pragma once
// The main loop in a web page. The browser calls the game once per display frame and cannot be
// waited on: nothing may block, and the run ends in a callback long after main has returned.
#include <cstdint>

class TPacer;
struct TGameWindow;

// The main loop's own pieces (MainLoop.cpp), which the browser's callback runs.
struct TLoopSteps {
  bool (*PumpEvents)(TGameWindow& Window);         // false once the run is to end
  bool (*Held)(TGameWindow& Window, TPacer* P);    // paused, or a replay control ran the step
  bool (*RunStep)(TGameWindow& Window, bool Draw); // the timer message, one step, its own frame
  bool (*DrawNextStep)(bool Planned);
  int64_t (*Now)();
  // One step of a paced frame, and the frame drawn for the time At (PaceFrame's Step and Draw).
  bool (*PacedStep)(TGameWindow& Window, bool& Keep, bool& Own);
  void (*ShowFrame)(TGameWindow& Window, float Fraction, int64_t At);
  int (*EndRun)(TGameWindow& Window); // frees the world and window; the run's exit status
};

// The run's last word, from main: gets the shell's exit status, returns the process's.
using TBrowserRunEnd = int (*)(int Status);
void SetBrowserRunEnd(TBrowserRunEnd End);

// Hands Window's game to the browser's frame callback and unwinds the stack (main's too): the run
// goes on in the callbacks. When it ends, EndRun, then the run end set above, and the page's
// Module.gloopaEnded(status) are called.
[[noreturn]] void RunBrowserLoop(TGameWindow& Window, const TLoopSteps& Steps);
