// H on the title shows the hall of fame over it, and a click goes back without reaching the game:
// the world runs exactly as it would have without them.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "assets/GameRandom.h"
#include "shell/DemoReplay.h"
#include "shell/HallOfFame.h"
#include "shell/ShellTestSupport.h"

namespace {

struct THallViewRun {
  std::map<int64_t, std::vector<SDL_Event>> Events; // pushed after these steps
  std::map<int64_t, std::vector<uint8_t>> Frames;   // read back at these steps
  std::string Dump;

  void Run() {
    RandSeed = 0;
    THallOfFame hall;
    THallEntry entry;
    entry.Score = 2510;
    entry.Time = 1797009200;
    entry.Steps = 4520;
    entry.Version = "1.0.0";
    entry.Replay = "run-20261211-171320.demo";
    entry.EndStep = 9000;
    hall.Enter(entry);
    TRunOptions options = HeadlessWindowed(50);
    options.Unpaced = true;
    options.Hall = &hall;
    options.AfterStep = [&](int64_t Step, TGloopa&) {
      for (SDL_Event& event : Events[Step]) SDL_PushEvent(&event);
      return true;
    };
    options.AfterFrame = [&](int64_t Step, TGloopa&) {
      if (Step != 20 && Step != 40) return;
      std::vector<uint8_t> rgb(1024 * 768 * 3);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadPixels(0, 0, 1024, 768, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
      Frames[Step] = std::move(rgb);
    };
    options.BeforeWorldFreed = [&](int64_t Steps, TGloopa& World) {
      Dump = StateDumpText(World, Steps);
    };
    ASSERT_EQ(RunGame(nullptr, options), 0);
  }
};

SDL_Event Key(SDL_Keycode Sym) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.keysym.sym = Sym;
  return event;
}

SDL_Event Button(Uint32 Type) {
  SDL_Event event{};
  event.type = Type;
  event.button.button = SDL_BUTTON_LEFT;
  event.button.x = 512;
  event.button.y = 384;
  return event;
}

} // namespace

TEST(HallView, HShowsTheTableOverTheTitleAndAClickGoesBackUnseenByTheGame) {
  THallViewRun plain, shown, clicked;
  plain.Run();
  // A click held for two steps, as the title needs to see it.
  for (THallViewRun* run : {&shown, &clicked}) {
    run->Events[30] = {Button(SDL_MOUSEBUTTONDOWN)};
    run->Events[32] = {Button(SDL_MOUSEBUTTONUP)};
  }
  shown.Events[10] = {Key(SDLK_h)};
  shown.Run();
  clicked.Run();

  EXPECT_FALSE(SameFrame(shown.Frames[20], plain.Frames[20])) << "the table is not shown";
  EXPECT_TRUE(SameFrame(shown.Frames[40], plain.Frames[40])) << "the title is not as it was";
  // The dumps are long: compared, not printed.
  EXPECT_TRUE(shown.Dump == plain.Dump) << "the world saw the key or the click";
  EXPECT_TRUE(clicked.Dump != plain.Dump) << "a click on the title starts a game";
}
