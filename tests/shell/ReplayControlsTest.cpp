// The controls of a replay at the game's pace, pressed as a player would press them: the keys go
// into SDL's queue while the real shell runs a kept demo.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "assets/GameRandom.h"
#include "shell/DemoSession.h"
#include "shell/GLWindow.h"
#include "shell/ReplayControls.h"
#include "shell/Screenshot.h"
#include "support/TestFiles.h"
#include "world/StateDump.h"

namespace {

std::string Kept(const std::string& Name) {
  return std::string(GLOOPA_DEMO_DIR) + "/" + Name;
}

std::string Temp(const std::string& Name) {
  return ::testing::TempDir() + "gloopa_controls_" + Name;
}

void Press(SDL_Keycode Key) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.keysym.sym = Key;
  event.key.state = SDL_PRESSED;
  SDL_PushEvent(&event);
}

// Presses a key from SDL's timer thread, while the main loop may be waiting in a pause.
Uint32 PressLater(Uint32, void* Key) {
  Press(SDL_Keycode(reinterpret_cast<intptr_t>(Key)));
  return 0;
}

struct TControlledRun {
  std::map<int64_t, std::vector<SDL_Keycode>> KeysAt; // pressed after the step
  std::vector<SDL_Keycode> KeysLater;                 // after the first, 150 ms apart
  std::set<int64_t> Sampled;                          // steps whose frames are read back
  int64_t Frames = 0;

  std::map<int64_t, std::vector<uint8_t>> Shots;
  std::vector<int64_t> Drawn;
  std::string Dump;
  int Status = -1;

  void Run(const TSessionFiles& Files) {
    RandSeed = 0;
    TRunOptions options;
    options.Headless = true;
    options.Windowed = true;
    options.Frames = Frames;
    TDemoSession session;
    ASSERT_EQ(session.Open(Files, options), 0);
    options.ChooseDraw = [](int64_t, bool) { return true; };
    std::vector<SDL_TimerID> timers;
    const auto afterStep = options.AfterStep;
    options.AfterStep = [&](int64_t Step, TGloopa& World) {
      // Looked up, not indexed: an entry made for every step would start the later keys' timers
      // after every step.
      const auto keys = KeysAt.find(Step);
      if (keys != KeysAt.end()) {
        for (const SDL_Keycode key : keys->second) Press(key);
        for (size_t i = 0; i < KeysLater.size(); ++i)
          timers.push_back(SDL_AddTimer(Uint32(150 * (i + 1)), PressLater,
                                        reinterpret_cast<void*>(intptr_t(KeysLater[i]))));
      }
      return afterStep(Step, World);
    };
    options.AfterFrame = [&](int64_t Step, TGloopa&) {
      Drawn.push_back(Step);
      if (!Sampled.count(Step)) return;
      std::vector<uint8_t> rgb(size_t(1024) * 768 * 3);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadBuffer(GL_BACK);
      glReadPixels(0, 0, 1024, 768, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
      Shots[Step] = std::move(rgb);
    };
    const auto freed = options.BeforeWorldFreed;
    options.BeforeWorldFreed = [&](int64_t Steps, TGloopa& World) {
      freed(Steps, World);
      Dump = StateDumpText(World, Steps);
    };
    Status = session.Close(RunGame(nullptr, options));
  }
};

// The smallest box (GL's bottom-up rows) holding every pixel where two frames differ.
struct TBox {
  int X0 = 1 << 30, Y0 = 1 << 30, X1 = -1, Y1 = -1;
  bool Empty() const { return X1 < 0; }
};
TBox Differences(const std::vector<uint8_t>& A, const std::vector<uint8_t>& B) {
  TBox box;
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) {
      const size_t i = (size_t(y) * 1024 + x) * 3;
      if (A[i] == B[i] && A[i + 1] == B[i + 1] && A[i + 2] == B[i + 2]) continue;
      box = {std::min(box.X0, x), std::min(box.Y0, y), std::max(box.X1, x), std::max(box.Y1, y)};
    }
  return box;
}

} // namespace

