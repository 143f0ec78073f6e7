#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "WorldTestSupport.h"
#include "world/StateDump.h"

namespace {

// A Single printed into the dump must read back to exactly the same Single.
float Single(const nlohmann::json& V) {
  return float(V.get<double>());
}

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
