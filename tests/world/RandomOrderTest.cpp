// The game's random draws, replayed through whole steps against the test's own generator. Every
// run starts from seed 0, so a draw added, lost or moved anywhere changes everything after it:
// each frame the test works out from what it can see (who is in play, who died, which egg moved)
// which draws the frame must have made, in which order, and checks the seed and the values it can
// see (a spawn's kind, target and place; a bonus egg's new place).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>

#include "WorldTestSupport.h"
#include "creatures/blob.h"

namespace {

struct TSnapshot {
  std::array<bool, 50> Alive{};
  std::array<uint8_t, 50> Kind{};
  std::array<TXYZ, 50> Position{}, Target{}, Settled{};
  std::array<int32_t, 50> Course{};
  std::array<bool, 50> Turning{};
  std::array<bool, 8> EggActive{};
  std::array<uint8_t, 8> Bonus{};
  std::array<TXYZ, 8> EggPosition{};
  std::array<bool, 32> Swimming{};
  std::array<int32_t, 32> SpermTimer{};
  std::array<bool, 100> BulletActive{};
  std::array<TXYZ, 100> BulletPosition{};
  std::array<int32_t, 10> PlanktonTimer{};
  int32_t PredatorLimit = 0;
};

TSnapshot Snap(const TGloopa& W) {
  TSnapshot s;
  for (int i = 0; i < 50; ++i) {
    const TBlobPredator* p = W.Predators[i];
    s.Alive[i] = p->Alive;
    s.Kind[i] = p->Kind;
    s.Position[i] = p->Position;
    s.Target[i] = p->Target;
    s.Settled[i] = p->SettledTarget;
    s.Course[i] = p->Course;
    s.Turning[i] = p->Turning;
  }
  for (int i = 0; i < 8; ++i) {
    s.EggActive[i] = W.Eggs[i]->Active;
    s.Bonus[i] = W.Eggs[i]->Bonus;
    s.EggPosition[i] = W.Eggs[i]->Position;
  }
  for (int i = 0; i < 32; ++i) {
    s.Swimming[i] = W.Sperms[i]->Swimming;
    s.SpermTimer[i] = W.Sperms[i]->Timer;
  }
  for (int i = 0; i < 100; ++i) {
    s.BulletActive[i] = W.Bullets[i]->Active;
    s.BulletPosition[i] = W.Bullets[i]->Position;
  }
  for (int i = 0; i < 10; ++i) s.PlanktonTimer[i] = W.PlanktonList[i]->Timer;
  s.PredatorLimit = W.PredatorLimit;
  return s;
}

// What happened, counted over the whole run, so the test can show that it saw every case.
struct TSeen {
  int Spawns = 0, GrowthWithoutSlot = 0, Bursts = 0, EggsEaten = 0, Bonuses = 0, Launches = 0,
      Fertilised = 0, Swelling = 0, Shrinking = 0, GameOverFrames = 0, RunPast = 0;
  std::array<int, 7> Kills{};
};

class RandomOrderTest : public WorldTest {
protected:
  TRefRandom Ref;
  TSeen Seen;

  void Skip(int N) {
    for (int i = 0; i < N; ++i) Ref.Real();
  }
  bool AnyEggActive(const std::array<bool, 8>& Active) const {
    for (bool a : Active)
      if (a) return true;
    return false;
  }
  // Draws of a predator's death effect (kind 6 has no first ring).
  void Death(uint8_t Kind) {
    Skip(Kind == 6 ? 1 : 2);
    Skip(128 * 4); // angle, speed, life, velocity factor
    Seen.Kills[Kind] += 1;
  }

