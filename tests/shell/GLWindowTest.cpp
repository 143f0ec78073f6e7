#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "ShellTestSupport.h"
#include "creatures/blobSnake.h"
#include "shell/GLWindow.h"
#include "shell/ViewScale.h"
#include "world/gloopaMain.h"

namespace {

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
  const struct Case {
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

TEST(GLWindow, TheModeSwitchMessageReopensTheWindowWithAFreshWorld) {
  TRunOptions options = HeadlessWindowed(0);
  int64_t totalFrames = 0;
  int worldsFreed = 0;
  std::set<TGloopa*> worlds;
  options.BeforeFrame = [&](int64_t, TGloopa& World) {
    worlds.insert(&World);
    ++totalFrames;
    if (totalFrames == 2) GameWindowProc(GameWindowHandle(), WM_MODESWITCH, 0, 0);
    // The second world ends the run after a few frames of its own.
    if (worldsFreed == 1 && totalFrames > 6) PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    return true;
  };
  options.BeforeWorldFreed = [&](int64_t, TGloopa&) { ++worldsFreed; };
  EXPECT_EQ(RunGame(nullptr, options), 0);
  EXPECT_EQ(worldsFreed, 2);
  EXPECT_GE(totalFrames, 7);
}

TEST(GLWindow, AltEnterSwitchesTheLiveWindowKeepingTheGame) {
  // Started in a window asking for desktop full screen, and in desktop full screen. The offscreen
  // driver offers no 1024 x 768 mode: a window asking for the mode switch stays a window.
  const struct Case {
    bool windowed, desktop, switches;
  } cases[] = {{true, true, true}, {false, true, true}, {true, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "windowed " << c.windowed << " desktop " << c.desktop);
    TRunOptions options = HeadlessWindowed(40);
    options.Windowed = c.windowed;
    options.Desktop = c.desktop;
    std::set<TGloopa*> worlds;
    std::vector<bool> fullScreen; // the window's state on every frame
    int worldsFreed = 0;
    int32_t finalScore = -1;
    options.BeforeFrame = [&](int64_t Frame, TGloopa& World) {
      worlds.insert(&World);
      const Uint32 flags = SDL_GetWindowFlags(static_cast<SDL_Window*>(GameWindowHandle()));
      if (Frame <= 40) fullScreen.push_back((flags & SDL_WINDOW_FULLSCREEN) != 0);
      if (Frame == 1) GameWindowProc(GameWindowHandle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
      if (Frame == 2) GameWindowProc(GameWindowHandle(), WM_LBUTTONUP, 0, 0);
      if (Frame == 5) World.Score = 4321; // as if predators had been shot
      if (Frame == 10 || Frame == 25) {
        PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT);
        PushKey(SDL_KEYUP, SDLK_RETURN, KMOD_LALT);
      }
      return true;
    };
    options.BeforeWorldFreed = [&](int64_t, TGloopa& World) {
      ++worldsFreed;
      finalScore = World.Score;
    };
    ASSERT_EQ(RunGame(nullptr, options), 0);
    EXPECT_EQ(worlds.size(), 1u);
    EXPECT_EQ(worldsFreed, 1);
    EXPECT_EQ(finalScore, 4321);
    ASSERT_EQ(fullScreen.size(), 40u);
    const bool start = !c.windowed;
    EXPECT_EQ(fullScreen[5], start);
    EXPECT_EQ(fullScreen[15], c.switches ? !start : start) << "after the first Alt+Enter";
    EXPECT_EQ(fullScreen[35], start) << "after the second";
  }
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

namespace {
int Count(const std::string& Text, const std::string& Part) {
  int n = 0;
  for (size_t at = Text.find(Part); at != std::string::npos; at = Text.find(Part, at + 1)) ++n;
  return n;
}
} // namespace

// The offscreen display offers no 1024 x 768 mode: the switch is refused, the warning comes once,
// and the game runs in a window to a normal end.
TEST(GLWindow, ARefusedModeSwitchWarnsOnceAndRunsWindowed) {
  TRunOptions options = HeadlessWindowed(3);
  options.Windowed = false;
  bool fullScreen = true;
  options.AfterFrame = [&](int64_t, TGloopa&) {
    fullScreen =
        SDL_GetWindowFlags(static_cast<SDL_Window*>(GameWindowHandle())) & SDL_WINDOW_FULLSCREEN;
  };
  testing::internal::CaptureStderr();
  const int status = RunGame(nullptr, options);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Count(err, "Error: Mode Switch Failed.\\nRunning In Windowed Mode."), 1) << err;
  EXPECT_FALSE(fullScreen);
}

// Message 1025 reopens the window in the other mode: a windowed start asks for full screen next,
// which this display refuses, with the one warning.
TEST(GLWindow, TheModeSwitchMessageReopensInTheOtherMode) {
  TRunOptions options = HeadlessWindowed(0);
  int worldsFreed = 0;
  int64_t totalFrames = 0;
  options.BeforeFrame = [&](int64_t, TGloopa&) {
    ++totalFrames;
    if (totalFrames == 2) GameWindowProc(GameWindowHandle(), 1025, 0, 0);
    if (worldsFreed == 1 && totalFrames > 5) PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    return true;
  };
  options.BeforeWorldFreed = [&](int64_t, TGloopa&) { ++worldsFreed; };
  testing::internal::CaptureStderr();
  const int status = RunGame(nullptr, options);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(worldsFreed, 2);
  EXPECT_EQ(Count(err, "Mode Switch Failed."), 1) << err;
}

// A resize calls ResizeView with the new client size, but the next frame is drawn over 1024 x 768
// with the 90-degree frustum all the same.
TEST(GLWindow, AFrameAfterAResizeRestoresTheViewportAndFrustum) {
  TRunOptions options = HeadlessWindowed(3);
  GLint resized[4] = {};
  GLfloat resizedProjection[16] = {};
  GLint viewport[4] = {};
  GLfloat projection[16] = {};
  options.BeforeFrame = [&](int64_t Frame, TGloopa&) {
    if (Frame == 2) {
      GameWindowProc(GameWindowHandle(), WM_SIZE, SIZE_RESTORED, MakeMouseLParam(640, 400));
      glGetIntegerv(GL_VIEWPORT, resized);
      glGetFloatv(GL_PROJECTION_MATRIX, resizedProjection);
    }
    return true;
  };
  options.AfterFrame = [&](int64_t Frame, TGloopa&) {
    if (Frame != 2) return;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
  };
  ASSERT_EQ(RunGame(nullptr, options), 0);
  EXPECT_EQ(resized[2], 640);
  EXPECT_EQ(resized[3], 400);
  // gluPerspective(45, 640 / 400, 1, 100): 1 / tan(22.5 degrees) = 2.4142 in Y, over 1.6 in X.
  EXPECT_NEAR(resizedProjection[5], 2.41421f, 1e-4);
  EXPECT_NEAR(resizedProjection[0], 2.41421f / 1.6f, 1e-4);
  EXPECT_EQ(viewport[2], 1024);
  EXPECT_EQ(viewport[3], 768);
  EXPECT_FLOAT_EQ(projection[0], 1);
  EXPECT_FLOAT_EQ(projection[5], 1);
  EXPECT_FLOAT_EQ(projection[10], -10001.0f / 9999.0f);
}

// Full screen holds only when the window is full screen and the display runs at the asked size;
// the shell checks this after showing the window, where a refusal shows up.
TEST(GLWindow, FullScreenHoldsOnlyWithTheFlagAndTheAskedMode) {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  SDL_DisplayMode desktop;
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  SDL_Window* plain = SDL_CreateWindow("t", 0, 0, 320, 200, SDL_WINDOW_HIDDEN);
  SDL_Window* full = SDL_CreateWindow("t", 0, 0, desktop.w, desktop.h, SDL_WINDOW_HIDDEN);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(full, nullptr);
  ASSERT_EQ(SDL_SetWindowFullscreen(full, SDL_WINDOW_FULLSCREEN), 0);
  SDL_ShowWindow(full);
  SDL_ShowWindow(plain);
  EXPECT_TRUE(FullScreenHeld(full, desktop.w, desktop.h));
  EXPECT_FALSE(FullScreenHeld(full, desktop.w + 16, desktop.h)) << "the display runs another size";
  EXPECT_FALSE(FullScreenHeld(plain, desktop.w, desktop.h)) << "not full screen";
  EXPECT_FALSE(FullScreenHeld(nullptr, desktop.w, desktop.h));
  SDL_DestroyWindow(full);
  SDL_DestroyWindow(plain);
  SDL_Quit();
}

TEST(GLWindow, AResizedWindowScalesThePictureAndMapsTheMouseBack) {
  const struct Case {
    int w, h;
    GLint viewport[4]; // GL's, from the bottom
    int barX, barY;    // a pixel in a bar (window coordinates), or -1 when there is none
  } cases[] = {{1920, 1080, {240, 0, 1440, 1080}, 100, 540},
               {800, 800, {0, 100, 800, 600}, 400, 50},
               {2048, 1536, {0, 0, 2048, 1536}, -1, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    TRunOptions options = HeadlessWindowed(8);
    TLParam seen[2] = {-1, -1};
    int32_t mouse[2][2] = {};
    options.BeforeFrame = [&](int64_t Frame, TGloopa& World) {
      SDL_Window* window = static_cast<SDL_Window*>(GameWindowHandle());
      if (Frame == 2) SDL_SetWindowSize(window, c.w, c.h);
      if (Frame == 4 || Frame == 6) {
        // The centre of the picture, then its top-left corner, as a real mouse would report them.
        const TViewRect picture = FitPicture(c.w, c.h);
        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.windowID = SDL_GetWindowID(window);
        motion.motion.x = Frame == 4 ? c.w / 2 : picture.X;
        motion.motion.y = Frame == 4 ? c.h / 2 : picture.Y;
        SDL_PushEvent(&motion);
      }
      if (Frame == 6 || Frame == 8) {
        mouse[Frame / 2 - 3][0] = World.MouseX;
        mouse[Frame / 2 - 3][1] = World.MouseY;
      }
      return true;
    };
    options.OnMessage = [&](uint32_t Message, TWParam, TLParam LParam) {
      if (Message == WM_MOUSEMOVE) seen[seen[0] == -1 ? 0 : 1] = LParam;
    };
    int checked = 0;
    options.AfterFrame = [&](int64_t Frame, TGloopa&) {
      if (Frame != 5) return;
      GLint viewport[4] = {};
      glGetIntegerv(GL_VIEWPORT, viewport);
      for (int i = 0; i < 4; ++i) EXPECT_EQ(viewport[i], c.viewport[i]) << i;
      std::array<uint8_t, 3> rgb{};
      if (c.barX >= 0) {
        glReadPixels(c.barX, c.h - 1 - c.barY, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        EXPECT_EQ(rgb, (std::array<uint8_t, 3>{0, 0, 0})) << "the bars are black";
      }
      // The picture's own corner keeps the deep blue it is cleared to.
      glReadPixels(c.viewport[0] + 1, c.viewport[1] + 1, 1, 1, GL_RGB, GL_UNSIGNED_BYTE,
                   rgb.data());
      EXPECT_EQ(rgb, (std::array<uint8_t, 3>{0, 0, 13}));
      ++checked;
    };
    ASSERT_EQ(RunGame(nullptr, options), 0);
    EXPECT_EQ(checked, 1);
    // The world saw the same coordinates as from a 1024 x 768 window.
    EXPECT_EQ(seen[0], MakeMouseLParam(512, 384));
    EXPECT_EQ(seen[1], MakeMouseLParam(0, 0));
    EXPECT_EQ(mouse[0][0], 0);
    EXPECT_EQ(mouse[0][1], 0);
    EXPECT_EQ(mouse[1][0], -1100);
    EXPECT_EQ(mouse[1][1], 950);
  }
}

TEST(GLWindow, PacedRunsSwapWithVerticalSyncAndTheOthersAtOnce) {
  const struct {
    const char* Name;
    bool VSync, FrameLocked, Unpaced, Synced;
  } cases[] = {
      {"paced", true, false, false, true},
      {"--no-vsync", false, false, false, false},
      {"--frame-locked", true, true, false, false},
      {"--timedemo", true, false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRunOptions options = HeadlessWindowed(2);
    options.VSync = c.VSync;
    options.FrameLocked = c.FrameLocked;
    options.Unpaced = c.Unpaced;
    int interval = 99;
    options.AfterFrame = [&](int64_t, TGloopa&) { interval = SDL_GL_GetSwapInterval(); };
    EXPECT_EQ(RunGame(nullptr, options), 0);
    // Adaptive sync (-1) where the driver offers it, else 1.
    if (c.Synced)
      EXPECT_TRUE(interval == 1 || interval == -1) << interval;
    else
      EXPECT_EQ(interval, 0);
  }
}
