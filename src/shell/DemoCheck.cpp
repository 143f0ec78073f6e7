#include "shell/DemoCheck.h"

#include <cstdio>

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"
#include "world/StateDump.h"
#include "world/gloopaMain.h"

TDemoCheck CheckOfWorld(const TGloopa& World, int64_t Step) {
  TDemoCheck check;
  check.Step = Step;
  check.Hash = StateHash(World, Step);
  check.Seed = RandSeed;
  check.Score = World.Score;
  check.Energy = World.Energy;
  check.Particles = World.Particles ? World.Particles->LiveCount() : 0;
  return check;
}

std::string CheckMismatch(const TDemoCheck& Expected, const TDemoCheck& Got) {
  const struct {
    const char* Name;
    int64_t Expected, Got;
  } figures[] = {{"seed", Expected.Seed, Got.Seed},
                 {"score", Expected.Score, Got.Score},
                 {"energy", Expected.Energy, Got.Energy},
                 {"particles", Expected.Particles, Got.Particles}};
  std::string differ;
  for (const auto& f : figures)
    if (f.Expected != f.Got)
      differ += std::string(differ.empty() ? "" : ", ") + f.Name + " (expected " +
                std::to_string(f.Expected) + ", got " + std::to_string(f.Got) + ")";
  if (Expected.Hash == Got.Hash && differ.empty()) return "";
  char head[160];
  std::snprintf(head, sizeof head, "desync at step %lld (line %lld): expected %016llx, got %016llx",
                static_cast<long long>(Expected.Step), static_cast<long long>(Expected.Line),
                static_cast<unsigned long long>(Expected.Hash),
                static_cast<unsigned long long>(Got.Hash));
  return std::string(head) + "; " +
         (differ.empty() ? "the seed, score, energy and particle count agree"
                         : "differing: " + differ);
}

std::string ScoreMismatch(const TDemoScore& Expected, bool Ended, int64_t Score) {
  if (Ended && Score == Expected.Score) return "";
  return "desync at step " + std::to_string(Expected.Step) + " (line " +
         std::to_string(Expected.Line) + "): expected a game to end with score " +
         std::to_string(Expected.Score) + ", got " +
         (Ended ? "one that ended with " : "no game ending, the score ") + std::to_string(Score);
}
