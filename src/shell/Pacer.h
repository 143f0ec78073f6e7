#pragma once
#include <cstdint>
#include <string>

// What the pacer asks of the shell now: run a step (drawn or not), or wait until WaitUntil.
struct TPaceStep {
  bool Run = false;
  bool Draw = false;
  int64_t WaitUntil = 0;
};

// A paced run's figures, for the line that --play ends with.
struct TPaceStats {
  int64_t Steps = 0;
  int64_t Drawn = 0;
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
  // After a pause: the next step is due at Now, and the time paused is not counted as run.
  void Resume(int64_t Now);
  // Whether a step is due at Now, and if so whether to draw it. A window that cannot be seen
  // (Visible false) gets no drawn steps. Each Run answer takes the step: the next call asks about
  // the one after it.
  TPaceStep Next(int64_t Now, bool Visible);
  // Tells the pacer that the step it handed out was run, drawn or not (the shell may draw a step
  // it was not asked to, for a screenshot), and when it ended.
  void Ran(bool Drawn, int64_t Now);
  const TPaceStats& Stats() const { return Figures; }

private:
  int64_t Due = 0;    // when the next step is due
  int64_t Latest = 0; // the latest time seen
  int64_t Started = 0;
  int32_t Undrawn = 0;
  int32_t Times = 1; // the speed
  TPaceStats Figures;
};

// One display frame of a page in a browser, which shows one picture a frame and cannot be waited
// on: every step due at the frame's time Now runs, and only the latest is drawn (a step drawn
// before it in the same frame would never be seen). The frame's own time is the only one used, so
// the frame ends however long its steps take; what falls due meanwhile runs in the next frame.
// Step(Draw) runs one step, drawn as asked unless it sets Draw to what it did, and returns false
// when it ran none: the run is ending.
template <class TStep> void PaceFrame(TPacer& Pacer, int64_t Now, bool Visible, TStep Step) {
  for (;;) {
    const TPaceStep next = Pacer.Next(Now, Visible);
    if (!next.Run) return;
    bool draw = Visible && Now < next.WaitUntil;
    if (!Step(draw)) return;
    Pacer.Ran(draw, Now);
  }
}
