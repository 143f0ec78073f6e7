// The soak run: the game's own shell, headless on the do-nothing GL, played for many frames by a
// seeded random mouse, with what must always hold checked every 1000 frames.
//
//   gloopa_soak [--frames N] [--seed S] [--demo FILE] [--check-every K] [--no-rss-check]
//   [--verbose]
//
// Prints "soak: N frames, F frames/s, games G, rss growth K KB, problems P" and exits 1 when
// anything was wrong. The mouse it played is recorded as it goes into FILE.part (default
// soak-S.demo.part); a failing run keeps it as FILE, so that `gloopa --timedemo FILE` replays the
// run up to the failure. A passing run deletes it.
#include <malloc.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "creatures/blobSnake.h"
#include "particles/Particle.h"
#include "particles/ParticleEngine2.h"
#include "shell/Demo.h"
#include "shell/DemoSession.h"
#include "shell/GLWindow.h"
#include "world/StateDump.h"
#include "world/gloopaMain.h"

namespace {

// The mouse of a restless player: idle stretches, moves inside and beyond the window, clicks,
// held buttons and drags, chosen by a seeded generator of its own (the game's random source is
// left alone, so the game sees exactly what a replay of the recorded demo gives it).
class TRandomPlayer {
public:
  explicit TRandomPlayer(uint64_t Seed) : State(Seed * 0x9E3779B97F4A7C15ull + 1) {}

  TDemoFrame Next() {
    if (Left == 0) Plan();
    --Left;
    if (Moving) {
      X += StepX;
      Y += StepY;
      Frame.X = int32_t(std::lround(X));
      Frame.Y = int32_t(std::lround(Y));
    }
    if (ClickFrames > 0 && --ClickFrames == 0) Frame.Left = false;
    return Frame;
  }

private:
  uint64_t Below(uint64_t N) {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return State % N;
  }
  int32_t Between(int32_t Lo, int32_t Hi) { return Lo + int32_t(Below(uint64_t(Hi - Lo + 1))); }

  void Plan() {
    Moving = false;
    switch (Below(10)) {
    case 0: // a long idle stretch
      Left = Between(200, 4000);
      return;
    case 1: // a short pause
      Left = Between(1, 60);
      return;
    case 2: // a click (which starts a game on the title screen)
      Frame.Left = true;
      ClickFrames = Between(1, 4);
      Left = ClickFrames;
      return;
    case 3: // press or release the left button and keep it
      Frame.Left = !Frame.Left;
      Left = Between(1, 600);
      return;
    case 4: // press or release the right button and keep it
      Frame.Right = !Frame.Right;
      Left = Between(1, 600);
      return;
    default: { // move, often while a button is held (a drag), sometimes beyond the window
      const bool outside = Below(4) == 0;
      const int32_t tx = outside ? Between(-600, 1600) : Between(0, 1023);
      const int32_t ty = outside ? Between(-600, 1400) : Between(0, 767);
      Left = Between(1, 150);
      X = Frame.X;
      Y = Frame.Y;
      StepX = double(tx - Frame.X) / Left;
      StepY = double(ty - Frame.Y) / Left;
      Moving = true;
      return;
    }
    }
  }

  uint64_t State;
  TDemoFrame Frame;
  int32_t Left = 0, ClickFrames = 0;
  bool Moving = false;
  double X = 512, Y = 384, StepX = 0, StepY = 0;
};

// The process's own resident memory (heap, stacks, anonymous mappings) in KB: what a leak or an
// unbounded pool would grow. Pages of the program's code and libraries, read in from their files
// the first time a rarely taken path runs, are left out, and so are free pages the allocator
// still holds (the checks' own JSON comes and goes between measurements), which are handed back
// first.
long ResidentKilobytes() {
  malloc_trim(0);
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "RssAnon:") {
      status >> value;
      return value;
    }
    status.ignore(1 << 16, '\n');
  }
  return 0;
}

constexpr float ArenaX = 800, ArenaY = 550;
// Creatures that steer without being held to the walls (plankton, sperm, predators) always turn
// back toward a target inside the arena, but a fast predator circling a snake that sits at a wall
// swings wide (460 units beyond it has been seen). Anything past this has run away.
constexpr float Reach = 1000;
// A bullet is tested against the walls before it moves, so it is seen one step beyond them.
constexpr float BulletStep = 6;

class TChecker {
public:
  std::vector<std::string> Problems;

  void Check(const TGloopa& World, int64_t Frame) {
    At = Frame;
    CheckParticles(*World.Particles->Particles);
    CheckDump(World, Frame);
  }

private:
  void Problem(const std::string& What) {
    Problems.push_back("frame " + std::to_string(At) + ": " + What);
  }
  void Range(const std::string& What, double V, double Lo, double Hi) {
    if (!std::isfinite(V) || V < Lo || V > Hi)
      Problem(What + " = " + std::to_string(V) + ", outside " + std::to_string(Lo) + ".." +
              std::to_string(Hi));
  }
  void Place(const std::string& What, const nlohmann::json& E, float Margin) {
    Range(What + ".x", E["x"].get<double>(), -ArenaX - Margin, ArenaX + Margin);
    Range(What + ".y", E["y"].get<double>(), -ArenaY - Margin, ArenaY + Margin);
  }

