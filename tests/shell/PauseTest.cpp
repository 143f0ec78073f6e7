// Pausing live play, driven by the window events SDL would deliver: losing focus stops the steps
// until the window has focus again and the player clicks, and that click never reaches the game.
// The title screen and a game with the setting off go on as before.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <vector>

#include "assets/GameRandom.h"
#include "shell/ShellTestSupport.h"
#include "world/gloopaMain.h"

namespace {

using TClock = std::chrono::steady_clock;

void PushWindowEvent(Uint8 Kind) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = Kind;
  SDL_PushEvent(&event);
}

void PushClick() {
  for (const Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
    SDL_Event event{};
    event.type = type;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.x = 512;
    event.button.y = 384;
    SDL_PushEvent(&event);
  }
}

// Focus comes back, then the player clicks: 300 ms after the focus went.
Uint32 ComeBack(Uint32, void*) {
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  PushClick();
  return 0;
}

struct TPauseRun {
  bool Setting = true;
  bool StartGame = true;
  int64_t LoseFocusAfter = 30;

  std::map<int64_t, TClock::time_point> StepTimes;
  TClock::time_point FocusLost;
  int32_t ClicksSeenAfterFocusLost = 0;
  TGameState LastState = gsTitle;

  void Run() {
    RandSeed = 0;
    TRunOptions options = HeadlessWindowed(60);
    options.CanPause = true;
    options.PauseOnFocusLoss = Setting;
    bool lost = false;
    SDL_TimerID timer = 0;
    options.BeforeFrame = [&](int64_t Step, TGloopa&) {
      if (StartGame && Step == 2)
        GameWindowProc(GameWindowHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(512, 384));
      if (StartGame && Step == 3)
        GameWindowProc(GameWindowHandle(), WM_LBUTTONUP, 0, MakeMouseLParam(512, 384));
      return true;
    };
    options.AfterStep = [&](int64_t Step, TGloopa& World) {
      StepTimes[Step] = TClock::now();
      LastState = World.State;
      if (Step == LoseFocusAfter) {
        PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
        FocusLost = TClock::now();
        lost = true;
        timer = SDL_AddTimer(300, ComeBack, nullptr);
      }
      return true;
    };
    options.OnMessage = [&](uint32_t Message, TWParam, TLParam) {
      if (lost && Message == WM_LBUTTONDOWN) ++ClicksSeenAfterFocusLost;
    };
    ASSERT_EQ(RunGame(nullptr, options), 0);
    if (timer) SDL_RemoveTimer(timer);
  }

  // The longest wait between two steps after focus was lost, in ms, and the step that ended it.
  double LongestGap(int64_t* EndedBy = nullptr) const {
    double gap = 0;
    for (auto it = StepTimes.upper_bound(LoseFocusAfter); it != StepTimes.end(); ++it) {
      const double ms =
          std::chrono::duration<double, std::milli>(it->second - std::prev(it)->second).count();
      if (ms <= gap) continue;
      gap = ms;
      if (EndedBy) *EndedBy = it->first;
    }
    return gap;
  }
};

} // namespace

TEST(Pause, LosingFocusStopsTheStepsUntilFocusAndAClick) {
  const struct {
    bool Setting, StartGame;
    bool Pauses;
  } cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
  for (const auto& c : cases) {
    TPauseRun run;
    run.Setting = c.Setting;
    run.StartGame = c.StartGame;
    run.Run();
    ASSERT_EQ(run.StepTimes.size(), 60u) << "every step runs, paused or not";
    EXPECT_EQ(run.LastState, c.StartGame ? gsPlaying : gsTitle);
    if (c.Pauses) {
      // One more step, with its frame, shows under "Paused"; then nothing until the click, which
      // comes 300 ms after the focus went (the frames drawn before the pause began take some of
      // that on a slow build).
      int64_t resumedAt = 0;
      run.LongestGap(&resumedAt);
      EXPECT_EQ(resumedAt, run.LoseFocusAfter + 2) << "the longest wait is the pause";
      const auto waited = run.StepTimes[run.LoseFocusAfter + 2] - run.FocusLost;
      const double waitedMs = std::chrono::duration<double, std::milli>(waited).count();
      EXPECT_GE(waitedMs, 250);
      EXPECT_EQ(run.ClicksSeenAfterFocusLost, 0)
          << "the click that ended the pause reached the game";
    } else {
      EXPECT_LT(run.LongestGap(), 250) << "paused though it must not";
    }
  }
}
