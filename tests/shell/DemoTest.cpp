#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "shell/Demo.h"
#include "shell/DemoCheck.h"

namespace {

bool ParseText(const std::string& Text, TDemo& Demo, std::string& Error) {
  std::istringstream in(Text);
  return TDemo::Parse(in, "hand.demo", Demo, Error);
}

} // namespace

TEST(Demo, ReadsStateLinesWithCountsCommentsAndBlankLines) {
  TDemo demo;
  std::string error;
  ASSERT_TRUE(ParseText("gloopa-demo 1\r\n"
                        "# start a game\n"
                        "512 384 1 0\n"
                        "\n"
                        "   # indented comment\n"
                        "1000 100 0 1 25\r\n"
                        "0 0 1 1 3\n"
                        "-32768 32767 0 0 +2\n",
                        demo, error))
      << error;
  ASSERT_EQ(demo.Lines.size(), 4u);
  EXPECT_EQ(demo.Lines[0].State, (TDemoFrame{512, 384, true, false}));
  EXPECT_EQ(demo.Lines[0].Count, 1);
  EXPECT_EQ(demo.Lines[1].State, (TDemoFrame{1000, 100, false, true}));
  EXPECT_EQ(demo.Lines[1].Count, 25);
  EXPECT_EQ(demo.Lines[2].State, (TDemoFrame{0, 0, true, true}));
  EXPECT_EQ(demo.Lines[3].Count, 2);
  EXPECT_EQ(demo.FrameCount(), 31);
  EXPECT_EQ(demo.FrameAt(1), demo.Lines[0].State);
  EXPECT_EQ(demo.FrameAt(2), demo.Lines[1].State);
  EXPECT_EQ(demo.FrameAt(26), demo.Lines[1].State);
  EXPECT_EQ(demo.FrameAt(27), demo.Lines[2].State);
  EXPECT_EQ(demo.FrameAt(31), demo.Lines[3].State);
}

