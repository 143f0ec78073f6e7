#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "WorldTestSupport.h"
#include "world/StateDump.h"

namespace {

// A Single printed into the dump must read back to exactly the same Single.
float Single(const nlohmann::json& V) {
  return float(V.get<double>());
}

// The state hash worked out from a dump's JSON alone, as docs/DEMOS.md tells another program to:
// FNV-1a 64 over the values in order, with the table of which keys hold singles.
class TDumpHash {
public:
  uint64_t Hash = 14695981039346656037ull;

  void Value(const nlohmann::ordered_json& V, const std::string& Record, const std::string& Key) {
    static const std::set<std::string> singles = {
        "camera.x",         "camera.y",         "camera.z",
        "snake.x",          "snake.y",          "snake.speed",
        "snake.targetX",    "snake.targetY",    "eggs.x",
        "eggs.y",           "eggs.wobbleAngle", "sperms.x",
        "sperms.y",         "bullets.x",        "bullets.y",
        "bullets.angle",    "plankton.x",       "plankton.y",
        "plankton.course",  "plankton.speed",   "plankton.flapStep",
        "plankton.targetX", "plankton.targetY", "predators.x",
        "predators.y",      "predators.radius", "predators.wobbleStep",
        "predators.fade",   "stars.0",          "stars.1",
        "stars.2"};
    if (V.is_object()) {
      for (auto it = V.begin(); it != V.end(); ++it)
        Value(it.value(), Record.empty() ? it.key() : Record, it.key());
    } else if (V.is_array()) {
      Bytes(uint64_t(V.size()), 8);
      for (size_t i = 0; i < V.size(); ++i)
        Value(V[i], Record == Key ? Key : Record, V[i].is_array() ? Key : std::to_string(i));
    } else if (V.is_boolean()) {
      Bytes(V.get<bool>() ? 1 : 0, 1);
    } else if (V.is_string()) {
      for (const char c : V.get<std::string>()) Bytes(uint8_t(c), 1);
      Bytes(0, 1);
    } else if (singles.count(Record + "." + Key)) {
      const float f = V.get<float>();
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      Bytes(bits, 4);
    } else {
      Bytes(V.is_number_unsigned() ? V.get<uint64_t>() : uint64_t(V.get<int64_t>()), 8);
    }
  }

private:
  void Bytes(uint64_t V, int Count) {
    for (int i = 0; i < Count; ++i) {
      Hash ^= uint8_t(V >> (8 * i));
      Hash *= 1099511628211ull;
    }
  }
};

} // namespace

