#include "world/StateDump.h"
#include "platform/WholeFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <type_traits>

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

// A value's type says how it is written: Singles as Singles, flags as flags, whole numbers and
// enums as integers (unsigned ones as such), names as strings.
template <class TWriter> void Value(TWriter& w, float V) {
  w.Single(V);
}
template <class TWriter> void Value(TWriter& w, bool V) {
  w.Bool(V);
}
template <class TWriter> void Value(TWriter& w, const char* V) {
  w.String(V);
}
template <class TWriter, class T>
requires((std::is_integral_v<T> && !std::is_same_v<T, bool>) ||
         std::is_enum_v<T>) void Value(TWriter& w, T V) {
  if constexpr (std::is_unsigned_v<T>)
    w.UInt(V);
  else
    w.Int(int64_t(V));
}

// A key and its value.
template <class T> struct TField {
  const char* Name;
  T V;
};
template <class T> TField(const char*, T) -> TField<T>;

template <class TWriter, class... T> void Fields(TWriter& w, const TField<T>&... Pairs) {
  ((w.Key(Pairs.Name), Value(w, Pairs.V)), ...);
}

template <class TWriter, class... T> void Object(TWriter& w, const TField<T>&... Pairs) {
  w.BeginObject();
  Fields(w, Pairs...);
  w.EndObject();
}

// One writer per record, each giving its fields in the dump's order.
template <class TWriter> void Record(TWriter& w, const TBlobSnake& Snake) {
  Object(w, TField{"x", Snake.Position.X}, TField{"y", Snake.Position.Y},
         TField{"course", Snake.Course}, TField{"turning", Snake.Turning},
         TField{"speed", Snake.Speed}, TField{"weaponMode", Snake.WeaponMode},
         TField{"aimBearing", Snake.AimBearing}, TField{"targetX", Snake.Target.X},
         TField{"targetY", Snake.Target.Y});
}

template <class TWriter> void Record(TWriter& w, const TBlobEgg* Egg) {
  Object(w, TField{"x", Egg->Position.X}, TField{"y", Egg->Position.Y},
         TField{"active", Egg->Active}, TField{"bonus", Egg->Bonus},
         TField{"wobbleRate", Egg->WobbleRate}, TField{"wobbleAngle", Egg->WobbleAngle});
}

template <class TWriter> void Record(TWriter& w, const TBlobMutantSperm* Sperm) {
  Object(w, TField{"swimming", Sperm->Swimming}, TField{"x", Sperm->Position.X},
         TField{"y", Sperm->Position.Y}, TField{"course", Sperm->Course},
         TField{"timer", Sperm->Timer});
}

template <class TWriter> void Record(TWriter& w, const TBlobBullet* Bullet) {
  Object(w, TField{"active", Bullet->Active}, TField{"x", Bullet->Position.X},
         TField{"y", Bullet->Position.Y}, TField{"angle", Bullet->Angle});
}

template <class TWriter> void Record(TWriter& w, const TBlobPlankton* Plankton) {
  Object(w, TField{"x", Plankton->Position.X}, TField{"y", Plankton->Position.Y},
         TField{"course", Plankton->Course}, TField{"speed", Plankton->Speed},
         TField{"timer", Plankton->Timer}, TField{"flapStep", Plankton->FlapStep},
         TField{"targetX", Plankton->Target.X}, TField{"targetY", Plankton->Target.Y});
}

template <class TWriter> void Record(TWriter& w, const TBlobPredator* Predator) {
  Object(w, TField{"alive", Predator->Alive}, TField{"kind", Predator->Kind},
         TField{"x", Predator->Position.X}, TField{"y", Predator->Position.Y},
         TField{"course", Predator->Course}, TField{"points", Predator->Points},
         TField{"radius", Predator->Radius}, TField{"wobbleStep", Predator->WobbleStep},
         TField{"fade", Predator->Fade});
}

// A star is an array of four values rather than an object, to keep the dump short.
template <class TWriter> void Record(TWriter& w, const TStar& Star) {
  w.BeginArray(4);
  Value(w, Star.X);
  Value(w, Star.Y);
  Value(w, Star.Z);
  Value(w, Star.Size);
  w.EndArray();
}

template <class TWriter, class TList> void List(TWriter& w, const char* Name, const TList& Items) {
  w.Key(Name);
  w.BeginArray(std::size(Items));
  for (const auto& item : Items) Record(w, item);
  w.EndArray();
}

} // namespace

// Visits every value of the world's state in the dump's order, as keys, objects and arrays of
// known length, so that the JSON text and the hash are made from one list.
template <class TWriter> void WalkState(const TGloopa& World, int64_t Frames, TWriter& w) {
  w.BeginObject();
  Fields(w, TField{"frames", Frames}, TField{"state", StateName(World.State)},
         TField{"seed", RandSeed}, TField{"score", World.Score}, TField{"hiScore", World.HiScore},
         TField{"energy", World.Energy}, TField{"predatorLimit", World.PredatorLimit},
         TField{"shotCooldown", World.ShotCooldown}, TField{"gameOverTimer", World.GameOverTimer},
         TField{"introPlayed", World.IntroPlayed});
  w.Key("mouse");
  Object(w, TField{"x", World.MouseX}, TField{"y", World.MouseY}, TField{"left", World.LeftDown},
         TField{"right", World.RightDown});
  w.Key("camera");
  Object(w, TField{"x", World.Camera.X}, TField{"y", World.Camera.Y}, TField{"z", World.Camera.Z});
  Fields(
      w,
      TField{"sphereVertexCount", World.SphereModel ? World.SphereModel->VertexPositionCount : 0},
      TField{"liveParticles", World.Particles ? World.Particles->LiveCount() : 0});
  w.Key("snake");
  Record(w, *World.Snake);
  List(w, "eggs", World.Eggs);
  List(w, "sperms", World.Sperms);
  List(w, "bullets", World.Bullets);
  List(w, "plankton", World.PlanktonList);
  List(w, "predators", World.Predators);
  List(w, "stars", World.Stars);
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
