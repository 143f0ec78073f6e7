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
  Due = Now;
  Latest = Now;
  Undrawn = 0;
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
  Due += StepTime / Times;
  // The last step that is due now is drawn; so is one that would make too many undrawn in a row.
  const bool latest = Now < Due;
  return {true, Visible && (latest || Undrawn >= MaxUndrawn * Times), Due};
}

void TPacer::Ran(bool Drawn, int64_t Now) {
  Figures.Steps += 1;
  if (Drawn) {
    Figures.Drawn += 1;
    Undrawn = 0;
  } else {
    Undrawn += 1;
  }
  if (Now > Latest) Latest = Now;
  Figures.Elapsed = Latest - Started;
}