TEST(Demo, RefusesMalformedDemosNamingTheLineAndTheFault) {
  const struct Case {
    const char* Text;
    const char* Where;
    const char* What;
  } cases[] = {
      {"", "hand.demo:1:", "first line"},
      {"gloopa-demo 3\n", "hand.demo:1:", "version 3"},
      {"gloopa demo 1\n", "hand.demo:1:", "first line"},
      {"512 384 0 0\n", "hand.demo:1:", "first line"},
      {"gloopa-demo 1\n512 384 0\n", "hand.demo:2:", "found 3 fields"},
      {"gloopa-demo 1\n# ok\n512 384 0 0 1 9\n", "hand.demo:3:", "found 6 fields"},
      {"gloopa-demo 1\n512 384 0 0\n5x2 384 0 0\n", "hand.demo:3:", "X is not an integer"},
      {"gloopa-demo 1\n512 3.5 0 0\n", "hand.demo:2:", "Y is not an integer"},
      {"gloopa-demo 1\n-32769 384 0 0\n", "hand.demo:2:", "X -32769 is out of range"},
      {"gloopa-demo 1\n1 32768 0 0\n", "hand.demo:2:", "Y 32768 is out of range"},
      {"gloopa-demo 1\n1 1 2 0\n", "hand.demo:2:", "L must be 0 or 1"},
      {"gloopa-demo 1\n1 1 0 -1\n", "hand.demo:2:", "R must be 0 or 1"},
      {"gloopa-demo 1\n1 1 0 0 -5\n", "hand.demo:2:", "negative count -5"},
      {"gloopa-demo 1\n1 1 0 0 0\n", "hand.demo:2:", "at least 1"},
      {"gloopa-demo 1\n1 1 0 0 99999999999999999999\n", "hand.demo:2:", "N is not an integer"},
      {"gloopa-demo 1\n1 1 0 0 4611686018427387903\n1 1 0 0 4611686018427387903\n",
       "hand.demo:3:", "too long"},
      // Check lines: only from version 2, each at the end of the steps before it.
      {"gloopa-demo 1\n1 1 0 0\ncheck 1 ab 0 0 0 0\n", "hand.demo:3:", "found 7 fields"},
      {"gloopa-demo 2\n1 1 0 0\ncheck 1 ab 0 0 0\n", "hand.demo:3:", "found 6 fields"},
      {"gloopa-demo 2\n1 1 0 0 5\ncheck 4 ab 0 0 0 0\n", "hand.demo:3:", "cover 5 steps"},
      {"gloopa-demo 2\ncheck 0 ab 0 0 0 0\n", "hand.demo:2:", "at least one step"},
      {"gloopa-demo 2\n1 1 0 0\ncheck 1 xyz 0 0 0 0\n", "hand.demo:3:", "HASH is not"},
      {"gloopa-demo 2\n1 1 0 0\ncheck 1 0123456789abcdef0 0 0 0 0\n",
       "hand.demo:3:", "HASH is not"},
      {"gloopa-demo 2\n1 1 0 0\ncheck 1 ab 4294967296 0 0 0\n", "hand.demo:3:", "out of range"},
      {"gloopa-demo 2\n1 1 0 0\ncheck 1 ab 0 1.5 0 0\n", "hand.demo:3:", "SCORE is not"},
      {"gloopa-demo 2\n1 1 0 0\ncheck 1 ab 0 0 0 -1\n", "hand.demo:3:", "negative"},
      {"gloopa-demo 2\n1 1 0 0\ncheck 1 ab 0 0 0 0\ncheck 1 ab 0 0 0 0\n",
       "hand.demo:4:", "a second check at step 1"},
      {"gloopa-demo 2\n1 1 0 0 2\nscore 1 50\n", "hand.demo:3:", "cover 2 steps"},
      {"gloopa-demo 2\n1 1 0 0\nscore 1 5 0\n", "hand.demo:3:", "found 4 fields"},
      {"gloopa-demo 2\n1 1 0 0\nscore 1 x\n", "hand.demo:3:", "SCORE is not"},
      {"gloopa-demo 2\n1 1 0 0\nscore 1 5\nscore 1 5\n", "hand.demo:4:", "a second score"},
      // White space that is neither a blank nor a tab: a line of no fields, in either version.
      {"gloopa-demo 2\n1 1 0 0\n\r\r\n", "hand.demo:3:", "found 0 fields"},
      {"gloopa-demo 1\n\v\n", "hand.demo:2:", "found 0 fields"},
  };
  for (const Case& c : cases) {
    TDemo demo;
    demo.Lines.push_back(TDemoLine{});
    std::string error;
    EXPECT_FALSE(ParseText(c.Text, demo, error)) << c.Text;
    EXPECT_EQ(error.rfind(c.Where, 0), 0u) << error;
    EXPECT_NE(error.find(c.What), std::string::npos) << error;
    EXPECT_TRUE(demo.Lines.empty()) << "a refused demo leaves nothing to play";
  }
}

TEST(Demo, TextWritesOneCountedLinePerStateAndReadsBackTheSame) {
  TDemo demo;
  demo.Lines = {{{512, 384, false, false}, 1},
                {{100, 700, true, false}, 40},
                {{-5, 0, true, true}, 1},
                {{3, 4, false, true}, 7}};
  const std::string text = demo.Text();
  EXPECT_EQ(text, "gloopa-demo 1\n512 384 0 0\n100 700 1 0 40\n-5 0 1 1\n3 4 0 1 7\n");
  TDemo back;
  std::string error;
  ASSERT_TRUE(ParseText(text, back, error)) << error;
  ASSERT_EQ(back.Lines.size(), demo.Lines.size());
  for (size_t i = 0; i < demo.Lines.size(); ++i) {
    EXPECT_EQ(back.Lines[i].State, demo.Lines[i].State);
    EXPECT_EQ(back.Lines[i].Count, demo.Lines[i].Count);
  }
}

TEST(Demo, SaveAndLoadThroughAFileAndReportFilesThatCannotBeUsed) {
  TDemo demo;
  demo.Lines = {{{10, 20, true, false}, 3}};
  const std::string path = ::testing::TempDir() + "gloopa_demo_test.demo";
  std::string error;
  ASSERT_TRUE(demo.Save(path, error)) << error;
  TDemo back;
  ASSERT_TRUE(TDemo::Load(path, back, error)) << error;
  EXPECT_EQ(back.FrameCount(), 3);
  std::remove(path.c_str());

  EXPECT_FALSE(demo.Save("/nonexistent-folder/x.demo", error));
  EXPECT_NE(error.find("/nonexistent-folder/x.demo"), std::string::npos);
  EXPECT_FALSE(TDemo::Load("/nonexistent-folder/x.demo", back, error));
  EXPECT_NE(error.find("cannot read"), std::string::npos);
}

