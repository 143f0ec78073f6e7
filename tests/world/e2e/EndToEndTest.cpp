// The game run as a program: hand-written demos played through the real shell, checked through
// the state dumps they leave; recordings replayed; malformed input refused.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ReferenceRandom.h"
#include "support/TestFiles.h"

namespace {

struct TRun {
  int Status = -1;
  std::string Out, Err;
};

// A file of the running test's own: ctest runs the tests side by side, each in a process.
std::string Temp(const std::string& Name) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + "gloopa_e2e_" + (test ? test->name() : "") + "_" + Name;
}

// Runs the game headless with Args. NoDraw keeps the GL context but draws nothing, which leaves
// the game's state exactly as it would be; Mesa's no-op driver holds on to memory for every frame
// drawn in play, so it is kept for short runs.
TRun RunGame(const std::string& Args, bool NoDraw = false, const std::string& Exe = GLOOPA_EXE) {
  const std::string out = Temp("stdout.txt"), err = Temp("stderr.txt");
  const std::string command = std::string(NoDraw ? "GALLIUM_NOOP=1 " : "") +
                              "SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null "
                              // The GL driver's own allocations outlive the game and cannot be
                              // attributed; the world's memory is leak-checked in test_world.
                              "ASAN_OPTIONS=detect_leaks=0 " +
                              Exe + " --headless " + Args + " >" + out + " 2>" + err;
  TRun run;
  const int raw = std::system(command.c_str());
  run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.Out = ReadFile(out);
  run.Err = ReadFile(err);
  return run;
}

std::string Demo(const std::string& Name) {
  return std::string(GLOOPA_DEMO_DIR "/") + Name;
}

// The state the real build left after each demo, kept beside the demos.
std::string ExpectedDump(const std::string& DemoName) {
  return ReadFile(std::string(GLOOPA_DEMO_DIR "/../dumps/") +
                  DemoName.substr(0, DemoName.rfind('.')) + ".json");
}

nlohmann::json PlayAndDump(const std::string& DemoPath, const std::string& DumpName,
                           const std::string& Mode = "--timedemo",
                           const std::string& Exe = GLOOPA_EXE) {
  const std::string dump = Temp(DumpName);
  std::remove(dump.c_str());
  const TRun run = RunGame(Mode + " " + DemoPath + " --statdump " + dump, false, Exe);
  EXPECT_EQ(run.Status, 0) << run.Err;
  const std::string name = DemoPath.substr(DemoPath.rfind('/') + 1);
  EXPECT_EQ(ReadFile(dump), ExpectedDump(name)) << name << " played by " << Exe;
  return nlohmann::json::parse(ReadFile(dump));
}

// A demo's lines as text, and what each is: a comment, a mouse line starting at step Start, or a
// check after step Start - 1 with its hash.
struct TDemoLineText {
  bool Comment = false, Check = false;
  int64_t Start = 0, Count = 0;
  std::string Hash;
};
struct TDemoText {
  std::vector<std::string> Text; // every line, the header first
  std::vector<TDemoLineText> Lines;
  std::vector<size_t> Checks; // indices of the check lines
  int64_t Steps = 0;
};

TDemoText ReadDemo(const std::string& Path) {
  TDemoText demo;
  std::istringstream in(ReadFile(Path));
  std::string line;
  int64_t step = 1;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    TDemoLineText what;
    what.Start = step;
    what.Comment = demo.Text.empty() || w.empty() || w[0][0] == '#';
    what.Check = !what.Comment && w[0] == "check";
    if (what.Check) {
      what.Hash = w.at(2);
      demo.Checks.push_back(demo.Text.size());
    } else if (!what.Comment) {
      what.Count = w.size() == 5 ? std::stoll(w[4]) : 1;
      step += what.Count;
    }
    demo.Text.push_back(line);
    demo.Lines.push_back(what);
  }
  demo.Steps = step - 1;
  return demo;
}

std::string Join(const std::vector<std::string>& Lines) {
  std::string text;
  for (const std::string& line : Lines) text += line + "\n";
  return text;
}

