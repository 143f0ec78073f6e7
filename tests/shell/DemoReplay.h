#pragma once
// A kept demo replayed in-process through the whole shell, back to back, with the frames of
// chosen steps read back and the state dump the run ends with.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"
#include "shell/Demo.h"
#include "shell/DemoSession.h"
#include "shell/GLWindow.h"
#include "support/TestFiles.h"
#include "world/StateDump.h"
#include "world/gloopaMain.h"

struct TReplay {
  bool Immediate = false;
  std::set<int64_t> Sampled; // steps whose frames are read back; always drawn
  bool WholeDemo = false;    // play to the demo's end, not only to the last sampled step
  // Whether a step that is not sampled is drawn; unset: every step.
  std::function<bool(int64_t Step)> Drawn;
  // The window's width (4:3, so the frames read back are Width x Width * 3 / 4), and lines and
  // points to the picture's scale. The window opens at its size: SDL's offscreen driver keeps
  // the surface a window was made with, so a later resize draws past its edges.
  int32_t Width = 1024;
  bool LineScale = false;
};

struct TReplayed {
  std::map<int64_t, std::vector<uint8_t>> Frames;
  std::map<int64_t, int32_t> Live;
  int64_t LastDrawn = 0;
  int64_t StepsDrawn = 0;
  std::string Dump;
};

inline TReplayed Replay(const std::string& DemoName, const TReplay& How) {
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
  options.Immediate = How.Immediate;
  options.LineScale = How.LineScale;
  options.WindowWidth = How.Width;
  options.WindowHeight = How.Width * 3 / 4;
  if (!How.WholeDemo && !How.Sampled.empty()) options.Frames = *How.Sampled.rbegin();
  TDemoFeed feed;
  options.BeforeFrame = [&](int64_t, TGloopa&) {
    TDemoFrame next;
    if (!player.Next(next)) return false;
    feed.Send(next);
    return true;
  };
  options.ChooseDraw = [&](int64_t Step, bool) {
    return How.Sampled.count(Step) || !How.Drawn || How.Drawn(Step);
  };
  TReplayed played;
  options.AfterFrame = [&](int64_t Step, TGloopa& World) {
    played.LastDrawn = Step;
    ++played.StepsDrawn;
    if (!How.Sampled.count(Step)) return;
    const int32_t width = options.WindowWidth, height = options.WindowHeight;
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    played.Frames[Step] = std::move(rgb);
    played.Live[Step] = World.Particles->LiveCount();
  };
  options.BeforeWorldFreed = [&](int64_t Steps, TGloopa& World) {
    played.Dump = StateDumpText(World, Steps);
  };
  EXPECT_EQ(RunGame(nullptr, options), 0);
  return played;
}

// The number of differing bytes between two frames, and where the first one is.
inline ::testing::AssertionResult SameFrame(const std::vector<uint8_t>& A,
                                            const std::vector<uint8_t>& B) {
  if (A.size() != B.size()) return ::testing::AssertionFailure() << "frames of different sizes";
  size_t differing = 0, first = A.size();
  for (size_t i = 0; i < A.size(); ++i)
    if (A[i] != B[i] && differing++ == 0) first = i;
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << differing << " bytes differ, the first at x " << (first / 3) % 1024 << ", y "
         << (first / 3) / 1024 << ": " << int(A[first]) << " vs " << int(B[first]);
}
