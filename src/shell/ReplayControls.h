#pragma once
#include <cstdint>
#include <string>

// The keys of a replay's controls: Space, F or Tab, Period and Return.
enum class TReplayKey { Pause, Speed, Step, TakeOver };

// The controls of a replay at the game's pace (--play): pause and resume, 1x, 4x and 16x, one step
// at a time while paused, and handing the game to the player. Pure: the shell passes the keys in
// and, between steps, asks what to do. A replay nobody touches is never held or sped up, and shows
// no status line.
class TReplayControls {
public:
  static constexpr int32_t Speeds[3] = {1, 4, 16};

  bool Enabled = false; // off: keys are ignored and nothing is ever held

  void Key(TReplayKey Key);
  bool Paused() const { return Holding; }
  int32_t Speed() const { return Speeds[SpeedIndex]; }
  // While paused: whether one step is owed now (the step that shows "paused", or one asked for
  // with Period); each true answer takes that step. False while not paused.
  bool TakeStep();
  // Whether the replay was resumed since the last call (the pacing then starts again from now).
  bool TakeResumed();
  // Whether Return was pressed since the last call.
  bool TakeOverAsked() const { return TakeOverPending; }
  // "step N  Sx" with "  paused" while paused; empty while no control is in use.
  std::string Status(int64_t Step) const;

private:
  bool Holding = false;
  bool ShowPending = false; // the step that draws the "paused" line is still to run
  int32_t StepsOwed = 0;
  bool Resumed = false;
  bool TakeOverPending = false;
  int32_t SpeedIndex = 0;
};