TEST(ReplayControls, AHeldReplayStepsOnlyWhenAskedAndSaysSo) {
  TReplayControls c;
  c.Key(TReplayKey::Pause);
  EXPECT_FALSE(c.Paused()) << "not a replay: every key is ignored";
  c.Enabled = true;
  EXPECT_EQ(c.Status(7), "") << "untouched: no line";
  c.Key(TReplayKey::Step);
  EXPECT_FALSE(c.TakeStep()) << "Period only steps a held replay";
  c.Key(TReplayKey::Pause);
  EXPECT_TRUE(c.TakeStep()) << "one step, to show the line";
  EXPECT_FALSE(c.TakeStep());
  EXPECT_EQ(c.Status(8), "step 8  1x  paused");
  c.Key(TReplayKey::Step);
  c.Key(TReplayKey::Step); // a held key repeating
  EXPECT_TRUE(c.TakeStep());
  EXPECT_FALSE(c.TakeStep());
  c.Key(TReplayKey::Speed);
  c.Key(TReplayKey::Speed);
  c.Key(TReplayKey::Pause);
  EXPECT_TRUE(c.TakeResumed());
  EXPECT_FALSE(c.TakeResumed());
  EXPECT_EQ(c.Status(9), "step 9  16x");
  c.Key(TReplayKey::Speed);
  EXPECT_EQ(c.Speed(), 1);
  EXPECT_EQ(c.Status(9), "");
}

TEST(ReplayControls, PausingSteppingAndSpeedChangeNoStepOfTheGameButTheStatusLine) {
  TSessionFiles files;
  files.Play = Kept("steer_shoot.demo");
  TControlledRun untouched;
  untouched.Sampled = {11, 12, 13, 41};
  untouched.Run(files);
  ASSERT_EQ(untouched.Status, 0);

  // Paused after step 10: step 11 is drawn to say so, Period twice gives steps 12 and 13, then
  // 4x, and Space resumes.
  TControlledRun controlled = untouched;
  controlled.Shots.clear();
  controlled.Drawn.clear();
  controlled.KeysAt[10] = {SDLK_SPACE};
  controlled.KeysLater = {SDLK_PERIOD, SDLK_PERIOD, SDLK_f, SDLK_SPACE};
  controlled.Run(files);
  ASSERT_EQ(controlled.Status, 0);
  EXPECT_EQ(controlled.Dump, untouched.Dump) << "every step ran, and ran the same";
  EXPECT_EQ(controlled.Dump, ReadFile(Kept("../dumps/steer_shoot.json")));
  for (const int64_t step : {11, 12, 13}) {
    SCOPED_TRACE(step);
    const TBox box = Differences(untouched.Shots[step], controlled.Shots[step]);
    ASSERT_FALSE(box.Empty()) << "the status line is drawn";
    // At the picture's foot, right of the middle, one line high.
    EXPECT_GE(box.X0, 690);
    EXPECT_LE(box.X1, 1000);
    EXPECT_GE(box.Y0, 10);
    EXPECT_LE(box.Y1, 60);
  }
  EXPECT_FALSE(Differences(untouched.Shots[41], controlled.Shots[41]).Empty())
      << "still at 4x at the end";
}

TEST(ReplayControls, TakingOverGoesOnLiveAndTheRecordingReplaysAsOneGame) {
  TSessionFiles files;
  files.Play = Kept("steer_shoot.demo");
  files.Record = Temp("taken_over.demo");
  std::remove(files.Record.c_str());
  TControlledRun run;
  run.KeysAt[20] = {SDLK_RETURN};
  run.Frames = 60; // the demo's end no longer ends the run
  run.Run(files);
  ASSERT_EQ(run.Status, 0);

  // The demo's first 20 steps, then the player's: headless, the mouse is not over the window, so
  // it stays where the demo left it with its buttons let go.
  TDemo recorded, kept;
  std::string error;
  ASSERT_TRUE(TDemo::Load(files.Record, recorded, error)) << error;
  ASSERT_TRUE(TDemo::Load(Kept("steer_shoot.demo"), kept, error)) << error;
  ASSERT_EQ(recorded.FrameCount(), 60);
  for (int64_t step = 1; step <= 20; ++step) EXPECT_EQ(recorded.FrameAt(step), kept.FrameAt(step));
  for (int64_t step = 21; step <= 60; ++step)
    EXPECT_EQ(recorded.FrameAt(step), (TDemoFrame{1000, 100, false, false})) << step;

  TSessionFiles verify;
  verify.Verify = files.Record;
  TControlledRun again;
  again.Run(verify);
  EXPECT_EQ(again.Status, 0);
  EXPECT_EQ(again.Dump, run.Dump);
}