  // Both chains walked link by link: every node's Prev is the node before it, each chain ends at
  // its tail, a node's flag says which chain it is on, and together they hold the whole pool.
  void CheckParticles(const TParticleList& List) {
    const int32_t limit = List.Capacity + 1;
    int32_t counts[2] = {0, 0};
    for (int active = 0; active < 2; ++active) {
      const TLink* head = active ? List.ActiveHead : List.FreeHead;
      const TLink* tail = active ? List.ActiveTail : List.FreeTail;
      const char* name = active ? "live" : "free";
      const TLink* prev = nullptr;
      for (const TLink* n = head; n && counts[active] < limit; n = n->Next) {
        ++counts[active];
        if (n->Prev != prev) Problem(std::string("the ") + name + " chain's links disagree");
        if (n->OnActiveChain != bool(active))
          Problem(std::string("a node on the ") + name + " chain is flagged for the other");
        if (active) {
          const auto* p = static_cast<const TParticle*>(n);
          const bool finite = std::isfinite(p->Position.X) && std::isfinite(p->Position.Y) &&
                              std::isfinite(p->Position.Z) && std::isfinite(p->Velocity.X) &&
                              std::isfinite(p->Velocity.Y) && std::isfinite(p->Velocity.Z) &&
                              std::isfinite(p->Speed) && std::isfinite(p->Scale);
          if (!finite) Problem("a live particle has a value that is not finite");
          if (std::fabs(p->Position.X) > ArenaX || std::fabs(p->Position.Y) > ArenaY)
            Problem("a live particle lies beyond the walls");
          if (p->Life <= 0) Problem("a live particle has no life left");
        }
        prev = n;
        if (Problems.size() > 20) return;
      }
      if (prev != tail) Problem(std::string("the ") + name + " chain does not end at its tail");
    }
    if (counts[0] + counts[1] != List.Capacity)
      Problem("live " + std::to_string(counts[1]) + " + free " + std::to_string(counts[0]) +
              " particles, not " + std::to_string(List.Capacity));
    if (counts[1] != List.ActiveCount)
      Problem("the live count says " + std::to_string(List.ActiveCount) + ", the chain holds " +
              std::to_string(counts[1]));
  }

  void CheckDump(const TGloopa& World, int64_t Frame) {
    nlohmann::json d;
    try {
      d = nlohmann::json::parse(StateDumpText(World, Frame));
    } catch (const std::exception& e) {
      Problem(std::string("the state dump does not read back: ") + e.what());
      return;
    }
    try {
      // Read back exactly.
      if (d["frames"] != Frame || d["energy"] != World.Energy || d["score"] != World.Score ||
          d["hiScore"] != World.HiScore ||
          d["snake"]["x"].get<float>() != World.Snake->Position.X ||
          d["snake"]["y"].get<float>() != World.Snake->Position.Y)
        Problem("the state dump does not read back to the world's values");
      const std::string state = d["state"];
      if (state != "title" && state != "playing" && state != "gameover")
        Problem("unknown state " + state);
      Range("energy", d["energy"], 0, 50);
      Range("score", d["score"], 0, INT32_MAX);
      Range("hiScore", d["hiScore"], LastHiScore, INT32_MAX);
      LastHiScore = d["hiScore"];
      Range("predatorLimit", d["predatorLimit"], 0, INT32_MAX);
      Range("shotCooldown", d["shotCooldown"], INT32_MIN, 6);
      Range("gameOverTimer", d["gameOverTimer"], -1, 250);
      Range("liveParticles", d["liveParticles"], 0, 10000);
      const auto& s = d["snake"];
      Place("snake", s, 0);
      Range("snake.course", s["course"], 0, 360);
      Range("snake.speed", s["speed"], 0, 20);
      Range("snake.weaponMode", s["weaponMode"], 1, 3);
      Range("snake.targetX", s["targetX"], -ArenaX, ArenaX);
      Range("snake.targetY", s["targetY"], -ArenaY, ArenaY);
      for (const auto& e : d["eggs"]) Place("egg", e, 0);
      for (const auto& b : d["bullets"])
        if (b["active"].get<bool>()) Place("bullet", b, BulletStep); // one step out, then it bursts
      for (const auto& p : d["sperms"]) {
        Place("sperm", p, Reach);
        Range("sperm.course", p["course"], 0, 360);
      }
      for (const auto& p : d["plankton"]) {
        Place("plankton", p, Reach);
        Range("plankton.course", p["course"], 0, 360);
        Range("plankton.speed", p["speed"], 0, 20);
      }
      for (const auto& p : d["predators"]) {
        Place("predator", p, Reach);
        Range("predator.course", p["course"], 0, 360);
        Range("predator.kind", p["kind"], 0, 6);
      }
    } catch (const std::exception& e) {
      Problem(std::string("the state dump lacks a value: ") + e.what());
    }
  }

