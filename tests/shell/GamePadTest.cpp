// The gamepad through SDL's virtual joystick: a game driven by the pad, recorded as a demo from the
// messages the world took, replays to the same state; a pad that goes away lets go of its buttons.
#include <SDL.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <string>

#include "ShellTestSupport.h"
#include "assets/GameRandom.h"
#include "creatures/blobBullet.h"
#include "creatures/blobSnake.h"
#include "shell/Demo.h"
#include "shell/DemoSession.h"
#include "shell/GLWindow.h"
#include "shell/GamePad.h"
#include "world/StateDump.h"
#include "world/gloopaMain.h"

namespace {

// A virtual controller with the standard axes and buttons, attached while the game runs.
class TVirtualPad {
public:
  bool Attach() {
    // Pads are only heard while the game has focus; the offscreen window never gets it.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    const int index = SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    if (index < 0) return false;
    Joystick = SDL_JoystickOpen(index);
    return Joystick != nullptr;
  }
  void Detach() {
    if (!Joystick) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(Joystick);
    SDL_JoystickClose(Joystick);
    Joystick = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
  }
  void Axis(SDL_GameControllerAxis A, Sint16 V) { SDL_JoystickSetVirtualAxis(Joystick, A, V); }
  void Button(SDL_GameControllerButton B, bool Down) {
    SDL_JoystickSetVirtualButton(Joystick, B, Down ? 1 : 0);
  }
  SDL_Joystick* Joystick = nullptr;
};

} // namespace

TEST(GamePad, ThePointerGoesAroundTheSnake) {
  const struct Case {
    float snakeX, snakeY, dx, dy;
    int32_t x, y;
  } cases[] = {
      {0, 0, 0, 0, 512, 384},        // the snake at the centre, the stick at rest
      {0, 0, 1, 0, 712, 384},        // right by the radius
      {0, 0, 0, -1, 512, 184},       // stick up: pointer up the window
      {1100, -950, 0, 0, 1024, 768}, // the world's corner is the window's corner
      {-1100, 950, -0.5f, 0.5f, -100, 100},
  };
  for (const Case& c : cases) {
    int32_t x = 0, y = 0;
    TGamePad::PointAround({c.snakeX, c.snakeY, 0}, c.dx, c.dy, x, y);
    EXPECT_EQ(x, c.x) << c.snakeX << "," << c.snakeY << " " << c.dx << "," << c.dy;
    EXPECT_EQ(y, c.y) << c.snakeX << "," << c.snakeY << " " << c.dx << "," << c.dy;
    // The world reads the pointer back where the stick put it, within its rounding.
    const float worldX = float(x - 512) * 2200.0f / 1024.0f;
    const float worldY = -float(y - 384) * 1900.0f / 768.0f;
    EXPECT_NEAR(worldX, c.snakeX + c.dx * TGamePad::Radius * 2200.0f / 1024.0f, 2.5f);
    EXPECT_NEAR(worldY, c.snakeY - c.dy * TGamePad::Radius * 1900.0f / 768.0f, 2.5f);
  }
}

TEST(GamePad, AGamePlayedWithAVirtualPadReplaysFromItsDemoToTheSameState) {
  constexpr int64_t Frames = 200;
  TVirtualPad pad;
  TDemoRecorder recorder;
  std::string padDump, replayDump;
  bool attached = false;
  int32_t mostBullets = 0;
  bool leftAfterUnplug = true, mouseAfterUnplug = false;

  TRunOptions options = HeadlessWindowed(Frames);
  RandSeed = 0; // as at the start of a program
  options.OnMessage = [&](uint32_t Message, TWParam, TLParam LParam) {
    recorder.Observe(Message, LParam);
  };
  options.BeforeFrame = [&](int64_t Frame, TGloopa& World) {
    recorder.EndFrame();
    if (Frame == 1) attached = pad.Attach();
    if (!attached) return true;
    // A on the title starts a game; then the stick sweeps round with the trigger held for moving,
    // the right shoulder and A taking turns at shooting.
    if (Frame == 5) pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    if (Frame == 8) pad.Button(SDL_CONTROLLER_BUTTON_A, false);
    if (Frame >= 15 && Frame < 170) {
      const double angle = double(Frame) * 0.05;
      pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, Sint16(30000 * std::cos(angle)));
      pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, Sint16(30000 * std::sin(angle)));
    }
    if (Frame == 20) pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
    if (Frame == 150) pad.Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
    if (Frame == 30) pad.Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
    if (Frame == 80) pad.Button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false);
    if (Frame == 100) pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    int32_t bullets = 0;
    for (const TBlobBullet* bullet : World.Bullets) bullets += bullet->Active ? 1 : 0;
    mostBullets = std::max(mostBullets, bullets);
    // Unplugged with A held: the shoot button is let go, and the mouse is heard again.
    if (Frame == 170) pad.Detach();
    if (Frame == 180) {
      leftAfterUnplug = World.LeftDown;
      SDL_Event motion{};
      motion.type = SDL_MOUSEMOTION;
      motion.motion.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(GameWindowHandle()));
      motion.motion.x = 100;
      motion.motion.y = 50;
      SDL_PushEvent(&motion);
    }
    if (Frame == 190) mouseAfterUnplug = recorder.Current().X == 100 && recorder.Current().Y == 50;
    return true;
  };
  options.BeforeWorldFreed = [&](int64_t Drawn, TGloopa& World) {
    padDump = StateDumpText(World, Drawn);
  };
  ASSERT_EQ(RunGame(nullptr, options), 0);
  pad.Detach();
  ASSERT_TRUE(attached) << SDL_GetError();
  const TDemo demo = recorder.Demo();
  ASSERT_GE(demo.FrameCount(), Frames);

  // The pad did drive the game: it started, the snake steered after the stick and shot.
  const nlohmann::json d = nlohmann::json::parse(padDump);
  EXPECT_EQ(d["state"], "playing");
  EXPECT_GT(mostBullets, 2);
  EXPECT_NE(d["snake"]["x"], 0);
  EXPECT_FALSE(leftAfterUnplug);
  EXPECT_TRUE(mouseAfterUnplug);

  // The recorded demo, replayed with the pad gone, gives the same world.
  TDemoPlayer player(demo);
  TDemoFeed feed;
  TRunOptions replay = HeadlessWindowed(0); // the demo's own length ends the replay
  replay.ReplayMouse = true;
  replay.BeforeFrame = [&](int64_t, TGloopa&) {
    TDemoFrame next;
    if (!player.Next(next)) return false;
    feed.Send(next);
    return true;
  };
  replay.BeforeWorldFreed = [&](int64_t Drawn, TGloopa& World) {
    replayDump = StateDumpText(World, Drawn);
  };
  RandSeed = 0;
  ASSERT_EQ(RunGame(nullptr, replay), 0);
  // Compared part by part, so that a difference names where it is.
  const nlohmann::json r = nlohmann::json::parse(replayDump);
  for (auto it = d.begin(); it != d.end(); ++it) EXPECT_TRUE(r[it.key()] == it.value()) << it.key();
  EXPECT_TRUE(replayDump == padDump);
}