int CountTrue(const nlohmann::json& List, const char* Key) {
  int n = 0;
  for (const auto& e : List) n += e[Key].get<bool>() ? 1 : 0;
  return n;
}

} // namespace

TEST(EndToEnd, OneClickOnTheTitleStartsAGame) {
  const nlohmann::json d = PlayAndDump(Demo("start.demo"), "start.json", "--play");
  EXPECT_EQ(d["frames"], 1);
  EXPECT_EQ(d["state"], "playing");
  EXPECT_EQ(d["energy"], 50);
  EXPECT_EQ(d["score"], 0);
  EXPECT_EQ(d["hiScore"], 0);
  EXPECT_EQ(d["predatorLimit"], 2);
  EXPECT_EQ(d["shotCooldown"], 0);
  EXPECT_EQ(d["introPlayed"], true);
  EXPECT_EQ(d["mouse"], (nlohmann::json{{"x", 0}, {"y", 0}, {"left", true}, {"right", false}}));
  EXPECT_EQ(d["camera"]["x"], 0);
  EXPECT_EQ(d["camera"]["z"], -500);
  EXPECT_EQ(d["liveParticles"], 0);
  EXPECT_EQ(d["snake"]["x"], 0);
  EXPECT_EQ(d["snake"]["targetY"], 100);
  EXPECT_EQ(d["snake"]["weaponMode"], 1);
  EXPECT_EQ(d["snake"]["speed"], 2.5);
  EXPECT_EQ(CountTrue(d["eggs"], "active"), 8);
  EXPECT_EQ(CountTrue(d["predators"], "alive"), 0);
  EXPECT_EQ(CountTrue(d["bullets"], "active"), 0);
  EXPECT_EQ(CountTrue(d["sperms"], "swimming"), 0);
  ASSERT_EQ(d["eggs"].size(), 8u);
  ASSERT_EQ(d["sperms"].size(), 32u);
  ASSERT_EQ(d["bullets"].size(), 100u);
  ASSERT_EQ(d["plankton"].size(), 10u);
  ASSERT_EQ(d["predators"].size(), 50u);
  ASSERT_EQ(d["stars"].size(), 1001u);
  EXPECT_GT(d["sphereVertexCount"].get<int>(), 2);
  // Seed 0 makes the first star (Random(1600) - 800, ...) the same on every run.
  TRefRandom r;
  const int x = r.Next(1600) - 800, y = r.Next(1600) - 800, z = r.Next(500), size = r.Next(3) + 1;
  EXPECT_EQ(d["stars"][0], (nlohmann::json{x, y, z, size}));
}

TEST(EndToEnd, SteeringAndShootingFollowTheButtonsFrameByFrame) {
  const nlohmann::json d = PlayAndDump(Demo("steer_shoot.demo"), "steer.json");
  EXPECT_EQ(d["frames"], 41);
  EXPECT_EQ(d["state"], "playing");
  EXPECT_EQ(d["mouse"],
            (nlohmann::json{{"x", 1048}, {"y", 702}, {"left", false}, {"right", false}}));
  // Steered while the right button was held: the mouse point clamped to the arena.
  EXPECT_EQ(d["snake"]["targetX"], 800);
  EXPECT_EQ(d["snake"]["targetY"], 550);
  EXPECT_GT(d["snake"]["x"].get<double>(), 0);
  EXPECT_GT(d["snake"]["y"].get<double>(), 0);
  // Volleys left at frames 2, 8, 14, 20 and 26; the cooldown then fell by one a frame from 6.
  EXPECT_EQ(d["shotCooldown"], 6 - (41 - 26));
  const int active = CountTrue(d["bullets"], "active");
  if (d["score"] == 0)
    EXPECT_EQ(active, 5);
  else
    EXPECT_LT(active, 5);
  // The first volley leaves along the aim of the step before it; on the frame after the title
  // that is the reset aim, 0 degrees, so the bullet flies along +X drawn turned by -90.
  if (d["bullets"][0]["active"].get<bool>()) {
    EXPECT_EQ(d["bullets"][0]["angle"], -90);
    EXPECT_EQ(d["bullets"][0]["y"], 0);
  }
  for (int i = 1; i < active; ++i) {
    EXPECT_TRUE(d["bullets"][i]["active"].get<bool>()) << "bullets are taken from the front";
    // Later volleys are aimed at (1048, 702) from near the origin: about 34 degrees.
    EXPECT_NEAR(d["bullets"][i]["angle"].get<double>(), 34 - 90, 4);
  }
  EXPECT_LE(d["energy"].get<int>(), 50);
  EXPECT_EQ(d["hiScore"], d["score"]);
}

