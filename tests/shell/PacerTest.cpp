// The pacing decisions against a fake clock and a fake display: how many steps run and how many
// are drawn, whatever the drawing costs, the display's refresh, or the clock does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "shell/Pacer.h"

namespace {

constexpr int64_t Ms = 1'000'000;

// A run of the shell's loop in simulated time. The clock reads Clock + Offset; a step costs
// StepCost, drawing DrawCost more, and with a refresh period the swap waits for the next
// refresh.
struct TFakeRun {
  int64_t DrawCost = 2 * Ms;
  int64_t Refresh = 0; // 0: no vertical sync
  bool Visible = true;
  int64_t StallAt = -1, Stall = 0;       // the clock leaps forward once
  int64_t JumpBackAt = -1, JumpBack = 0; // the clock's reading goes back once
  int64_t StepCost = Ms / 5;
  int32_t Speed = 1; // a replay's fast forward

  int64_t Steps = 0, Drawn = 0, MostUndrawn = 0, LongestWait = 0, EarlySteps = 0;
  int64_t BurstAfterStall = 0;

  void Play(int64_t Duration) {
    TPacer pacer;
    int64_t clock = 0, offset = 0, undrawn = 0;
    pacer.Start(0);
    pacer.SetSpeed(Speed);
    bool stalled = false, jumped = false, afterStall = false;
    while (clock < Duration) {
      if (StallAt >= 0 && !stalled && clock >= StallAt) {
        clock += Stall;
        stalled = afterStall = true;
      }
      if (JumpBackAt >= 0 && !jumped && clock >= JumpBackAt) {
        offset -= JumpBack;
        jumped = true;
      }
      const TPaceStep next = pacer.Next(clock + offset, Visible);
      if (!next.Run) {
        EXPECT_GT(next.WaitUntil, clock + offset);
        LongestWait = std::max(LongestWait, next.WaitUntil - (clock + offset));
        clock = next.WaitUntil - offset;
        afterStall = false;
        continue;
      }
      if (afterStall) ++BurstAfterStall;
      // A step is never run before its time: the time it was due is a step before the next.
      if (clock + offset < next.WaitUntil - TPacer::StepTime / Speed) ++EarlySteps;
      clock += StepCost;
      if (next.Draw) {
        clock += DrawCost;
        if (Refresh > 0) clock = (clock + Refresh - 1) / Refresh * Refresh;
      }
      pacer.Ran(next.Draw, clock + offset);
      if (next.Draw) pacer.Shown();
      ++Steps;
      Drawn += next.Draw ? 1 : 0;
      undrawn = next.Draw ? 0 : undrawn + 1;
      MostUndrawn = std::max(MostUndrawn, undrawn);
    }
    EXPECT_EQ(pacer.Stats().Steps, Steps);
    EXPECT_EQ(pacer.Stats().Drawn, Drawn);
  }
};

} // namespace

