#include "world/StateDump.h"
#include "platform/WholeFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "assets/GameRandom.h"
#include "assets/VexLib3D.h"
#include "creatures/blobBullet.h"
#include "creatures/blobMutantSperm.h"
#include "creatures/blobPlankton.h"
#include "creatures/blobSnake.h"
#include "particles/ParticleEngine2.h"
#include "world/gloopaMain.h"

namespace {

// Writes keys and values in the order given, with the commas JSON needs between them.
class TJsonWriter {
public:
  std::string Text;

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray(size_t) { Open('['); }
  void EndArray() { Close(']'); }

  void Key(const char* Name) {
    Separate();
    Text += '"';
    Text += Name;
    Text += "\":";
    AfterKey = true;
  }
  void Int(int64_t V) { Raw(std::to_string(V)); }
  void UInt(uint64_t V) { Raw(std::to_string(V)); }
  void Bool(bool V) { Raw(V ? "true" : "false"); }
  void String(const char* V) { Raw(std::string("\"") + V + "\""); }
  void Single(float V) {
    // JSON has no NaN or infinity; a broken value shows up as null instead of a broken file.
    if (!std::isfinite(V)) return Raw("null");
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", double(V));
    Raw(buffer);
  }

private:
  bool First = true;
  bool AfterKey = false;

  void Separate() {
    if (AfterKey) {
      AfterKey = false;
      return;
    }
    if (!First) Text += ',';
    First = false;
  }
  void Raw(const std::string& S) {
    Separate();
    Text += S;
  }
  void Open(char C) {
    Separate();
    Text += C;
    First = true;
  }
  void Close(char C) {
    Text += C;
    First = false;
  }
};

// FNV-1a over the values alone: integers as 8 bytes and Singles as their 4 IEEE bytes, little
// endian; flags as one byte; strings with a 0 after them; each array's length before it. Keys and
// objects add nothing, so the hash depends only on the values and their order.
class THashWriter {
public:
  uint64_t Hash = 14695981039346656037ull;

  void BeginObject() {}
  void EndObject() {}
  void BeginArray(size_t Count) { UInt(Count); }
  void EndArray() {}
  void Key(const char*) {}
  void Int(int64_t V) { UInt(uint64_t(V)); }
  void UInt(uint64_t V) {
    for (int i = 0; i < 8; ++i) Byte(uint8_t(V >> (8 * i)));
  }
  void Bool(bool V) { Byte(V ? 1 : 0); }
  void String(const char* V) {
    for (; *V; ++V) Byte(uint8_t(*V));
    Byte(0);
  }
  void Single(float V) {
    uint32_t bits;
    std::memcpy(&bits, &V, sizeof bits);
    for (int i = 0; i < 4; ++i) Byte(uint8_t(bits >> (8 * i)));
  }

private:
  void Byte(uint8_t B) {
    Hash ^= B;
    Hash *= 1099511628211ull;
  }
};

const char* StateName(TGameState State) {
  switch (State) {
  case gsTitle:
    return "title";
  case gsPlaying:
    return "playing";
  case gsGameOver:
    return "gameover";
  }
  return "unknown";
}

} // namespace

