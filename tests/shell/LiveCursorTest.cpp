// The cursor where the mouse is now: a mouse movement that comes after a step is drawn by the next
// frame, while the world goes on seeing the mouse of its steps; drawn whole, a frame shows the
// step's own cursor.
#include <SDL.h>
#include <gtest/gtest.h>

#include "assets/GameRandom.h"
#include "shell/ShellTestSupport.h"
#include "world/gloopaMain.h"

TEST(LiveCursor, TheNextFrameDrawsTheCursorWhereTheMouseHasGone) {
  for (const bool interpolate : {true, false}) {
    SCOPED_TRACE(interpolate ? "between the steps" : "whole steps");
    RandSeed = 0;
    TRunOptions options = HeadlessWindowed(40);
    options.ChooseDraw = nullptr; // frames as the pacing plans them
    options.Refresh = 144;
    options.Interpolate = interpolate;
    TGloopa* world = nullptr;
    bool moved = false, checked = false;
    options.AfterStep = [&](int64_t Step, TGloopa& World) {
      world = &World;
      if (Step != 20) return true;
      SDL_Event event{};
      event.type = SDL_MOUSEMOTION;
      event.motion.x = 900;
      event.motion.y = 100;
      SDL_PushEvent(&event);
      moved = true;
      return true;
    };
    options.FrameShown = [&](const TFrameShown& Frame) {
      if (!moved || checked) return;
      checked = true;
      int32_t x = 0, y = 0;
      world->MouseToWorld(900, 100, x, y);
      const TXYZ stepCursor{world->Showing.CursorX, world->Showing.CursorY, 0};
      EXPECT_NE(stepCursor.X, float(x)) << "the step saw the mouse before it moved";
      if (interpolate) {
        EXPECT_EQ(Frame.CursorX, float(x));
        EXPECT_EQ(Frame.CursorY, float(y));
      } else {
        EXPECT_EQ(Frame.CursorX, stepCursor.X);
        EXPECT_EQ(Frame.CursorY, stepCursor.Y);
      }
    };
    EXPECT_EQ(RunGame(nullptr, options), 0);
    EXPECT_TRUE(checked);
  }
}