TEST(Demo, PlayerGivesEveryFrameOnceInOrderThenStops) {
  TDemo demo;
  demo.Lines = {{{1, 1, false, false}, 2}, {{2, 2, true, false}, 1}, {{3, 3, false, true}, 3}};
  TDemoPlayer player(demo);
  std::vector<int32_t> xs;
  TDemoFrame f;
  while (player.Next(f)) xs.push_back(f.X);
  EXPECT_EQ(xs, (std::vector<int32_t>{1, 1, 2, 3, 3, 3}));
  EXPECT_EQ(player.FramesPlayed(), 6);
  EXPECT_FALSE(player.Next(f));

  TDemo empty;
  TDemoPlayer none(empty);
  EXPECT_FALSE(none.Next(f));
}

TEST(Demo, MessagesAreThoseARealMouseWouldSend) {
  const struct Case {
    bool HasPrevious;
    TDemoFrame Previous, Next;
    std::vector<uint32_t> Messages;
  } cases[] = {
      {false, {}, {512, 384, false, false}, {WM_MOUSEMOVE}},
      {false, {}, {10, 20, true, true}, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN}},
      {true, {10, 20, false, false}, {10, 20, false, false}, {}},
      {true, {10, 20, false, false}, {11, 20, false, false}, {WM_MOUSEMOVE}},
      {true, {10, 20, true, false}, {10, 20, false, true}, {WM_LBUTTONUP, WM_RBUTTONDOWN}},
      {true, {10, 20, true, true}, {10, 21, true, false}, {WM_MOUSEMOVE, WM_RBUTTONUP}},
  };
  for (const Case& c : cases) {
    TDemoMessage out[3];
    const int32_t n = DemoMessages(c.HasPrevious ? &c.Previous : nullptr, c.Next, out);
    ASSERT_EQ(n, int32_t(c.Messages.size()));
    for (int32_t i = 0; i < n; ++i) {
      EXPECT_EQ(out[i].Message, c.Messages[i]);
      EXPECT_EQ(out[i].LParam, MakeMouseLParam(c.Next.X, c.Next.Y));
    }
  }
}

TEST(Demo, RecorderFollowsTheWindowsMouseAndCountsRepeatedFrames) {
  TDemoRecorder rec;
  rec.EndFrame(); // no mouse yet: the window's centre, buttons up
  rec.Observe(WM_MOUSEMOVE, MakeMouseLParam(100, 700));
  rec.Observe(WM_KEYDOWN, MakeMouseLParam(1, 1));
  rec.EndFrame();
  rec.EndFrame();
  // A button message's position is not a move: only WM_MOUSEMOVE moves the mouse.
  rec.Observe(WM_LBUTTONDOWN, MakeMouseLParam(5, 5));
  rec.EndFrame();
  // Pressed and released between two frames: the frame never sees it.
  rec.Observe(WM_RBUTTONDOWN, 0);
  rec.Observe(WM_RBUTTONUP, 0);
  rec.Observe(WM_LBUTTONUP, 0);
  rec.EndFrame();
  // Dragged off the window's top-left corner: the words carry small negative numbers.
  rec.Observe(WM_MOUSEMOVE, MakeMouseLParam(-5, -7));
  rec.EndFrame();
  EXPECT_EQ(rec.Demo().Text(), TDemo::Header(2) + "512 384 0 0\n100 700 0 0 2\n100 700 1 0\n"
                                                  "100 700 0 0\n-5 -7 0 0\n");

  // Replaying the recording gives the recorder's frames back.
  TDemoPlayer player(rec.Demo());
  TDemoRecorder again;
  TDemoFrame f, previous;
  bool hasPrevious = false;
  while (player.Next(f)) {
    TDemoMessage out[3];
    const int32_t n = DemoMessages(hasPrevious ? &previous : nullptr, f, out);
    for (int32_t i = 0; i < n; ++i) again.Observe(out[i].Message, out[i].LParam);
    again.EndFrame();
    previous = f;
    hasPrevious = true;
  }
  EXPECT_EQ(again.Demo().Text(), rec.Demo().Text());
}

