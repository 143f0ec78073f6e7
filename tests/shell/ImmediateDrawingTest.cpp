// The batched drawing against the reference that --immediate asks for: demos replayed both ways
// give byte-identical frames at every sampled frame.
#include <gtest/gtest.h>

#include "shell/DemoReplay.h"

namespace {

struct TDrawCase {
  const char* Demo;
  std::set<int64_t> Sampled;
  int32_t MinLiveAtLast; // live particles in the last sampled frame, so particles are compared
};

const TDrawCase DrawCases[] = {
    {"start.demo", {1}, 0},
    {"steer_shoot.demo", {1, 2, 20, 41}, 0},
    {"lose.demo", {2, 150, 420}, 300},
    {"long.demo", {240, 480, 1000}, 500},
    // The stress demo's busiest frame, past 8000 live particles: the game-over explosion over a
    // pack shot down.
    {"stress.demo", {6028}, 8001},
};

TReplay Sampling(const std::set<int64_t>& Sampled, bool Immediate = false) {
  TReplay how;
  how.Sampled = Sampled;
  how.Immediate = Immediate;
  return how;
}

TReplay WholeDemo(const std::set<int64_t>& Sampled, std::function<bool(int64_t)> Drawn) {
  TReplay how = Sampling(Sampled);
  how.WholeDemo = true;
  how.Drawn = std::move(Drawn);
  return how;
}

} // namespace

TEST(ImmediateDrawing, BatchedFramesMatchTheReferenceAtSampledDemoFrames) {
  for (const TDrawCase& c : DrawCases) {
    SCOPED_TRACE(c.Demo);
    const TReplayed reference = Replay(c.Demo, Sampling(c.Sampled, true));
    const TReplayed batched = Replay(c.Demo, Sampling(c.Sampled));
    ASSERT_EQ(reference.LastDrawn, *c.Sampled.rbegin());
    ASSERT_EQ(batched.LastDrawn, reference.LastDrawn);
    for (const int64_t frame : c.Sampled) {
      SCOPED_TRACE("frame " + std::to_string(frame));
      ASSERT_EQ(reference.Frames.count(frame), 1u);
      ASSERT_EQ(batched.Frames.count(frame), 1u);
      EXPECT_EQ(reference.Live.at(frame), batched.Live.at(frame));
      EXPECT_TRUE(SameFrame(reference.Frames.at(frame), batched.Frames.at(frame)));
    }
    EXPECT_GE(batched.Live.at(*c.Sampled.rbegin()), c.MinLiveAtLast);
  }
}

// Steps run undrawn (the GL calls going to the do-nothing table) play the same game: every kept
// demo, with no step drawn or with a seeded random choice of steps drawn, leaves its kept dump,
// and the frames drawn after undrawn steps are the frames drawn when every step is.
TEST(UndrawnSteps, LeaveTheSameGameAndTheSameNextFrames) {
  for (const TDrawCase& c : DrawCases) {
    SCOPED_TRACE(c.Demo);
    const std::string name(c.Demo);
    const std::string kept = ReadFile(std::string(GLOOPA_DEMO_DIR "/../dumps/") +
                                      name.substr(0, name.rfind('.')) + ".json");
    const TReplayed none = Replay(c.Demo, WholeDemo({}, [](int64_t) { return false; }));
    EXPECT_EQ(none.StepsDrawn, 0);
    EXPECT_EQ(none.Dump, kept) << "with no step drawn";

    // About one step in four drawn, in runs of undrawn steps of any length.
    uint32_t seed = uint32_t(name.size()) * 2654435761u;
    const TReplayed some = Replay(c.Demo, WholeDemo(c.Sampled, [&seed](int64_t) {
                                    seed = seed * 1664525u + 1013904223u;
                                    return (seed >> 30) == 0;
                                  }));
    EXPECT_EQ(some.Dump, kept) << "with some steps drawn";
    const TReplayed every = Replay(c.Demo, Sampling(c.Sampled));
    for (const int64_t frame : c.Sampled) {
      SCOPED_TRACE("frame " + std::to_string(frame));
      ASSERT_EQ(some.Frames.count(frame), 1u);
      EXPECT_TRUE(SameFrame(every.Frames.at(frame), some.Frames.at(frame)));
    }
  }
}
