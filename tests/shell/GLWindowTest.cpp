#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <set>

#include "creatures/blobSnake.h"
#include "shell/GLWindow.h"
#include "world/gloopaMain.h"

namespace {

TRunOptions HeadlessWindowed(int64_t Frames) {
  TRunOptions options;
  options.Headless = true;
  options.Windowed = true;
  options.Frames = Frames;
  return options;
}

void PushKey(Uint32 Type, SDL_Keycode Key, Uint16 Mod = KMOD_NONE) {
  SDL_Event event{};
  event.type = Type;
  event.key.keysym.sym = Key;
  event.key.keysym.mod = Mod;
  SDL_PushEvent(&event);
}

} // namespace

TEST(GLWindow, FramesAreClearedToDeepBlueOverA1024x768Viewport) {
  TRunOptions options = HeadlessWindowed(3);
  int framesChecked = 0;
  options.AfterFrame = [&](int64_t, TGloopa&) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
    // The world draws nothing at the corners: the clear colour (0, 0, 0.05) shows there.
    std::array<uint8_t, 4> rgba{};
    glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    EXPECT_EQ(rgba[0], 0);
    EXPECT_EQ(rgba[1], 0);
    EXPECT_EQ(rgba[2], 13);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // glFrustum(-1, 1, -1, 1, 1, 10000): a 90-degree view both ways.
    EXPECT_FLOAT_EQ(projection[0], 1);
    EXPECT_FLOAT_EQ(projection[5], 1);
    EXPECT_FLOAT_EQ(projection[11], -1);
    ++framesChecked;
  };
  EXPECT_EQ(RunGame(nullptr, options), 0);
  EXPECT_EQ(framesChecked, 3);
}

TEST(GLWindow, CameraFollowsTheSnakeWithinItsClamp) {
  struct Case {
    float x, y, cameraX, cameraY;
  } cases[] = {{0, 0, 0, 0},
               {100, -50, 100, -50},
               {372.09f, -137.4f, 372.09f, -137.4f},
               {796, 546, 372.093018f, 137.5f},
               {-796, -546, -372.093018f, -137.5f}};
  for (const Case& c : cases) {
    const TXYZ camera = CameraAbove({c.x, c.y, 0});
    EXPECT_EQ(camera.X, c.cameraX) << c.x;
    EXPECT_EQ(camera.Y, c.cameraY) << c.y;
    EXPECT_EQ(camera.Z, 500);
  }
  EXPECT_EQ(16000.0f / 43.0f, 372.093018f);
}

TEST(GLWindow, EscapeAndCloseEndTheRunThroughTheNormalShutdown) {
  // 0: Escape; 1: a quit request (what SIGINT and SIGTERM become); 2: the window's close button.
  for (int close = 0; close < 3; ++close) {
    TRunOptions options = HeadlessWindowed(200);
    int64_t lastFrame = 0, worldsFreed = 0;
    options.BeforeFrame = [&](int64_t Frame, TGloopa&) {
      lastFrame = Frame;
      if (Frame == 3) {
        SDL_Event event{};
        if (close == 1) {
          event.type = SDL_QUIT;
          SDL_PushEvent(&event);
        } else if (close == 2) {
          event.type = SDL_WINDOWEVENT;
          event.window.event = SDL_WINDOWEVENT_CLOSE;
          event.window.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(GameWindowHandle()));
          SDL_PushEvent(&event);
        } else {
          PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
        }
      }
      return true;
    };
    options.BeforeWorldFreed = [&](int64_t, TGloopa&) { ++worldsFreed; };
    EXPECT_EQ(RunGame(nullptr, options), 0);
    EXPECT_GE(lastFrame, 3);
    EXPECT_LE(lastFrame, 4) << (close ? "close" : "escape");
    EXPECT_EQ(worldsFreed, 1);
  }
}

TEST(GLWindow, KeysOutsideTheTableAreIgnored) {
  // F13 has no virtual-key code of ours: it reaches the window procedure with a code above 255,
  // which must neither crash nor end the run.
  TRunOptions options = HeadlessWindowed(5);
  options.BeforeFrame = [&](int64_t Frame, TGloopa&) {
    if (Frame == 2) PushKey(SDL_KEYDOWN, SDLK_F13);
    if (Frame == 3) PushKey(SDL_KEYUP, SDLK_F13);
    return true;
  };
  int64_t frames = 0;
  options.AfterFrame = [&](int64_t Frame, TGloopa&) { frames = Frame; };
  EXPECT_EQ(RunGame(nullptr, options), 0);
  EXPECT_EQ(frames, 5);
}

TEST(GLWindow, AltEnterReopensTheWindowWithAFreshWorld) {
  TRunOptions options = HeadlessWindowed(0);
  int64_t totalFrames = 0;
  int worldsFreed = 0;
  std::set<TGloopa*> worlds;
  options.BeforeFrame = [&](int64_t, TGloopa& World) {
    worlds.insert(&World);
    ++totalFrames;
    if (totalFrames == 2) PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT);
    // The second world ends the run after a few frames of its own.
    if (worldsFreed == 1 && totalFrames > 6) PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    return true;
  };
  options.BeforeWorldFreed = [&](int64_t, TGloopa&) { ++worldsFreed; };
  EXPECT_EQ(RunGame(nullptr, options), 0);
  EXPECT_EQ(worldsFreed, 2);
  EXPECT_GE(totalFrames, 7);
}

TEST(GLWindow, TicksArriveEveryTenMilliseconds) {
  TRunOptions options = HeadlessWindowed(50);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunGame(nullptr, options), 0);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
  // 50 ticks of 10 ms; start-up of the window and world is not in the frames but is counted here.
  EXPECT_GE(elapsed, 450);
  EXPECT_LT(elapsed, 5000);
}