TEST(Demo, ChecksAndScoresEndTheRecordedLineAndReadBackWithTheirLines) {
  TDemoRecorder rec;
  for (int i = 0; i < 3; ++i) rec.EndFrame();
  const TDemoCheck check{3, 0xfedcba9876543210ull, 4294967295u, 1200, -4, 9183};
  EXPECT_FALSE(rec.Check(TDemoCheck{2})) << "only the step just recorded";
  EXPECT_TRUE(rec.Check(check));
  EXPECT_FALSE(rec.Check(check)) << "one check a step";
  EXPECT_TRUE(rec.Score(TDemoScore{3, 1200}));
  EXPECT_FALSE(rec.Score(TDemoScore{3, 1200})) << "one score a step";
  rec.EndFrame();
  EXPECT_TRUE(rec.Score(TDemoScore{4, 0}));
  rec.EndFrame();
  const std::string text = rec.Demo().Text();
  EXPECT_EQ(text, "gloopa-demo 2\n# recorded by gloopa " GLOOPA_VERSION "\n"
                  "512 384 0 0 3\n"
                  "check 3 fedcba9876543210 4294967295 1200 -4 9183\n"
                  "score 3 1200\n"
                  "512 384 0 0\n"
                  "score 4 0\n"
                  "512 384 0 0\n");

  TDemo back;
  std::string error;
  ASSERT_TRUE(ParseText(text, back, error)) << error;
  EXPECT_EQ(back.Version, 2);
  EXPECT_EQ(back.FrameCount(), 5);
  ASSERT_EQ(back.Checks.size(), 1u);
  const TDemoCheck& c = back.Checks[0];
  EXPECT_EQ(c.Step, 3);
  EXPECT_EQ(c.Hash, check.Hash);
  EXPECT_EQ(c.Seed, check.Seed);
  EXPECT_EQ(c.Score, 1200);
  EXPECT_EQ(c.Energy, -4);
  EXPECT_EQ(c.Particles, 9183);
  EXPECT_EQ(c.Line, 4);
  ASSERT_EQ(back.Scores.size(), 2u);
  EXPECT_EQ(back.Scores[0].Score, 1200);
  EXPECT_EQ(back.Scores[1].Step, 4);
  EXPECT_EQ(back.Scores[1].Line, 7);
  EXPECT_EQ(back.Text(), text);
}

TEST(Demo, ADesyncNamesTheStepTheLineBothHashesAndTheFiguresThatDiffer) {
  const TDemoCheck expected{300, 0xb54d994d858732a6ull, 7, 201, 50, 624, 12};
  TDemoCheck got = expected;
  got.Line = 0;
  EXPECT_EQ(CheckMismatch(expected, got), "");
  got.Hash = 0xc78c0d1f6dd2c5c3ull;
  EXPECT_EQ(CheckMismatch(expected, got),
            "desync at step 300 (line 12): expected b54d994d858732a6, got c78c0d1f6dd2c5c3; the "
            "seed, score, energy and particle count agree");
  got.Score = 251;
  got.Particles = 0;
  EXPECT_EQ(CheckMismatch(expected, got),
            "desync at step 300 (line 12): expected b54d994d858732a6, got c78c0d1f6dd2c5c3; "
            "differing: score (expected 201, got 251), particles (expected 624, got 0)");
  // A figure edited by hand is a desync even when the hash agrees.
  got = expected;
  got.Seed = 8;
  EXPECT_NE(CheckMismatch(expected, got).find("differing: seed (expected 7, got 8)"),
            std::string::npos);
}

TEST(Demo, FrameTimeSummaryUsesNearestRankPercentiles) {
  TFrameTimes times;
  EXPECT_EQ(times.Percentile(50), 0);
  // 1..200 ms in a shuffled order: p50 is the 100th, p99 the 198th, max the 200th.
  for (int i = 0; i < 200; ++i) times.Add(double((i * 37) % 200 + 1));
  EXPECT_EQ(times.Percentile(50), 100);
  EXPECT_EQ(times.Percentile(99), 198);
  EXPECT_EQ(times.Percentile(100), 200);
  EXPECT_EQ(times.Summary(4.0), "timedemo: 200 frames, 4.000 s, 50.0 fps, frame ms p50 100.000 "
                                "p99 198.000 max 200.000");
  TFrameTimes one;
  one.Add(2.5);
  EXPECT_EQ(one.Percentile(1), 2.5);
  EXPECT_EQ(one.Percentile(99), 2.5);
}
