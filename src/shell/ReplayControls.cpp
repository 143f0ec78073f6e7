#include "shell/ReplayControls.h"

#include <cstdio>

void TReplayControls::Key(TReplayKey Key) {
  if (!Enabled) return;
  switch (Key) {
  case TReplayKey::Pause:
    Holding = !Holding;
    // A held replay draws one more step, so that the line saying so is on the screen; the game
    // cannot be drawn again without stepping it.
    ShowPending = Holding;
    StepsOwed = 0;
    Resumed = !Holding;
    break;
  case TReplayKey::Speed:
    SpeedIndex = (SpeedIndex + 1) % 3;
    break;
  case TReplayKey::Step:
    // A held key repeats; the steps it asks for are not queued up beyond one.
    if (Holding) StepsOwed = 1;
    break;
  case TReplayKey::TakeOver:
    TakeOverPending = true;
    break;
  }
}

bool TReplayControls::TakeStep() {
  if (!Holding) return false;
  if (ShowPending) {
    ShowPending = false;
    return true;
  }
  if (StepsOwed == 0) return false;
  --StepsOwed;
  return true;
}

bool TReplayControls::TakeResumed() {
  const bool resumed = Resumed;
  Resumed = false;
  return resumed;
}

std::string TReplayControls::Status(int64_t Step) const {
  if (!Holding && Speed() == 1) return "";
  char text[64];
  std::snprintf(text, sizeof text, "step %lld  %dx%s", static_cast<long long>(Step), Speed(),
                Holding ? "  paused" : "");
  return text;
}