  // Replays one frame's draws, given the world before and after it.
  void Replay(const TSnapshot& B, const TSnapshot& A, TGameState State, int32_t Energy) {
    if (State == gsTitle) return;
    if (State == gsPlaying && Energy <= 0) return; // the frame that ends a game: no step
    if (State == gsGameOver) {
      Skip(2 + 128 * 4); // the explosion: two rings, then angle, push, speed, life per spark
      Seen.GameOverFrames += 1;
    }
    // Cursor sparkle: speed before the three velocity components.
    if (Ref.Real() < 0.5) Skip(4);

    // Spawn: kind, then target, then position.
    std::array<bool, 50> alive = B.Alive;
    std::array<uint8_t, 50> kind = B.Kind;
    std::array<bool, 8> eggActive = B.EggActive;
    int spawned = -1;
    TXYZ spawnTarget, spawnPosition;
    if (Ref.Real() < 0.1) {
      for (int i = 0; i < std::min(B.PredatorLimit, 50); ++i)
        if (!alive[i]) {
          spawned = i;
          break;
        }
      if (spawned >= 0) {
        const uint8_t k = uint8_t(Ref.Next(5) + 1);
        EXPECT_EQ(World->Predators[spawned]->Kind, k) << "spawned kind";
        if (k == 1 && AnyEggActive(eggActive)) Ref.Next(8);
        spawnTarget = {float(-500 + Ref.Next(1000)), float(-500 + Ref.Next(1000)), 0};
        Ref.Next(0);
        spawnPosition = {float(-500 + Ref.Next(1000)), float(-500 + Ref.Next(1000)), 0};
        Ref.Next(0);
        alive[spawned] = true;
        kind[spawned] = k;
        Seen.Spawns += 1;
      }
      if (spawned < 0) Seen.GrowthWithoutSlot += 1;
      Ref.Real(); // the limit grows with chance 0.1, slot or no slot
    }
    if (spawned >= 0 && World->Predators[spawned]->Alive) {
      // It has taken one step since: at most its speed (2) from where it was put.
      const TBlobPredator* p = World->Predators[spawned];
      EXPECT_LE(std::hypot(p->Position.X - spawnPosition.X, p->Position.Y - spawnPosition.Y), 2.01f)
          << "spawn position";
    }

    Skip(1); // the snake's wake

    for (int e = 0; e < 8; ++e)
      if (B.EggActive[e]) Skip(5); // rim, scale, three velocity components

    // Sperm: one draw each while swimming; fertilising bursts 128 pairs, and draws a bonus for
    // an egg that had none.
    for (int s = 0; s < 32; ++s) {
      if (!B.Swimming[s]) continue;
      Skip(1);
      const bool relaunched = A.Swimming[s] && A.SpermTimer[s] == 1000;
      if (B.SpermTimer[s] - 1 >= 0 && (!A.Swimming[s] || relaunched)) {
        Skip(128 * 2);
        Seen.Fertilised += 1;
      }
    }
    std::array<uint8_t, 8> bonusAfterSperm = A.Bonus;
    std::array<bool, 8> picked{};
    for (int e = 0; e < 8; ++e) {
      picked[e] = !SameXYZ(A.EggPosition[e], B.EggPosition[e]);
      if (picked[e]) bonusAfterSperm[e] = 1; // it had one to hand over
      if (B.Bonus[e] == 0 && bonusAfterSperm[e] != 0) Ref.Next(6);
    }

    // Bullets, in order: a burst at the edge; hits, handled below by who died.
    for (int b = 0; b < 100; ++b) {
      if (!B.BulletActive[b]) continue;
      const TXYZ& at = B.BulletPosition[b];
      if (at.X < -800 || at.X > 800 || at.Y < -550 || at.Y > 550) {
        Skip(20 * 4); // size, speed, life, direction
        Seen.Bursts += 1;
      }
    }
    bool changed = true;
    while (changed) {
      changed = false;
      for (int i = 0; i < 50; ++i) {
        if (!alive[i] || A.Alive[i]) continue;
        Death(kind[i]);
        if (kind[i] == 2) {
          // The brood: the first five idle slots, each prepared for the kind it still has.
          int brought = 0;
          for (int j = 0; j < 50 && brought < 5; ++j) {
            if (alive[j] || j == i) continue;
            if (kind[j] == 1 && AnyEggActive(eggActive)) Ref.Next(8);
            alive[j] = true;
            kind[j] = 6;
            ++brought;
          }
        }
        alive[i] = false;
        changed = true;
      }
    }

    // Pick-ups, egg by egg: a bonus egg moves (X before Y); an empty one launches a sperm.
    for (int e = 0; e < 8; ++e) {
      if (picked[e]) {
        const float x = float(Ref.Next(1600) - 800);
        const float y = float(Ref.Next(1100) - 550);
        EXPECT_EQ(World->Eggs[e]->Position.X, x) << "bonus egg X";
        EXPECT_EQ(World->Eggs[e]->Position.Y, y) << "bonus egg Y";
        Seen.Bonuses += 1;
        continue;
      }
      for (int s = 0; s < 32; ++s) {
        const bool launched = A.Swimming[s] && A.SpermTimer[s] == 1000;
        if (launched && World->Sperms[s]->TargetEgg == World->Eggs[e]) {
          Skip(2);
          Seen.Launches += 1;
        }
      }
    }

    for (int i = 0; i < 10; ++i) {
      if (B.PlanktonTimer[i] - 1 <= 0) Skip(2);
      Skip(1);
    }

    // Predators, in order, by kind.
    int eaten = 0;
    for (int e = 0; e < 8; ++e)
      if (B.EggActive[e] && !A.EggActive[e]) ++eaten;
    for (int i = 0; i < 50; ++i) {
      const TBlobPredator* p = World->Predators[i];
      if (!p->Alive) continue;
      switch (p->Kind) {
      case 1: {
        // Running past its point picks a new egg.
        TXYZ position = i == spawned ? spawnPosition : B.Position[i];
        const TXYZ target = i == spawned ? spawnTarget : B.Target[i];
        int32_t course = B.Course[i];
        bool turning = B.Turning[i];
        TXYZ settled = B.Settled[i];
        if (SteerStep(position, target, course, turning, settled, 2, 1, 1)) {
          if (AnyEggActive(B.EggActive)) Ref.Next(8);
          Seen.RunPast += 1;
        } else if (i == spawned) {
          EXPECT_TRUE(SameXYZ(p->Target, spawnTarget)) << "a kind 1 keeps the target it was given";
        }
        Skip(3); // the spark behind: life, scale, velocity factor
        break;
      }
      case 3:
        if (Ref.Real() < 0.1) Ref.Next(96);
        break;
      case 4:
        Ref.Next(60);
        if (p->PulseStep > 0) {
          Ref.Next(18);
          Seen.Swelling += 1;
        } else {
          Seen.Shrinking += 1;
        }
        break;
      case 5:
      case 6:
        Ref.Real();
        break;
      default:
        break;
      }
    }
    // Each egg eaten: two rings, then per pair an angle and two sparks of speed, life, push.
    Skip(eaten * (2 + 128 * 7));
    Seen.EggsEaten += eaten;
  }
};

} // namespace

