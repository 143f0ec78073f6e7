#pragma once
#include <cstdint>
#include <string>

// What the pacer asks of the shell now: run a step (shown or not), or wait until WaitUntil.
// Draw: a frame will show this step (it is the last one due, or too many have gone unshown);
// Latest: no other step is due after it.
struct TPaceStep {
  bool Run = false;
  bool Draw = false;
  int64_t WaitUntil = 0;
  bool Latest = false;
};

// A paced run's figures, for the line that --play ends with.
struct TPaceStats {
  int64_t Steps = 0;
  int64_t Drawn = 0;      // frames
  int64_t MostBehind = 0; // nanoseconds: the furthest a step ever ran behind its time
  int64_t Elapsed = 0;    // nanoseconds from the first step's time to the last one's end
};

// "pace: S steps in T s (R steps/s), D drawn, L ms most behind".
std::string PaceSummary(const TPaceStats& Stats);

// Real-time pacing: 100 steps to every second of the clock, whatever the drawing costs. Steps that
// fall due while the last frame was being drawn run undrawn, and only the latest is drawn; but at
// least every fourth step is drawn, so a drawer too slow even for that slows the game down rather
// than show nothing. Past a quarter of a second behind (a stall, a suspended machine) the backlog
// is dropped and the game goes on from now. A clock that goes back is taken as now, too.
//
// Pure: the shell passes in the time (any monotonic count of nanoseconds) and does what it is told,
// so that the decisions can be tested against a fake clock.
class TPacer {
public:
  static constexpr int64_t StepTime = 10'000'000; // 10 ms
  static constexpr int64_t MaxLag = 250'000'000;  // a quarter of a second
  static constexpr int32_t MaxUndrawn = 3;        // steps in a row that may go undrawn

  // The first step is due at Now.
  void Start(int64_t Now);
  // Runs Speed times as fast (a replay's fast forward): Speed steps in each step's time, and as
  // many times more of them may go undrawn in a row.
  void SetSpeed(int32_t Speed);
  int32_t Speed() const { return Times; }
  // After a pause: the game goes on from Now where it stood (the next step as far off as it was
  // when the pause began, so the frames go on from the picture the pause held), and the time
  // paused is not counted as run.
  void Resume(int64_t Now);
  // Whether a step is due at Now, and if so whether to draw it. A window that cannot be seen
  // (Visible false) gets no drawn steps. Each Run answer takes the step: the next call asks about
  // the one after it.
  TPaceStep Next(int64_t Now, bool Visible);
  // Tells the pacer that the step it handed out was run, drawn or not (the shell may draw a step
  // it was not asked to, for a screenshot), and when it ended.
  void Ran(bool Drawn, int64_t Now);
  // A frame was drawn and shown (counted in the figures as drawn).
  void Shown() { Figures.Drawn += 1; }
  // How far a frame shown at At is past the time of the last step handed out, in steps of the
  // current speed: 0 to 1.
  float Fraction(int64_t At) const;
  // Whether the last step run was kept for a frame (Ran's Drawn).
  bool LastKept() const { return Kept; }
  // When the next step is due.
  int64_t NextDue() const { return Due; }
  const TPaceStats& Stats() const { return Figures; }

private:
  int64_t Due = 0;     // when the next step is due
  int64_t LastDue = 0; // when the last step handed out was due: its time
  int64_t Latest = 0;  // the latest time seen
  bool Kept = false;
  int64_t Started = 0;
  int32_t Undrawn = 0;
  int32_t Times = 1; // the speed
  TPaceStats Figures;
};

// What one display frame did.
struct TFrameRun {
  int32_t Steps = 0;  // steps run
  bool Drawn = false; // a frame was drawn
  bool Ended = false; // a step refused to run: the run is ending
};

// One display frame, to be shown at time At: the desktop's loop and a browser's frame callback
// both run this. Every step due by At runs (at most MaxUndrawn x speed in a row unshown, so that a
// drawer too slow even for that slows the game down rather than show nothing); then one frame is
// drawn for At, each moving thing Pacer.Fraction(At) of a step past the step before the last
// (Interpolate), or the last step whole (only when a step ran). The fraction comes from the clock,
// never from counting frames, so frames at any refresh rate show the game's own motion.
//
// Step(Keep, Own) runs one step, keeping what it shows for a frame when Keep is set (it may clear
// it: nothing will be drawn); it sets Own when that step must be drawn at once at its own time (a
// screenshot), which ends the frame; it returns false when it ran none. Draw(Fraction) draws and
// shows the frame. A frame is drawn only while Visible and when the last step run was kept.
template <class TStep, class TDraw>
TFrameRun PaceFrame(TPacer& Pacer, int64_t At, bool Visible, bool Interpolate, TStep Step,
                    TDraw Draw) {
  TFrameRun run;
  for (;;) {
    const TPaceStep next = Pacer.Next(At, Visible);
    if (!next.Run) break;
    bool keep = next.Draw, own = false;
    if (!Step(keep, own)) {
      run.Ended = true;
      return run;
    }
    Pacer.Ran(keep || own, At);
    ++run.Steps;
    if (own) {
      Draw(1.0f);
      Pacer.Shown();
      run.Drawn = true;
      return run;
    }
    // Too many unshown: this step is shown now, the rest run in the next frame.
    if (next.Draw && !next.Latest) break;
  }
  if (Visible && Pacer.LastKept() && (Interpolate || run.Steps > 0)) {
    Draw(Interpolate ? Pacer.Fraction(At) : 1.0f);
    Pacer.Shown();
    run.Drawn = true;
  }
  return run;
}

// When the frames drawn now will be shown, and whether the loop itself must wait for that time
// before it shows one.
// - Refresh: a display of Period with vertical sync, as an offscreen or virtual display cannot
//   give: frames are shown only at whole multiples of Period on the clock.
// - VSync: the swap waits for the display; a frame drawn now is shown a Period after the last swap
//   ended (or as many periods later as drawing took). A swap found not to wait (a display without
//   vertical blanking) turns this into Capped.
// - Capped: at most one frame each Period; Immediate: at once.
// Pure, like TPacer: the shell passes in the time.
class TFrameClock {
public:
  enum TMode : uint8_t { Immediate, Capped, Refresh, VSync };

  void Set(TMode Mode, int64_t Period);
  TMode Mode() const { return How; }
  int64_t Period() const { return Every; }
  // When a frame drawn at Now will be shown.
  int64_t FrameTime(int64_t Now) const;
  // Whether the loop waits until FrameTime before it shows the frame.
  bool Waits() const { return How == Capped || How == Refresh; }
  // A frame meant for At was shown; its swap ended at Now.
  void Shown(int64_t At, int64_t Now);

private:
  TMode How = Immediate;
  int64_t Every = 0;
  int64_t LastShown = -1; // when the last frame was meant to be shown
  int64_t LastSwap = -1;  // when its swap ended
  int32_t QuickSwaps = 0; // swaps in a row that ended well before a period had passed
};
