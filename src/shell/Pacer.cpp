#include "shell/Pacer.h"

#include <algorithm>
#include <cstdio>

std::string PaceSummary(const TPaceStats& Stats) {
  const double seconds = double(Stats.Elapsed) / 1e9;
  const double rate = seconds > 0 ? double(Stats.Steps) / seconds : 0;
  char line[160];
  std::snprintf(line, sizeof line,
                "pace: %lld steps in %.3f s (%.1f steps/s), %lld drawn, %.1f ms most behind",
                static_cast<long long>(Stats.Steps), seconds, rate,
                static_cast<long long>(Stats.Drawn), double(Stats.MostBehind) / 1e6);
  return line;
}

void TPacer::Start(int64_t Now) {
  Due = Now;
  LastDue = Now;
  Kept = false;
  Latest = Now;
  Started = Now;
  Undrawn = 0;
  Figures = TPaceStats{};
}

void TPacer::SetSpeed(int32_t Speed) {
  Times = std::max(Speed, 1);
}

void TPacer::Resume(int64_t Now) {
  if (Now > Latest) Started += Now - Latest;
  const int64_t step = StepTime / Times;
  const int64_t left = std::clamp<int64_t>(Due - Latest, 0, step);
  Due = Now + left;
  LastDue = Due - step;
  Latest = Now;
  Undrawn = 0;
}

float TPacer::Fraction(int64_t At) const {
  const double fraction = double(At - LastDue) / double(StepTime / Times);
  return fraction <= 0 ? 0.0f : fraction >= 1 ? 1.0f : float(fraction);
}

TPaceStep TPacer::Next(int64_t Now, bool Visible) {
  if (Now < Latest) {
    // The clock went back: nothing is owed, and nothing waits for the old time to come round.
    Due = Now;
  }
  Latest = Now;
  const int64_t behind = Now - Due;
  if (behind < 0) return {false, false, Due};
  Figures.MostBehind = std::max(Figures.MostBehind, behind);
  if (behind > MaxLag) {
    Due = Now;
  }
  LastDue = Due;
  Due += StepTime / Times;
  // The last step that is due now is drawn; so is one that would make too many undrawn in a row.
  const bool latest = Now < Due;
  return {true, Visible && (latest || Undrawn >= MaxUndrawn * Times), Due, latest};
}

void TPacer::Ran(bool Drawn, int64_t Now) {
  Figures.Steps += 1;
  Kept = Drawn;
  if (Drawn) {
    Undrawn = 0;
  } else {
    Undrawn += 1;
  }
  if (Now > Latest) Latest = Now;
  Figures.Elapsed = Latest - Started;
}

void TFrameClock::Set(TMode Mode, int64_t Period) {
  How = Period > 0 ? Mode : Immediate;
  Every = Period;
  LastShown = LastSwap = -1;
  QuickSwaps = 0;
}

int64_t TFrameClock::FrameTime(int64_t Now) const {
  switch (How) {
  case Refresh: {
    // The next multiple of the period that is not in the past, and after the last frame's.
    int64_t at = (Now + Every - 1) / Every * Every;
    if (at <= LastShown) at = (LastShown / Every + 1) * Every;
    return at;
  }
  case VSync: {
    if (LastSwap < 0) return Now + Every;
    // The first refresh after the last one that is still to come.
    int64_t at = LastSwap + Every;
    if (at < Now) at += (Now - at + Every - 1) / Every * Every;
    return at;
  }
  case Capped:
    return LastShown < 0 ? Now : std::max(Now, LastShown + Every);
  case Immediate:
    break;
  }
  return Now;
}

void TFrameClock::Shown(int64_t At, int64_t Now) {
  if (How == VSync && LastSwap >= 0) {
    // A swap that waits for the display ends about a period after the one before.
    QuickSwaps = Now - LastSwap < Every / 2 ? QuickSwaps + 1 : 0;
    if (QuickSwaps >= 8) How = Capped;
  }
  LastShown = std::max(At, LastShown);
  LastSwap = Now;
}