TEST(EndToEnd, LosingAGameReturnsToTheTitle) {
  const nlohmann::json d = PlayAndDump(Demo("lose.demo"), "lose.json");
  EXPECT_EQ(d["frames"], 6000);
  // The game was lost and the countdown ran out; the title screen has reset the next game.
  EXPECT_EQ(d["state"], "title");
  EXPECT_EQ(d["gameOverTimer"], -1);
  EXPECT_EQ(d["introPlayed"], true);
  EXPECT_EQ(d["energy"], 50);
  EXPECT_EQ(d["score"], 0);
  EXPECT_EQ(d["predatorLimit"], 2);
  EXPECT_EQ(d["liveParticles"], 0);
  EXPECT_EQ(CountTrue(d["eggs"], "active"), 0);
  EXPECT_EQ(CountTrue(d["predators"], "alive"), 0);
  int used = 0;
  for (const auto& p : d["predators"]) used += p["kind"].get<int>() != 0 ? 1 : 0;
  EXPECT_GT(used, 0) << "predators came into play during the game";
}

TEST(EndToEnd, EveryKeptDemoVerifiesAndLeavesItsDumpOnTheRealAndTheSimulationBuild) {
  // Verified headless, nothing is drawn: the long demo takes minutes to draw on a software
  // renderer. Every demo needs its dump in tests/world/dumps/ and checks of its own.
  int demos = 0;
  for (const auto& entry : std::filesystem::directory_iterator(GLOOPA_DEMO_DIR)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".demo") continue;
    ASSERT_FALSE(ExpectedDump(name).empty()) << "no kept dump for " << name;
    const TDemoText demo = ReadDemo(Demo(name));
    ASSERT_FALSE(demo.Checks.empty()) << name << " holds no checks";
    for (const std::string exe : {GLOOPA_EXE, GLOOPA_SIM_EXE}) {
      SCOPED_TRACE(name + " on " + exe);
      const std::string dump = Temp("verified_" + name + ".json");
      std::remove(dump.c_str());
      const TRun run = RunGame("--verify " + Demo(name) + " --statdump " + dump, false, exe);
      EXPECT_EQ(run.Status, 0) << run.Err;
      EXPECT_EQ(run.Out, "verify: " + std::to_string(demo.Steps) + " steps, " +
                             std::to_string(demo.Checks.size()) + " checks, all equal\n");
      EXPECT_EQ(ReadFile(dump), ExpectedDump(name));
    }
    ++demos;
  }
  EXPECT_GE(demos, 4);
}

