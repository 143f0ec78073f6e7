// The batched drawing against the reference that --immediate asks for: demos replayed both ways
// give byte-identical frames at every sampled frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"
#include "shell/Demo.h"
#include "shell/GLWindow.h"
#include "world/gloopaMain.h"

namespace {

struct TPlayed {
  std::map<int64_t, std::vector<uint8_t>> Frames;
  std::map<int64_t, int32_t> Live;
  int64_t FramesDrawn = 0;
};

TPlayed Play(const std::string& DemoName, bool Immediate, const std::set<int64_t>& Sampled) {
  TDemo demo;
  std::string error;
  EXPECT_TRUE(TDemo::Load(std::string(GLOOPA_DEMO_DIR) + "/" + DemoName, demo, error)) << error;
  TDemoPlayer player(demo);
  // Every run of the program starts from seed 0; two runs in one process must too.
  RandSeed = 0;
  TRunOptions options;
  options.Headless = true;
  options.Windowed = true;
  options.Unpaced = true;
  options.ReplayMouse = true;
  options.Immediate = Immediate;
  options.Frames = *Sampled.rbegin();
  TDemoFrame previous;
  bool hasPrevious = false;
  options.BeforeFrame = [&](int64_t, TGloopa&) {
    TDemoFrame next;
    if (!player.Next(next)) return false;
    TDemoMessage messages[3];
    const int32_t count = DemoMessages(hasPrevious ? &previous : nullptr, next, messages);
    for (int32_t i = 0; i < count; ++i)
      GameWindowProc(GameWindowHandle(), messages[i].Message, messages[i].WParam,
                     messages[i].LParam);
    previous = next;
    hasPrevious = true;
    return true;
  };
  TPlayed played;
  options.AfterFrame = [&](int64_t Frame, TGloopa& World) {
    played.FramesDrawn = Frame;
    if (!Sampled.count(Frame)) return;
    std::vector<uint8_t> rgb(size_t(1024) * 768 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, 1024, 768, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    played.Frames[Frame] = std::move(rgb);
    played.Live[Frame] = World.Particles->LiveCount();
  };
  EXPECT_EQ(RunGame(nullptr, options), 0);
  return played;
}

} // namespace

TEST(ImmediateDrawing, BatchedFramesMatchTheReferenceAtSampledDemoFrames) {
  const struct {
    const char* Demo;
    std::set<int64_t> Sampled;
    int32_t MinLiveAtLast; // live particles in the last sampled frame, so particles are compared
  } cases[] = {
      {"start.demo", {1}, 0},
      {"steer_shoot.demo", {1, 2, 20, 41}, 0},
      {"lose.demo", {2, 150, 420}, 300},
      {"long.demo", {240, 480, 1000}, 500},
      // The stress demo's busiest frame, past 8000 live particles: the game-over explosion over a
      // pack shot down.
      {"stress.demo", {6028}, 8001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Demo);
    const TPlayed reference = Play(c.Demo, true, c.Sampled);
    const TPlayed batched = Play(c.Demo, false, c.Sampled);
    ASSERT_EQ(reference.FramesDrawn, *c.Sampled.rbegin());
    ASSERT_EQ(batched.FramesDrawn, reference.FramesDrawn);
    for (const int64_t frame : c.Sampled) {
      SCOPED_TRACE("frame " + std::to_string(frame));
      ASSERT_EQ(reference.Frames.count(frame), 1u);
      ASSERT_EQ(batched.Frames.count(frame), 1u);
      EXPECT_EQ(reference.Live.at(frame), batched.Live.at(frame));
      const std::vector<uint8_t>& a = reference.Frames.at(frame);
      const std::vector<uint8_t>& b = batched.Frames.at(frame);
      size_t differing = 0, first = a.size();
      for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) {
          if (differing++ == 0) first = i;
        }
      EXPECT_EQ(differing, 0u) << "first at x " << (first / 3) % 1024 << ", y "
                               << (first / 3) / 1024 << ": " << int(a[first]) << " vs "
                               << int(b[first]);
    }
    EXPECT_GE(batched.Live.at(*c.Sampled.rbegin()), c.MinLiveAtLast);
  }
}