TEST_F(RandomOrderTest, DrawsFollowTheirOrderThroughWholeStepsOfPlay) {
  // Construction: stars, eggs (sign, rate, then place), sperm, plankton, predators (wobble, then
  // a vertex and a length per spike).
  const int32_t vertices = World->SphereModel->VertexPositionCount;
  TRefRandom setUp;
  for (int i = 0; i < 1001 * 4 + 8 * 4 + 32 * 5 + 10 * 9 + 50 * (1 + 2 * (vertices / 3)); ++i)
    setUp.Real();
  EXPECT_EQ(RandSeed, setUp.Seed) << "RandSeed after the world's construction";
  Ref.Seed = RandSeed;

  Mouse(700, 200);
  Left(true);
  Right(true);
  int frame = 0;
  auto run = [&] {
    const TSnapshot before = Snap(*World);
    const TGameState state = World->State;
    const int32_t energy = World->Energy;
    RunFrame();
    const TSnapshot after = Snap(*World);
    Replay(before, after, state, energy);
    ++frame;
    ASSERT_EQ(RandSeed, Ref.Seed) << "frame " << frame;
  };
  run(); // the title frame that starts the game
  ASSERT_EQ(World->State, gsPlaying);

  // Three slots busy far away under a limit of three: spawn rolls find no free slot, and the
  // limit-growth draw is still made.
  World->PredatorLimit = 3;
  PlacePredator(0, pdSpikySphere, -780, 530);
  PlacePredator(1, pdSpikySphere, 780, 530);
  PlacePredator(2, pdSpikySphere, -780, -530);
  for (int i = 0; i < 100; ++i) {
    World->Energy = 50;
    run();
    if (HasFatalFailure()) return;
  }
  World->PredatorLimit = 12;
  for (int i = 0; i < 260; ++i) {
    World->Energy = 50;
    // Sweep the aim round so bullets reach the walls and the predators.
    Mouse(512 + int(300 * std::cos(i * 0.05)), 384 + int(250 * std::sin(i * 0.05)));
    const TXYZ aim{float(World->MouseX), float(World->MouseY), 0};
    const TXYZ snake = World->Snake->Position;
    if (i % 40 == 5) {
      // A predator of each kind in the line of fire, to be shot.
      const auto k = TPredatorKind(1 + (i / 40) % 5);
      PlacePredator(20 + i / 40, k, (snake.X + aim.X) / 2, (snake.Y + aim.Y) / 2);
    }
    if (i == 30) PlacePredator(30, pdSpikySphere, (snake.X + aim.X) / 2, (snake.Y + aim.Y) / 2);
    if (i == 60 || i == 150) {
      // A kind 1 on an egg in play eats it.
      for (int e = 0; e < 8; ++e) {
        if (!World->Eggs[e]->Active) continue;
        PlacePredator(40 + i / 60, pdSpiral, World->Eggs[e]->Position.X + 5,
                      World->Eggs[e]->Position.Y);
        break;
      }
    }
    if (i == 80 || i == 200) {
      // An egg with a bonus under the snake, and one without.
      World->Eggs[6]->Bonus = bnTwoBullets;
      World->Eggs[6]->Position = World->Snake->Position;
      World->Eggs[7]->Position = World->Snake->Position;
    }
    run();
    if (HasFatalFailure()) return;
  }
  // The energy runs out: the countdown's explosions, with the world still running.
  World->Energy = 0;
  for (int i = 0; i < 40; ++i) {
    run();
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(World->State, gsGameOver);

  EXPECT_GT(Seen.Spawns, 0);
  EXPECT_GT(Seen.GrowthWithoutSlot, 0);
  EXPECT_GT(Seen.Bursts, 0);
  EXPECT_GT(Seen.EggsEaten, 0);
  EXPECT_GT(Seen.Bonuses, 0);
  EXPECT_GT(Seen.Launches, 0);
  EXPECT_GT(Seen.Swelling, 0);
  EXPECT_GT(Seen.Shrinking, 0);
  EXPECT_EQ(Seen.GameOverFrames, 39);
  for (int k = 1; k <= 6; ++k) EXPECT_GT(Seen.Kills[k], 0) << "no kind " << k << " was killed";
}