TEST(EndToEnd, TheVerifierReportsTheFirstCheckThatDiffers) {
  const TDemoText demo = ReadDemo(Demo("long.demo"));
  // A long mouse line with the right button flipped: the game goes another way from the first
  // check after it.
  size_t mouse = 0;
  while (demo.Lines[mouse].Count < 50 || demo.Lines[mouse].Start < 1000) ++mouse;
  size_t after = mouse;
  while (!demo.Lines[after].Check) ++after;
  std::vector<std::string> changed = demo.Text;
  std::istringstream words(changed[mouse]);
  std::string x, y, left, right, count;
  words >> x >> y >> left >> right >> count;
  changed[mouse] = x + " " + y + " " + left + " " + (right == "1" ? "0" : "1") + " " + count;
  SCOPED_TRACE(demo.Text[mouse] + " made " + changed[mouse]);
  const std::string moved = Temp("moved.demo");
  WriteFile(moved, Join(changed));
  const TRun run = RunGame("--verify " + moved, false, GLOOPA_SIM_EXE);
  EXPECT_EQ(run.Status, 1);
  const std::string expected = "desync at step " + std::to_string(demo.Lines[after].Start - 1) +
                               " (line " + std::to_string(after + 1) + "): expected " +
                               demo.Lines[after].Hash + ", got ";
  EXPECT_NE(run.Err.find(expected), std::string::npos) << run.Err;
  EXPECT_EQ(run.Out.find("verify:"), std::string::npos);

  // A changed hash: reported at its own check, with the hash the game really reached.
  size_t third = 0;
  for (int seen = 0; seen < 3; ++third)
    if (demo.Lines[third].Check) ++seen;
  --third;
  changed = demo.Text;
  const std::string hash = demo.Lines[third].Hash;
  const std::string other = std::string(1, hash[0] == '0' ? '1' : '0') + hash.substr(1);
  changed[third].replace(changed[third].find(hash), hash.size(), other);
  const std::string edited = Temp("edited.demo");
  WriteFile(edited, Join(changed));
  const TRun again = RunGame("--verify " + edited, false, GLOOPA_SIM_EXE);
  EXPECT_EQ(again.Status, 1);
  EXPECT_NE(again.Err.find("desync at step " + std::to_string(demo.Lines[third].Start - 1) +
                           " (line " + std::to_string(third + 1) + "): expected " + other +
                           ", got " + hash +
                           "; the seed, score, energy and particle count "
                           "agree\n"),
            std::string::npos)
      << again.Err;
}

TEST(EndToEnd, TheStateAfterAnyStepCanBeDumped) {
  const std::string a = Temp("at300.json"), b = Temp("to300.json");
  TRun run =
      RunGame("--verify " + Demo("long.demo") + " --statdump-at 300 " + a, false, GLOOPA_SIM_EXE);
  ASSERT_EQ(run.Status, 0) << run.Err;
  run = RunGame("--timedemo " + Demo("long.demo") + " --frames 300 --statdump " + b, false,
                GLOOPA_SIM_EXE);
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(nlohmann::json::parse(ReadFile(a))["frames"], 300);
  EXPECT_EQ(ReadFile(a), ReadFile(b));
  // A step the run never reaches is reported, and the run fails.
  run = RunGame("--play " + Demo("start.demo") + " --statdump-at 5 " + a, false, GLOOPA_SIM_EXE);
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Err.find("before step 5"), std::string::npos) << run.Err;
}

TEST(EndToEnd, EveryPacingPlaysTheSameGame) {
  // Real-time pacing with and without vertical sync, the original frame-locked pacing and the
  // timed replay; a paced replay ends with its figures, and the step asked for is drawn.
  for (const std::string mode :
       {"--play", "--no-vsync --play", "--frame-locked --play", "--timedemo", "--refresh 60 --play",
        "--refresh 144 --no-interpolation --play", "--refresh 144 --timedemo"}) {
    SCOPED_TRACE(mode);
    const std::string dump = Temp("pacing.json"), shot = Temp("pacing.png");
    std::remove(dump.c_str());
    std::remove(shot.c_str());
    const TRun run = RunGame(mode + " " + Demo("steer_shoot.demo") + " --statdump " + dump +
                             " --screenshot 17 " + shot);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFile(dump), ExpectedDump("steer_shoot.demo"));
    EXPECT_FALSE(ReadFile(shot).empty());
    const bool paced =
        mode.find("--play") != std::string::npos && mode.find("frame-locked") == std::string::npos;
    EXPECT_EQ(run.Out.find("pace: 41 steps in ") != std::string::npos, paced) << run.Out;
  }
}