TEST_F(WorldTest, StateDumpHoldsEveryKeyAndReadsBackToTheSameValues) {
  StartGame(false);
  Mouse(700, 200);
  Right(true);
  Left(true);
  for (int i = 0; i < 40; ++i) RunFrame();
  // Values that only print exactly with nine significant digits.
  World->Snake->Position.X = 0.1f;
  World->Snake->Position.Y = 1.0f / 3.0f;
  World->Predators[7]->Fade = 16777215.0f;
  World->Eggs[2]->WobbleAngle = -1.17549435e-38f;

  const nlohmann::json d = nlohmann::json::parse(StateDumpText(*World, 41));
  for (const char* key : {"frames",
                          "state",
                          "seed",
                          "score",
                          "hiScore",
                          "energy",
                          "predatorLimit",
                          "shotCooldown",
                          "gameOverTimer",
                          "introPlayed",
                          "mouse",
                          "camera",
                          "sphereVertexCount",
                          "liveParticles",
                          "snake",
                          "eggs",
                          "sperms",
                          "bullets",
                          "plankton",
                          "predators",
                          "stars"})
    EXPECT_TRUE(d.contains(key)) << key;
  EXPECT_EQ(d["frames"], 41);
  EXPECT_EQ(d["state"], "playing");
  EXPECT_EQ(d["seed"].get<uint64_t>(), RandSeed);
  EXPECT_TRUE(d["seed"].is_number_unsigned());
  EXPECT_EQ(d["predatorLimit"], World->PredatorLimit);
  EXPECT_EQ(d["shotCooldown"], World->ShotCooldown);
  EXPECT_EQ(d["mouse"]["x"], World->MouseX);
  EXPECT_EQ(d["mouse"]["right"], true);
  EXPECT_EQ(Single(d["camera"]["x"]), World->Camera.X);
  EXPECT_EQ(d["liveParticles"], World->Particles->LiveCount());
  EXPECT_EQ(d["sphereVertexCount"], World->SphereModel->VertexPositionCount);

  const TBlobSnake& s = *World->Snake;
  EXPECT_EQ(Single(d["snake"]["x"]), 0.1f);
  EXPECT_EQ(Single(d["snake"]["y"]), 1.0f / 3.0f);
  EXPECT_EQ(d["snake"]["course"], s.Course);
  EXPECT_EQ(d["snake"]["turning"], s.Turning);
  EXPECT_EQ(d["snake"]["aimBearing"], s.AimBearing);
  EXPECT_EQ(Single(d["snake"]["targetX"]), s.Target.X);

  ASSERT_EQ(d["eggs"].size(), 8u);
  for (int i = 0; i < 8; ++i) {
    const TBlobEgg& e = *World->Eggs[i];
    EXPECT_EQ(Single(d["eggs"][i]["x"]), e.Position.X);
    EXPECT_EQ(d["eggs"][i]["active"], e.Active);
    EXPECT_EQ(d["eggs"][i]["bonus"], e.Bonus);
    EXPECT_EQ(d["eggs"][i]["wobbleRate"], e.WobbleRate);
    EXPECT_EQ(Single(d["eggs"][i]["wobbleAngle"]), e.WobbleAngle);
  }
  ASSERT_EQ(d["sperms"].size(), 32u);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(Single(d["sperms"][i]["y"]), World->Sperms[i]->Position.Y);
    EXPECT_EQ(d["sperms"][i]["timer"], World->Sperms[i]->Timer);
  }
  ASSERT_EQ(d["bullets"].size(), 100u);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(d["bullets"][i]["active"], World->Bullets[i]->Active);
    EXPECT_EQ(Single(d["bullets"][i]["x"]), World->Bullets[i]->Position.X);
    EXPECT_EQ(Single(d["bullets"][i]["angle"]), World->Bullets[i]->Angle);
  }
  ASSERT_EQ(d["plankton"].size(), 10u);
  for (int i = 0; i < 10; ++i) {
    const TBlobPlankton& p = *World->PlanktonList[i];
    EXPECT_EQ(Single(d["plankton"][i]["x"]), p.Position.X);
    EXPECT_EQ(Single(d["plankton"][i]["speed"]), p.Speed);
    EXPECT_EQ(Single(d["plankton"][i]["course"]), p.Course);
    EXPECT_EQ(Single(d["plankton"][i]["flapStep"]), p.FlapStep);
    EXPECT_EQ(d["plankton"][i]["timer"], p.Timer);
  }
  ASSERT_EQ(d["predators"].size(), 50u);
  for (int i = 0; i < 50; ++i) {
    const TBlobPredator& p = *World->Predators[i];
    EXPECT_EQ(d["predators"][i]["alive"], p.Alive);
    EXPECT_EQ(d["predators"][i]["kind"], p.Kind);
    EXPECT_EQ(Single(d["predators"][i]["y"]), p.Position.Y);
    EXPECT_EQ(d["predators"][i]["points"], p.Points);
    EXPECT_EQ(Single(d["predators"][i]["wobbleStep"]), p.WobbleStep);
    EXPECT_EQ(Single(d["predators"][i]["fade"]), p.Fade);
  }
  ASSERT_EQ(d["stars"].size(), 1001u);
  EXPECT_EQ(d["stars"][1000], (nlohmann::json{World->Stars[1000].X, World->Stars[1000].Y,
                                              World->Stars[1000].Z, World->Stars[1000].Size}));
}

TEST_F(WorldTest, TheStateHashCanBeWorkedOutFromTheDumpAndFollowsEveryValue) {
  StartGame(false);
  Mouse(700, 200);
  Right(true);
  Left(true);
  for (int i = 0; i < 60; ++i) RunFrame();
  ASSERT_GT(World->Particles->LiveCount(), 0);
  auto fromDump = [&] {
    TDumpHash hash;
    hash.Value(nlohmann::ordered_json::parse(StateDumpText(*World, 61)), "", "");
    return hash.Hash;
  };
  const uint64_t before = StateHash(*World, 61);
  EXPECT_EQ(fromDump(), before);
  // One value anywhere changes it: a single, a flag, an integer in a list, a star.
  World->PlanktonList[3]->FlapStep += 1;
  const uint64_t flap = StateHash(*World, 61);
  World->Eggs[1]->Active = !World->Eggs[1]->Active;
  const uint64_t egg = StateHash(*World, 61);
  World->Stars[500].Size += 1;
  const uint64_t star = StateHash(*World, 61);
  for (const uint64_t h : {flap, egg, star}) EXPECT_NE(h, before);
  EXPECT_EQ(std::set<uint64_t>({flap, egg, star}).size(), 3u);
  EXPECT_EQ(fromDump(), star);
  EXPECT_NE(StateHash(*World, 62), star) << "the step counts too";
}

TEST_F(WorldTest, StateDumpNamesEachStateAndGoesToAFile) {
  const struct Case {
    TGameState State;
    const char* Name;
  } cases[] = {{gsTitle, "title"}, {gsPlaying, "playing"}, {gsGameOver, "gameover"}};
  for (const Case& c : cases) {
    World->State = c.State;
    EXPECT_EQ(nlohmann::json::parse(StateDumpText(*World, 0))["state"], c.Name);
  }
  const std::string path = ::testing::TempDir() + "gloopa_statedump_test.json";
  std::string error;
  ASSERT_TRUE(WriteStateDump(*World, 3, path, error)) << error;
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), StateDumpText(*World, 3));
  std::remove(path.c_str());
  EXPECT_FALSE(WriteStateDump(*World, 3, "/nonexistent-folder/dump.json", error));
  EXPECT_NE(error.find("/nonexistent-folder/dump.json"), std::string::npos);
}