TEST(Pacer, StepsKeepTheClocksPaceWhateverTheDisplayOrDrawingCosts) {
  const int64_t hz60 = 1000 * Ms / 60, hz144 = 1000 * Ms / 144;
  const struct {
    const char* Name;
    TFakeRun Run; // only what differs from a quick drawer, visible, without vertical sync
    int64_t MinSteps, MaxSteps, MinDrawn, MaxDrawn;
  } cases[] = {
      // 10 seconds each. A quick drawer draws every step.
      {"quick drawer", {}, 999, 1001, 999, 1001},
      // 25 ms a frame: the steps between frames run undrawn, the game keeps its speed.
      {"slow drawer", {.DrawCost = 25 * Ms}, 999, 1001, 370, 400},
      // 60 ms a frame: every fourth step drawn, and the game slows down rather than show nothing.
      {"very slow drawer", {.DrawCost = 60 * Ms}, 600, 700, 150, 175},
      // The swap waits for the refresh: 100 steps and 60 frames a second.
      {"60 Hz with vsync", {.Refresh = hz60}, 999, 1001, 598, 602},
      // Faster than the steps: each step drawn once, nothing drawn or swapped between steps.
      {"144 Hz with vsync", {.Refresh = hz144}, 999, 1001, 999, 1001},
      // Minimised: the game goes on, undrawn.
      {"minimised", {.Visible = false}, 999, 1001, 0, 0},
      // A replay at 4x and 16x: every step runs, four or sixteen times as often, and the display
      // still shows its 60 frames a second.
      {"4x at 60 Hz", {.Refresh = hz60, .Speed = 4}, 3990, 4004, 598, 602},
      {"16x at 60 Hz", {.Refresh = hz60, .Speed = 16}, 15960, 16016, 598, 602},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFakeRun run = c.Run;
    run.Play(10'000 * Ms);
    EXPECT_GE(run.Steps, c.MinSteps);
    EXPECT_LE(run.Steps, c.MaxSteps);
    EXPECT_GE(run.Drawn, c.MinDrawn);
    EXPECT_LE(run.Drawn, c.MaxDrawn);
    if (run.Visible) {
      EXPECT_LE(run.MostUndrawn, TPacer::MaxUndrawn * run.Speed);
    }
    EXPECT_EQ(run.EarlySteps, 0);
  }
}

// A clock that leaps forward (a stall) or back: the game goes on from now, neither catching up
// the steps it owed nor freezing until the clock comes back, and never waits longer than a step.
// The frame function on a fake display: a frame at every refresh, each drawn for its own time. What
// a frame shows is the step before the last blended toward the last by the fraction, so it stands
// at step (last - 1 + fraction): with the fraction taken from the clock, that is the frame's time
// in steps, a constant one step behind, at any refresh rate and speed, and it holds still while
// paused. Drawn whole, it stands at the last step instead, up to a step off.
TEST(Pacer, TheFrameFunctionShowsEachFrameAtItsOwnTimeAtAnyRefreshRate) {
  const struct {
    const char* Name;
    int32_t Hz, Speed;
    bool Interpolate;
    int64_t PauseAt, Pause; // the frames stop for a while (a paused replay), then go on
    double MaxError;        // steps, between where a frame stands and its time
  } cases[] = {
      {"60 Hz", 60, 1, true, -1, 0, 1e-4},
      {"144 Hz", 144, 1, true, -1, 0, 1e-4},
      {"240 Hz", 240, 1, true, -1, 0, 1e-4},
      {"60 Hz at 16x", 60, 16, true, -1, 0, 1e-4},
      {"144 Hz, paused for 1.5 s", 144, 1, true, 3000 * Ms, 1500 * Ms, 1e-4},
      {"60 Hz, whole steps", 60, 1, false, -1, 0, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TPacer pacer;
    pacer.Start(0);
    pacer.SetSpeed(c.Speed);
    const int64_t period = 1000 * Ms / c.Hz, step = TPacer::StepTime / c.Speed;
    int64_t steps = 0, frames = 0, paused = -1, lastAt = 0;
    double sum = 0, squares = 0, worst = 0, heldAt = 0;
    for (int64_t k = 0; k * period < 10'000 * Ms; ++k) {
      const int64_t at = k * period;
      if (c.PauseAt >= 0 && at >= c.PauseAt && at < c.PauseAt + c.Pause) continue;
      bool resumed = false;
      if (c.PauseAt >= 0 && at >= c.PauseAt + c.Pause && paused < 0) {
        // The time that went by between the last frame before the pause and this one.
        paused = at - lastAt;
        pacer.Resume(at);
        resumed = true;
      }
      const TFrameRun run = PaceFrame(
          pacer, at, true, c.Interpolate,
          [&](bool&, bool&) {
            ++steps;
            return true;
          },
          [&](float Fraction) {
            ++frames;
            const double stands = double(steps - 1) + (c.Interpolate ? Fraction : 1.0);
            const double error = stands - double(at - std::max<int64_t>(paused, 0)) / double(step);
            if (resumed) {
              EXPECT_NEAR(stands, heldAt, 1e-4) << "the frame after the pause";
            }
            heldAt = stands;
            sum += error;
            squares += error * error;
            worst = std::max(worst, std::abs(error));
          });
      lastAt = at;
      EXPECT_FALSE(run.Ended);
    }
    const double seconds = 10.0 - double(c.Pause) / 1e9;
    EXPECT_NEAR(double(steps), seconds * 100 * c.Speed, 2.0 * c.Speed);
    const double mean = sum / double(frames);
    const double spread = std::sqrt(std::max(0.0, squares / double(frames) - mean * mean));
    if (c.Interpolate) {
      // Every refresh shows a frame, and a frame stands exactly where its time says.
      EXPECT_NEAR(double(frames), seconds * c.Hz, 2.0);
    } else {
      // Only the refreshes after a step show one, 60 a second, and they judder: about 0.29 of a
      // step from the time they are shown (root mean square, after the best constant delay).
      EXPECT_NEAR(double(frames), seconds * 60, 2.0);
      EXPECT_NEAR(spread, 0.29, 0.03);
    }
    EXPECT_LE(worst, c.MaxError);
    EXPECT_EQ(pacer.Stats().Drawn, frames);
  }
}

// A drawer slower than the steps (30 ms a frame): each frame catches up the three steps due. One
// slower than four steps a frame (50 ms) shows every fourth step, the game slowing down rather
// than jump; past a quarter of a second behind (a second a frame) the backlog is dropped. A hidden
// window runs every step and draws nothing.
TEST(Pacer, TheFrameFunctionKeepsThePaceOfASlowDrawerAndOfAHiddenWindow) {
  const struct {
    const char* Name;
    int64_t FrameCost;
    bool Visible;
    int64_t MinSteps, MaxSteps, MinDrawn, MaxDrawn, MostInAFrame;
  } cases[] = {
      {"slow drawer", 30 * Ms, true, 998, 1001, 333, 335, 3},
      {"very slow drawer", 50 * Ms, true, 760, 810, 199, 201, TPacer::MaxUndrawn + 1},
      {"stalling drawer", 1000 * Ms, true, 9, 11, 9, 11, 1},
      {"hidden", 10 * Ms, false, 998, 1001, 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TPacer pacer;
    pacer.Start(0);
    int64_t clock = 0, steps = 0, drawn = 0, mostInAFrame = 0;
    while (clock < 10'000 * Ms) {
      int64_t inFrame = 0;
      PaceFrame(
          pacer, clock, c.Visible, true,
          [&](bool&, bool&) {
            ++inFrame;
            return true;
          },
          [&](float) { ++drawn; });
      steps += inFrame;
      mostInAFrame = std::max(mostInAFrame, inFrame);
      clock += c.FrameCost;
    }
    EXPECT_GE(steps, c.MinSteps);
    EXPECT_LE(steps, c.MaxSteps);
    EXPECT_GE(drawn, c.MinDrawn);
    EXPECT_LE(drawn, c.MaxDrawn);
    EXPECT_LE(mostInAFrame, c.MostInAFrame);
  }
}

TEST(Pacer, ALeapOfTheClockEitherWayIsDroppedNotMadeUp) {
  TFakeRun stalled;
  stalled.StallAt = 1000 * Ms;
  stalled.Stall = 2000 * Ms;
  stalled.Play(4000 * Ms);
  TFakeRun back;
  back.JumpBackAt = 1000 * Ms;
  back.JumpBack = 500 * Ms;
  back.Play(2000 * Ms);
  // A second before and a second after the leap: none of the 200 steps the stall owed, and the
  // half second the clock went back is not played twice.
  for (const TFakeRun* run : {&stalled, &back}) {
    EXPECT_GE(run->Steps, 199);
    EXPECT_LE(run->Steps, 202);
  }
  EXPECT_EQ(stalled.BurstAfterStall, 1);
  EXPECT_LE(back.LongestWait, TPacer::StepTime);
}

TEST(Pacer, AResumedReplayGoesOnFromWhereItStoodAndLeavesThePauseOutOfItsTime) {
  TPacer pacer;
  pacer.Start(0);
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(pacer.Next(i * 10 * Ms, true).Run);
    pacer.Ran(true, i * 10 * Ms + Ms);
  }
  // Paused for ten seconds: no backlog, and the pause is not counted as run. The pause began 1 ms
  // after the last step, so the next is due 9 ms after the resume.
  pacer.Resume(10'000 * Ms);
  EXPECT_FLOAT_EQ(pacer.Fraction(10'000 * Ms), 0.1f);
  EXPECT_FALSE(pacer.Next(10'008 * Ms, true).Run);
  const TPaceStep next = pacer.Next(10'009 * Ms, true);
  EXPECT_TRUE(next.Run && next.Draw);
  EXPECT_FALSE(pacer.Next(10'009 * Ms, true).Run);
  pacer.Ran(true, 10'010 * Ms);
  EXPECT_EQ(pacer.Stats().Steps, 11);
  EXPECT_LT(pacer.Stats().Elapsed, 200 * Ms);
}

TEST(Pacer, TheSummaryLineGivesTheFigures) {
  TPacer pacer;
  pacer.Start(5 * Ms);
  pacer.Next(5 * Ms, true);
  pacer.Ran(true, 8 * Ms);
  pacer.Shown();
  pacer.Next(40 * Ms, true); // due at 15 ms
  pacer.Ran(false, 45 * Ms);
  EXPECT_EQ(PaceSummary(pacer.Stats()),
            "pace: 2 steps in 0.040 s (50.0 steps/s), 1 drawn, 25.0 ms most behind");
}

// When a frame drawn now will be shown: at the next whole refresh of --refresh (never twice at
// one), a refresh after the last swap with vertical sync (taken as none once swaps are seen not to
// wait), at most one each period when capped, and at once without a cap.
TEST(FrameClock, TellsWhenAFrameDrawnNowWillBeShown) {
  const int64_t p = 1000 * Ms / 60;
  TFrameClock refresh;
  refresh.Set(TFrameClock::Refresh, p);
  EXPECT_EQ(refresh.FrameTime(0), 0);
  EXPECT_EQ(refresh.FrameTime(p / 3), p);
  refresh.Shown(p, p + Ms);
  EXPECT_EQ(refresh.FrameTime(p + Ms), 2 * p) << "the refresh already shown is past";
  EXPECT_EQ(refresh.FrameTime(5 * p + 1), 6 * p) << "a late frame waits for the next one";
  EXPECT_TRUE(refresh.Waits());

  TFrameClock vsync;
  vsync.Set(TFrameClock::VSync, p);
  EXPECT_FALSE(vsync.Waits());
  vsync.Shown(0, 3 * Ms); // the swap ended 3 ms in: a refresh
  EXPECT_EQ(vsync.FrameTime(5 * Ms), 3 * Ms + p);
  EXPECT_EQ(vsync.FrameTime(3 * Ms + p + Ms), 3 * Ms + 2 * p) << "drawing took a refresh";
  for (int i = 1; i <= 8; ++i) vsync.Shown(vsync.FrameTime(3 * Ms + i * Ms), 3 * Ms + i * Ms);
  EXPECT_EQ(vsync.Mode(), TFrameClock::Capped) << "eight swaps that did not wait";
  EXPECT_TRUE(vsync.Waits());

  TFrameClock capped;
  capped.Set(TFrameClock::Capped, p);
  EXPECT_EQ(capped.FrameTime(7 * Ms), 7 * Ms);
  capped.Shown(7 * Ms, 7 * Ms);
  EXPECT_EQ(capped.FrameTime(8 * Ms), 7 * Ms + p);
  EXPECT_EQ(capped.FrameTime(7 * Ms + 2 * p), 7 * Ms + 2 * p);

  TFrameClock uncapped;
  uncapped.Set(TFrameClock::Capped, 0); // max_fps = 0
  EXPECT_EQ(uncapped.Mode(), TFrameClock::Immediate);
  EXPECT_EQ(uncapped.FrameTime(42), 42);
  EXPECT_FALSE(uncapped.Waits());
}