// Frames between the steps change nothing of the game: every kept demo, drawn as displays of 60,
// 144 and 240 Hz would show it (on the simulation build, which draws nothing, so that the long
// demos are quick), with frames blended or whole, leaves its kept dump. The frames logged blend
// the steps' own cameras by the time they are shown.
TEST(EndToEnd, EveryKeptDemoPlaysTheSameGameDrawnAtAnyRefreshRate) {
  for (const auto& entry : std::filesystem::directory_iterator(GLOOPA_DEMO_DIR)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".demo") continue;
    const std::string steps = Temp("steps.log");
    ASSERT_EQ(
        RunGame("--timedemo " + Demo(name) + " --frame-log " + steps, false, GLOOPA_SIM_EXE).Status,
        0);
    for (const std::string mode :
         {"--refresh 60", "--refresh 144", "--refresh 240", "--refresh 60 --no-interpolation"}) {
      SCOPED_TRACE(name + " " + mode);
      const std::string dump = Temp("refresh.json"), frames = Temp("frames.log");
      std::remove(dump.c_str());
      const TRun run = RunGame("--timedemo " + Demo(name) + " " + mode + " --statdump " + dump +
                                   " --frame-log " + frames,
                               false, GLOOPA_SIM_EXE);
      EXPECT_EQ(run.Status, 0) << run.Err;
      EXPECT_EQ(ReadFile(dump), ExpectedDump(name));
      if (name == "start.demo") continue; // one step: nothing moves
      const std::string measured = Temp("measured.txt");
      ASSERT_EQ(std::system((std::string(GLOOPA_FRAME_LOG_ERROR) + " " + steps + " " + frames +
                             " >" + measured)
                                .c_str()),
                0);
      const std::string measure = ReadFile(measured);
      double rms = -1;
      ASSERT_EQ(std::sscanf(measure.c_str(), "frames %*d moving %*d rms %lf", &rms), 1) << measure;
      if (mode.find("no-interpolation") == std::string::npos)
        EXPECT_LT(rms, 0.01) << measure;
      else
        EXPECT_GT(rms, 0.2) << measure;
    }
  }
}

TEST(EndToEnd, ARecordedRunReplaysToTheSameState) {
  const std::string recorded = Temp("recorded.demo"), a = Temp("a.json"), b = Temp("b.json"),
                    c = Temp("c.json");
  TRun run = RunGame(
      "--play " + Demo("steer_shoot.demo") + " --record " + recorded + " --statdump " + a, false);
  ASSERT_EQ(run.Status, 0) << run.Err;
  // The recording is the kept demo (itself recorded so) without its hand-written comments.
  std::string kept;
  for (const std::string& line : ReadDemo(Demo("steer_shoot.demo")).Text)
    if (line.rfind("# recorded by", 0) == 0 || line[0] != '#') kept += line + "\n";
  EXPECT_EQ(ReadFile(recorded), kept);
  run = RunGame("--play " + recorded + " --statdump " + b, false);
  ASSERT_EQ(run.Status, 0) << run.Err;
  run = RunGame("--timedemo " + recorded + " --statdump " + c, true);
  ASSERT_EQ(run.Status, 0) << run.Err;
  const std::string first = ReadFile(a);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(ReadFile(b), first);
  EXPECT_EQ(ReadFile(c), first) << "the pace of a replay does not change the game";
  // "timedemo: F frames, S s, P fps, frame ms p50 A p99 B max C" on a line of its own.
  int frames = 0, used = 0;
  double seconds = -1, fps = -1, p50 = -1, p99 = -1, max = -1;
  const int fields = std::sscanf(
      run.Out.c_str(), "timedemo: %d frames, %lf s, %lf fps, frame ms p50 %lf p99 %lf max %lf%n",
      &frames, &seconds, &fps, &p50, &p99, &max, &used);
  ASSERT_EQ(fields, 6) << run.Out;
  EXPECT_EQ(run.Out.substr(size_t(used)), "\n");
  EXPECT_EQ(frames, 41);
  EXPECT_GT(seconds, 0);
  // The seconds are printed to the millisecond, so a short run's rate is known only that well.
  EXPECT_GE(fps, frames / (seconds + 0.0005) * 0.999);
  if (seconds > 0.0005) {
    EXPECT_LE(fps, frames / (seconds - 0.0005) * 1.001);
  }
  EXPECT_LE(p50, p99);
  EXPECT_LE(p99, max);
  EXPECT_LE(max, seconds * 1000 + 0.001);
}