  int64_t At = 0;
  int32_t LastHiScore = 0;
};

} // namespace

int main(int argc, char** argv) {
  int64_t frames = 1000000, checkEvery = 1000;
  uint64_t seed = 1;
  std::string demoPath;
  bool rssCheck = true, verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--frames" && hasValue)
      frames = std::atoll(argv[++i]);
    else if (arg == "--seed" && hasValue)
      seed = std::strtoull(argv[++i], nullptr, 10);
    else if (arg == "--demo" && hasValue)
      demoPath = argv[++i];
    else if (arg == "--check-every" && hasValue)
      checkEvery = std::atoll(argv[++i]);
    else if (arg == "--verbose")
      verbose = true;
    else if (arg == "--no-rss-check")
      rssCheck = false;
    else {
      std::cerr << "usage: gloopa_soak [--frames N] [--seed S] [--demo FILE] [--check-every K] "
                   "[--no-rss-check] [--verbose]\n";
      return 2;
    }
  }
  if (frames < 1 || checkEvery < 1) {
    std::cerr << "gloopa_soak: --frames and --check-every must be at least 1\n";
    return 2;
  }
  if (demoPath.empty()) demoPath = "soak-" + std::to_string(seed) + ".demo";

  TDemoRecorder recorder;
  std::string error;
  if (!recorder.Start(demoPath, error)) {
    std::cerr << error << "\n";
    return 1;
  }
  TRandomPlayer player(seed);
  TChecker checker;
  TDemoFeed feed;
  bool wasPlaying = false;
  int64_t games = 0, played = 0; // the run stops early after a failing check
  // Memory is measured from frame 10,000 on (or the first check, in a shorter run): by then every
  // pool, cache and the allocator's arenas have reached their working size.
  const int64_t settleFrame = frames > 10000 ? 10000 : checkEvery;
  // Single readings move by a few pages either way from one check to the next, whatever the run
  // does; a leak moves them in one direction only. So the median of the first ten readings after
  // settling is compared with the median of the last ten, and anything beyond the allocator's
  // page-level jitter counts as growth.
  constexpr long RssJitterKB = 64;
  std::vector<long> settledRss, lastRss;
  auto median = [](std::vector<long> V) {
    std::sort(V.begin(), V.end());
    return V.empty() ? 0L : V[V.size() / 2];
  };

  TRunOptions options;
  options.Headless = true;
  options.Windowed = true;
  options.Frames = frames;
  options.Unpaced = true;
  options.ReplayMouse = true;
  options.OnMessage = [&](uint32_t Message, TWParam, TLParam LParam) {
    recorder.Observe(Message, LParam);
  };
  options.BeforeFrame = [&](int64_t, TGloopa&) {
    if (!checker.Problems.empty()) return false; // stop at the first failing check
    feed.Send(player.Next());
    recorder.EndFrame();
    return true;
  };
  options.AfterFrame = [&](int64_t Frame, TGloopa& World) {
    played = Frame;
    const bool playing = World.State == gsPlaying;
    if (playing && !wasPlaying) ++games;
    wasPlaying = playing;
    if (Frame % checkEvery == 0 || Frame == frames) {
      checker.Check(World, Frame);
      const long rss = ResidentKilobytes();
      if (verbose) std::cerr << "soak: frame " << Frame << ", resident " << rss << " KB\n";
      if (Frame >= settleFrame) {
        if (settledRss.size() < 10) settledRss.push_back(rss);
        lastRss.push_back(rss);
        if (lastRss.size() > 10) lastRss.erase(lastRss.begin());
      }
    }
  };

  const auto start = std::chrono::steady_clock::now();
  const int status = RunGame(nullptr, options);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (status != 0)
    checker.Problems.push_back("the game ended with status " + std::to_string(status));
  const long growth = median(lastRss) - median(settledRss);
  if (rssCheck && growth > RssJitterKB)
    checker.Problems.push_back("resident memory grew by " + std::to_string(growth) +
                               " KB after frame " + std::to_string(settleFrame));

  for (const std::string& p : checker.Problems) std::cerr << "soak: problem: " << p << "\n";
  if (!checker.Problems.empty()) {
    if (recorder.Finish(error))
      std::cerr << "soak: the failing run's mouse is in " << demoPath
                << "; replay it with gloopa --timedemo " << demoPath << "\n";
    else
      std::cerr << error << "\n";
  } else {
    recorder.Abandon();
  }
  char line[256];
  std::snprintf(line, sizeof line,
                "soak: %lld frames, %.0f frames/s, games %lld, rss growth %ld KB, problems %zu",
                (long long)played, seconds > 0 ? double(played) / seconds : 0.0, (long long)games,
                growth, checker.Problems.size());
  std::cout << line << std::endl;
  return checker.Problems.empty() ? 0 : 1;
}