// Visits every value of the world's state in the dump's order, as keys, objects and arrays of
// known length, so that the JSON text and the hash are made from one list.
template <class TWriter> void WalkState(const TGloopa& World, int64_t Frames, TWriter& w) {
  w.BeginObject();
  w.Key("frames");
  w.Int(Frames);
  w.Key("state");
  w.String(StateName(World.State));
  w.Key("seed");
  w.UInt(RandSeed);
  w.Key("score");
  w.Int(World.Score);
  w.Key("hiScore");
  w.Int(World.HiScore);
  w.Key("energy");
  w.Int(World.Energy);
  w.Key("predatorLimit");
  w.Int(World.PredatorLimit);
  w.Key("shotCooldown");
  w.Int(World.ShotCooldown);
  w.Key("gameOverTimer");
  w.Int(World.GameOverTimer);
  w.Key("introPlayed");
  w.Bool(World.IntroPlayed);

  w.Key("mouse");
  w.BeginObject();
  w.Key("x");
  w.Int(World.MouseX);
  w.Key("y");
  w.Int(World.MouseY);
  w.Key("left");
  w.Bool(World.LeftDown);
  w.Key("right");
  w.Bool(World.RightDown);
  w.EndObject();

  w.Key("camera");
  w.BeginObject();
  w.Key("x");
  w.Single(World.Camera.X);
  w.Key("y");
  w.Single(World.Camera.Y);
  w.Key("z");
  w.Single(World.Camera.Z);
  w.EndObject();

  w.Key("sphereVertexCount");
  w.Int(World.SphereModel ? World.SphereModel->VertexPositionCount : 0);
  w.Key("liveParticles");
  w.Int(World.Particles ? World.Particles->LiveCount() : 0);

  const TBlobSnake& snake = *World.Snake;
  w.Key("snake");
  w.BeginObject();
  w.Key("x");
  w.Single(snake.Position.X);
  w.Key("y");
  w.Single(snake.Position.Y);
  w.Key("course");
  w.Int(snake.Course);
  w.Key("turning");
  w.Bool(snake.Turning);
  w.Key("speed");
  w.Single(snake.Speed);
  w.Key("weaponMode");
  w.Int(snake.WeaponMode);
  w.Key("aimBearing");
  w.Int(snake.AimBearing);
  w.Key("targetX");
  w.Single(snake.Target.X);
  w.Key("targetY");
  w.Single(snake.Target.Y);
  w.EndObject();

  w.Key("eggs");
  w.BeginArray(World.Eggs.size());
  for (const TBlobEgg* egg : World.Eggs) {
    w.BeginObject();
    w.Key("x");
    w.Single(egg->Position.X);
    w.Key("y");
    w.Single(egg->Position.Y);
    w.Key("active");
    w.Bool(egg->Active);
    w.Key("bonus");
    w.Int(egg->Bonus);
    w.Key("wobbleRate");
    w.Int(egg->WobbleRate);
    w.Key("wobbleAngle");
    w.Single(egg->WobbleAngle);
    w.EndObject();
  }
  w.EndArray();

  w.Key("sperms");
  w.BeginArray(World.Sperms.size());
  for (const TBlobMutantSperm* sperm : World.Sperms) {
    w.BeginObject();
    w.Key("swimming");
    w.Bool(sperm->Swimming);
    w.Key("x");
    w.Single(sperm->Position.X);
    w.Key("y");
    w.Single(sperm->Position.Y);
    w.Key("course");
    w.Int(sperm->Course);
    w.Key("timer");
    w.Int(sperm->Timer);
    w.EndObject();
  }
  w.EndArray();

  w.Key("bullets");
  w.BeginArray(World.Bullets.size());
  for (const TBlobBullet* bullet : World.Bullets) {
    w.BeginObject();
    w.Key("active");
    w.Bool(bullet->Active);
    w.Key("x");
    w.Single(bullet->Position.X);
    w.Key("y");
    w.Single(bullet->Position.Y);
    w.Key("angle");
    w.Single(bullet->Angle);
    w.EndObject();
  }
  w.EndArray();

  w.Key("plankton");
  w.BeginArray(World.PlanktonList.size());
  for (const TBlobPlankton* plankton : World.PlanktonList) {
    w.BeginObject();
    w.Key("x");
    w.Single(plankton->Position.X);
    w.Key("y");
    w.Single(plankton->Position.Y);
    w.Key("course");
    w.Single(plankton->Course);
    w.Key("speed");
    w.Single(plankton->Speed);
    w.Key("timer");
    w.Int(plankton->Timer);
    w.Key("flapStep");
    w.Single(plankton->FlapStep);
    w.Key("targetX");
    w.Single(plankton->Target.X);
    w.Key("targetY");
    w.Single(plankton->Target.Y);
    w.EndObject();
  }
  w.EndArray();

  w.Key("predators");
  w.BeginArray(World.Predators.size());
  for (const TBlobPredator* predator : World.Predators) {
    w.BeginObject();
    w.Key("alive");
    w.Bool(predator->Alive);
    w.Key("kind");
    w.Int(predator->Kind);
    w.Key("x");
    w.Single(predator->Position.X);
    w.Key("y");
    w.Single(predator->Position.Y);
    w.Key("course");
    w.Int(predator->Course);
    w.Key("points");
    w.Int(predator->Points);
    w.Key("radius");
    w.Single(predator->Radius);
    w.Key("wobbleStep");
    w.Single(predator->WobbleStep);
    w.Key("fade");
    w.Single(predator->Fade);
    w.EndObject();
  }
  w.EndArray();

  w.Key("stars");
  w.BeginArray(std::size(World.Stars));
  for (const TStar& star : World.Stars) {
    w.BeginArray(4);
    w.Single(star.X);
    w.Single(star.Y);
    w.Single(star.Z);
    w.Int(star.Size);
    w.EndArray();
  }
  w.EndArray();

  w.EndObject();
}

std::string StateDumpText(const TGloopa& World, int64_t Frames) {
  TJsonWriter w;
  WalkState(World, Frames, w);
  w.Text += '\n';
  return w.Text;
}

uint64_t StateHash(const TGloopa& World, int64_t Frames) {
  THashWriter w;
  WalkState(World, Frames, w);
  return w.Hash;
}

bool WriteStateDump(const TGloopa& World, int64_t Frames, const std::string& Path,
                    std::string& Error) {
  std::string reason;
  if (!WriteWholeFile(Path, StateDumpText(World, Frames), reason)) {
    Error = "cannot write the state dump " + Path + ": " + reason;
    return false;
  }
  return true;
}