TEST(EndToEnd, AFreeRunDumpsItsStateAndARunWithoutInputRecordsTheIdleMouse) {
  const std::string recorded = Temp("idle.demo"), dump = Temp("idle.json");
  const TRun run = RunGame("--frames 30 --record " + recorded + " --statdump " + dump);
  ASSERT_EQ(run.Status, 0) << run.Err;
  const TDemoText demo = ReadDemo(recorded);
  ASSERT_EQ(demo.Text.size(), 4u);
  EXPECT_EQ(demo.Text[0], "gloopa-demo 2");
  EXPECT_EQ(demo.Text[1], "# recorded by gloopa " GLOOPA_VERSION);
  EXPECT_EQ(demo.Text[2], "512 384 0 0 30");
  EXPECT_EQ(demo.Text[3].rfind("check 30 ", 0), 0u) << "a check after the last step";
  const nlohmann::json d = nlohmann::json::parse(ReadFile(dump));
  EXPECT_EQ(d["frames"], 30);
  EXPECT_EQ(d["state"], "title");
  EXPECT_EQ(d["introPlayed"], true);
}

TEST(EndToEnd, MalformedDemosAreRefusedBeforeTheGameStarts) {
  const struct Case {
    const char* Text;
    const char* Message;
  } cases[] = {
      {"gloopa-demo 7\n", ":1: demo version 7"},
      {"gloopa-demo 1\n# fine\n512 384 1 0\n512 384 1\n", ":4: expected"},
      {"gloopa-demo 1\n512 384 1 0 -3\n", ":2: negative count"},
      {"gloopa-demo 1\n512 40000 1 0\n", ":2: Y 40000 is out of range"},
      {"gloopa-demo 2\n512 384 1 0 5\ncheck 5 00ff 7 0 0\n", ":3: expected \"check STEP"},
  };
  int i = 0;
  for (const Case& c : cases) {
    const std::string path = Temp("bad" + std::to_string(i++) + ".demo");
    const std::string dump = Temp("bad.json");
    std::remove(dump.c_str());
    WriteFile(path, c.Text);
    for (const char* mode : {"--play", "--timedemo", "--verify"}) {
      const TRun run = RunGame(std::string(mode) + " " + path + " --statdump " + dump, true);
      EXPECT_EQ(run.Status, 2) << c.Text;
      EXPECT_NE(run.Err.find(path + c.Message), std::string::npos) << run.Err;
      EXPECT_TRUE(ReadFile(dump).empty()) << "no game was run";
    }
  }
  // Nothing to compare is no proof: a demo without checks is refused by the verifier.
  WriteFile(Temp("unchecked.demo"), "gloopa-demo 2\n512 384 1 0\n");
  const TRun unchecked = RunGame("--verify " + Temp("unchecked.demo"), true);
  EXPECT_EQ(unchecked.Status, 2);
  EXPECT_NE(unchecked.Err.find("holds no checks"), std::string::npos) << unchecked.Err;
  const TRun missing = RunGame("--play " + Temp("no-such.demo"));
  EXPECT_EQ(missing.Status, 2);
  EXPECT_NE(missing.Err.find("no-such.demo"), std::string::npos);
}

TEST(EndToEnd, FilesThatCannotBeWrittenAreReportedWithAFailingStatus) {
  TRun run = RunGame("--frames 3 --statdump /nonexistent-dir/x.json");
  EXPECT_NE(run.Status, 0);
  EXPECT_NE(run.Err.find("/nonexistent-dir/x.json"), std::string::npos) << run.Err;
  run = RunGame("--frames 3 --record /nonexistent-dir/x.demo");
  EXPECT_NE(run.Status, 0);
  EXPECT_NE(run.Err.find("/nonexistent-dir/x.demo"), std::string::npos) << run.Err;
}
