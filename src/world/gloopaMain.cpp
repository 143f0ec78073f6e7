#include "world/gloopaMain.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "assets/GameRandom.h"
#include "assets/VexLib3D.h"
#include "creatures/blobBullet.h"
#include "creatures/blobMutantSperm.h"
#include "creatures/blobPlankton.h"
#include "creatures/blobSnake.h"
#include "particles/ParticleEngine2.h"
#include "sound/frmDXSounds.h"
#include "text/GLPrinter.h"

namespace {

constexpr int32_t StartEnergy = 50;
constexpr int32_t StartPredatorLimit = 2;
constexpr int32_t ShotInterval = 6;
constexpr int32_t BulletTimer = 250;
constexpr int32_t GameOverCountdown = 250;
constexpr int32_t SpermsPerEgg = 2;
constexpr int32_t SpermTailPoint = 96;
const TXYZ SpawnBoxMin{-500, -500, 0};
const TXYZ SpawnBoxMax{500, 500, 0};

// A random whole-unit place in the arena for an egg: X is drawn before Y; Z is left alone.
void PlaceInArena(TXYZ& Position) {
  Position.X = ArenaMinX + float(Random(int32_t(ArenaMaxX - ArenaMinX)));
  Position.Y = ArenaMinY + float(Random(int32_t(ArenaMaxY - ArenaMinY)));
}

// Two creatures touch when their squared X-Y distance is below the sum of their squared radii.
bool Touching(const TBlob& A, const TBlob& B) {
  return DistanceSqXY(A.Position, B.Position) < A.Radius * A.Radius + B.Radius * B.Radius;
}

// Makes Count creatures of one kind into List, each throwing its particles through Engine, then
// hands each to SetUp; a creature is in the list before SetUp runs, so a throw frees it too.
template <class TCreature, class TSetUp>
void FillPool(std::vector<TCreature*>& List, int32_t Count, TParticleEngine2* Engine,
              TSetUp SetUp) {
  List.reserve(size_t(Count));
  for (int32_t i = 0; i < Count; ++i) {
    TCreature* creature = new TCreature();
    List.push_back(creature);
    creature->Engine = Engine;
    SetUp(*creature);
  }
}

} // namespace

#ifndef GLOOPA_VERSION
#define GLOOPA_VERSION "1.0.0"
#endif

std::string GameCredits() {
  return "Gloopa, by the Gloopa developers, version " GLOOPA_VERSION;
}

TGloopa::TGloopa(TGLPrinter* Printer) : Printer(Printer) {
  // A model that fails to load throws after telling the user; whatever was built by then must
  // still be freed, so the constructor cleans up before passing the error on. The parts run in
  // this order because each takes its random numbers in turn.
  try {
    JellyModel = new TMS3DObj();
    JellyModel->LoadFromFile("jelly.txt");
    Sounds = new TFormSounds();
    Particles = new TParticleEngine2();
    Snake = new TBlobSnake();
    Snake->Engine = Particles;
    ScatterStars();
    MakeEggs();
    MakeSperms();
    FillPool(Bullets, BulletCount, Particles, [](TBlobBullet&) {});
    FillPool(PlanktonList, PlanktonCount, Particles, [](TBlobPlankton&) {});
    SphereModel = new TMS3DObj();
    SphereModel->LoadFromFile("sphere.txt");
    MakePredators();
  } catch (...) {
    Release();
    throw;
  }
}

// Each star draws X, Y, Z, then its size.
void TGloopa::ScatterStars() {
  for (TStar& star : Stars) {
    star.X = float(Random(1600) - 800);
    star.Y = float(Random(1600) - 800);
    star.Z = float(Random(500));
    star.Size = Random(3) + 1;
  }
}

void TGloopa::MakeEggs() {
  FillPool(Eggs, EggCount, Particles, [&](TBlobEgg& egg) {
    PlaceInArena(egg.Position);
    egg.Position.Z = 0;
    egg.Printer = Printer;
    egg.SetActive(true);
  });
}

// Each sperm starts somewhere near the middle, aimed a little off a random egg: it draws its X
// and Y, the egg, then the aim's X and Y offsets.
void TGloopa::MakeSperms() {
  FillPool(Sperms, SpermCount, Particles, [&](TBlobMutantSperm& sperm) {
    sperm.Position.X = float(Random(800) - 400);
    sperm.Position.Y = float(Random(800) - 400);
    sperm.Position.Z = 0;
    sperm.ResetTrail();
    const TBlobEgg* egg = Eggs[Random(8)];
    sperm.Target.X = egg->Position.X + float(Random(10) - 5);
    sperm.Target.Y = egg->Position.Y + float(Random(10) - 5);
    sperm.Target.Z = egg->Position.Z;
    sperm.Eggs = &Eggs;
  });
}

void TGloopa::MakePredators() {
  FillPool(Predators, PredatorCount, Particles, [&](TBlobPredator& predator) {
    predator.OnKilled = [this](TBlobPredator* Sender) { PredatorKilled(Sender); };
    predator.SetModel(SphereModel);
    predator.OnEggEaten = [this](TBlobPredator* Sender) { PredatorAteEgg(Sender); };
    predator.SetKind(pdNone);
    predator.Eggs = &Eggs;
    predator.Predators = &Predators;
    predator.Snake = Snake;
    predator.BodyModel = JellyModel;
  });
}

TGloopa::~TGloopa() {
  Release();
}

void TGloopa::Release() {
  delete SphereModel;
  SphereModel = nullptr;
  delete Particles;
  Particles = nullptr;
  delete Snake;
  Snake = nullptr;
  for (TBlobEgg* egg : Eggs) delete egg;
  Eggs.clear();
  for (TBlobMutantSperm* sperm : Sperms) delete sperm;
  Sperms.clear();
  for (TBlobBullet* bullet : Bullets) delete bullet;
  Bullets.clear();
  for (TBlobPlankton* plankton : PlanktonList) delete plankton;
  PlanktonList.clear();
  for (TBlobPredator* predator : Predators) delete predator;
  Predators.clear();
  delete Sounds;
  Sounds = nullptr;
  delete JellyModel;
  JellyModel = nullptr;
}

void TGloopa::HandleMessage(THandle, uint32_t Message, TWParam, TLParam LParam) {
  switch (Message) {
  case WM_MOUSEMOVE:
    // The words are signed: while a button is held the window goes on reporting the mouse beyond
    // its left and top edges, as small negative numbers. Read as unsigned, a mouse dragged just
    // off the left edge would aim and steer at the far right.
    MouseToWorld(MouseLParamX(LParam), MouseLParamY(LParam), MouseX, MouseY);
    break;
  case WM_LBUTTONDOWN:
    LeftDown = true;
    break;
  case WM_LBUTTONUP:
    LeftDown = false;
    break;
  case WM_RBUTTONDOWN:
    RightDown = true;
    break;
  case WM_RBUTTONUP:
    RightDown = false;
    break;
  default:
    break;
  }
}

void TGloopa::MouseToWorld(int32_t X, int32_t Y, int32_t& WorldX, int32_t& WorldY) const {
  // The product is formed in integers, the division in floating point, and the result cut toward
  // zero.
  WorldX = int32_t(std::trunc(double((X - ViewWidth / 2) * MouseSpanX) / double(ViewWidth)));
  WorldY = -int32_t(std::trunc(double((Y - ViewHeight / 2) * MouseSpanY) / double(ViewHeight)));
}

TBlobBullet* TGloopa::FreeBullet() {
  for (TBlobBullet* bullet : Bullets)
    if (!bullet->Active) return bullet;
  return nullptr;
}

TBlobPredator* TGloopa::FreePredator() {
  const int32_t limit = std::min<int32_t>(PredatorLimit, int32_t(Predators.size()));
  for (int32_t i = 0; i < limit; ++i)
    if (!Predators[i]->Alive) return Predators[i];
  return nullptr;
}

int32_t TGloopa::SpermsOnEgg(const TBlobEgg* Egg) const {
  int32_t count = 0;
  for (const TBlobMutantSperm* sperm : Sperms)
    if (sperm->Swimming && sperm->TargetEgg == Egg) ++count;
  return count;
}

void TGloopa::PredatorKilled(const TBlobPredator* Sender) {
  // Like the other counters, the score stops at the top of its range instead of wrapping round
  // to a negative number.
  Score = int32_t(std::clamp<int64_t>(int64_t(Score) + Sender->Points, INT32_MIN, INT32_MAX));
  Sounds->GruntHit();
}

void TGloopa::PredatorAteEgg(const TBlobPredator*) {
  Sounds->PodHit();
}

void TGloopa::Frame() {
  Advance();
  Draw(1);
}

void TGloopa::SetRecording(bool On) {
  Particles->Recording = On;
}

void TGloopa::Advance() {
  const TWorldShown before = Showing;
  TWorldShown& shown = Showing;
  shown.Kind = fkNothing;
  shown.View = Camera;
  // The mouse changes only between frames.
  shown.CursorX = float(MouseX);
  shown.CursorY = float(MouseY);
  switch (State) {
  case gsTitle:
    FrameTitle();
    break;
  case gsPlaying:
    FramePlaying();
    break;
  case gsGameOver:
    FrameGameOver();
    break;
  }
  shown.Camera = Camera;
  // The title puts the camera back in the middle, and its first frame still hangs the view above
  // where the snake was: the title's frames, and a game's first, start where they are. The frame
  // that ends a game shows nothing but the credits, under the same camera as the game's.
  const bool goesOn = before.Kind != fkTitle && shown.Kind != fkTitle;
  shown.ViewFrom = goesOn ? before.View : shown.View;
  shown.CameraFrom = goesOn ? before.Camera : shown.Camera;
  shown.CursorFromX = goesOn ? before.CursorX : shown.CursorX;
  shown.CursorFromY = goesOn ? before.CursorY : shown.CursorY;
  if (shown.Kind == fkTitle) ForgetShown();
}

void TGloopa::ForgetShown() {
  Snake->Shown = false;
  for (TBlobEgg* egg : Eggs) egg->Shown = false;
  for (TBlobMutantSperm* sperm : Sperms) sperm->Shown = false;
  for (TBlobBullet* bullet : Bullets) bullet->Shown = false;
  for (TBlobPlankton* plankton : PlanktonList) plankton->Shown = false;
  for (TBlobPredator* predator : Predators) predator->Shown = false;
}

void TGloopa::ShowDisplay() {
  Showing.Scores = {HiScore, Score, Energy};
}

TXYZ TGloopa::ViewAt(float Fraction) const {
  return Blend(Showing.ViewFrom, Showing.View, Fraction);
}

TXYZ TGloopa::CameraAt(float Fraction) const {
  return Blend(Showing.CameraFrom, Showing.Camera, Fraction);
}

TXYZ TGloopa::CursorAt(float Fraction) const {
  return {Blend(Showing.CursorFromX, Showing.CursorX, Fraction),
          Blend(Showing.CursorFromY, Showing.CursorY, Fraction), 0};
}

void TGloopa::Draw(float Fraction, const TXYZ* Cursor) const {
  const TWorldShown& shown = Showing;
  const TXYZ camera = CameraAt(Fraction);
  switch (shown.Kind) {
  case fkTitle:
    DrawTitle(camera, shown.TitlePulse);
    break;
  case fkArena: {
    DrawArena();
    DrawStars();
    const TXYZ cursor = Cursor ? *Cursor : CursorAt(Fraction);
    DrawCursor(cursor.X, cursor.Y);
    DrawEggIcons(camera, shown.EggIcons);
    DrawCreatures(Fraction);
    Particles->Draw(Fraction);
    DrawDisplay(camera, shown.Scores);
    break;
  }
  case fkNothing:
    break;
  }
  DrawCredits(camera);
}

// In the order the step moves them.
void TGloopa::DrawCreatures(float Fraction) const {
  if (Snake->Shown) Snake->Draw(Fraction);
  for (const TBlobEgg* egg : Eggs)
    if (egg->Shown) egg->Draw(Fraction);
  for (const TBlobMutantSperm* sperm : Sperms)
    if (sperm->Shown) sperm->Draw(Fraction);
  for (const TBlobBullet* bullet : Bullets)
    if (bullet->Shown) bullet->Draw(Fraction);
  for (const TBlobPlankton* plankton : PlanktonList)
    if (plankton->Shown) plankton->Draw(Fraction);
  for (const TBlobPredator* predator : Predators)
    if (predator->Shown) predator->Draw(Fraction);
}

void TGloopa::FrameTitle() {
  if (!IntroPlayed) {
    IntroPlayed = true;
    Sounds->Intro();
  }
  for (TBlobEgg* egg : Eggs) egg->SetActive(false);
  Snake->Reset();
  PredatorLimit = StartPredatorLimit;
  Energy = StartEnergy;
  Score = 0;
  ShotCooldown = 0;
  Camera = TXYZ{0, 0, -500};
  for (TBlobPredator* predator : Predators) predator->SetAlive(false);
  Particles->Clear();
  if (LeftDown) {
    for (TBlobEgg* egg : Eggs) egg->SetActive(true);
    State = gsPlaying;
  }
  Bounce(TitlePulse, TitlePulseStep, 0.5f, 1.0f);
  Showing.Kind = fkTitle;
  Showing.TitlePulse = TitlePulse;
}

void TGloopa::FramePlaying() {
  HiScore = std::max(HiScore, Score);
  if (Energy <= 0) {
    // The frame that ends a game shows nothing of the arena; the countdown starts next frame.
    Energy = 0;
    State = gsGameOver;
    GameOverTimer = GameOverCountdown;
    return;
  }
  Step();
  if (Energy < 0) Energy = 0;
  ShowDisplay();
}

void TGloopa::FrameGameOver() {
  IntroPlayed = false;
  HiScore = std::max(HiScore, Score);
  Snake->Speed = 0;
  GameOverExplosion();
  Step();
  // Predators still touching the stopped snake go on taking energy.
  if (Energy < 0) Energy = 0;
  ShowDisplay();
  GameOverTimer -= 1;
  if (GameOverTimer < 0) {
    Sounds->PlayerHit();
    State = gsTitle;
  }
}

void TGloopa::GameOverExplosion() {
  const TXYZ& at = Snake->Position;
  for (const TXYZ& colour : {TXYZ{1, 1, 1}, TXYZ{1, 0, 0}}) {
    const float speed = float(Random() * 6);
    Particles->Spawn(BurstRing(at, colour, speed));
  }
  // Draws per spark: angle, push, speed, life.
  for (int32_t i = 0; i < 128; ++i) {
    const int32_t a = Random(360);
    const TXYZ& dir = CosSinTable[a];
    const TXYZ position{at.X + dir.X * 20, at.Y + dir.Y * 20, at.Z + dir.Z * 20};
    const float push = float(Random(10));
    const TXYZ velocity{dir.X * push, dir.Y * push, dir.Z * push};
    const float speed = float(Random());
    const int32_t life = 32 + Random(16);
    Particles->Spawn(BurstSpark(position, velocity, pkPoint, {0, 0, 1}, speed, life));
  }
}

void TGloopa::EmitCursorSparkle() {
  if (Random() < 0.5) {
    const float speed = float(Random());
    const float u = float(Random()), v = float(Random()), w = float(Random());
    Particles->Spawn({.Position = {float(MouseX), float(MouseY), 0},
                      .Velocity = {2 * u - 1, 2 * v - 1, 2 * w - 1},
                      .Kind = pkPointSphere,
                      .Colour = {1, 1, 1},
                      .Size = 1,
                      .Speed = speed,
                      .TailLength = 32,
                      .Life = 22,
                      .Scale = 6});
  }
}

void TGloopa::Step() {
  // The arena, the stars, the cursor and the egg icons are shown first, as they are now.
  Showing.Kind = fkArena;
  Showing.EggIcons = EggsInPlay();
  EmitCursorSparkle();

  if (Random() < 0.1) {
    if (TBlobPredator* predator = FreePredator()) {
      predator->SetKind(TPredatorKind(Random(5) + 1)); // pdSpiral to pdDart
      predator->SetAlive(true);
      RandomXYZ(SpawnBoxMin, SpawnBoxMax, predator->Target);
      RandomXYZ(SpawnBoxMin, SpawnBoxMax, predator->Position);
    }
    // The limit has no upper bound: past 50 every idle slot may be spawned.
    if (Random() < 0.1 && PredatorLimit < std::numeric_limits<int32_t>::max()) PredatorLimit += 1;
  }

  if (RightDown) {
    Snake->Target = TXYZ{float(MouseX), float(MouseY), 0};
    ClampXY(Snake->Target, ArenaMinX, ArenaMaxX, ArenaMinY, ArenaMaxY);
  }

  // The cooldown falls every step, held button or not; it stops at the bottom of its range
  // rather than wrapping round after years of idling.
  if (ShotCooldown > std::numeric_limits<int32_t>::min()) ShotCooldown -= 1;
  if (LeftDown && ShotCooldown <= 0) {
    ShotCooldown = ShotInterval;
    FireVolley();
  }

  Snake->AimX = float(MouseX);
  Snake->AimY = float(MouseY);
  Snake->Update();

  for (TBlobEgg* egg : Eggs) egg->Update();
  for (TBlobMutantSperm* sperm : Sperms) sperm->Update();

  for (TBlobBullet* bullet : Bullets) {
    bullet->Update();
    if (!bullet->Active) continue;
    // The same bullet goes on being tested after a hit, so it takes out every predator it
    // overlaps now, including brood that a dying predator has just brought in further down.
    for (TBlobPredator* predator : Predators) {
      if (!predator->Alive || !Touching(*predator, *bullet)) continue;
      predator->Kill();
      predator->SetAlive(false);
      bullet->SetActive(false);
    }
  }

  PickUpEggs();

  for (TBlobPredator* predator : Predators) {
    if (!predator->Alive || !Touching(*predator, *Snake)) continue;
    Sounds->PodChildDestroyed();
    Energy -= 1;
  }

  for (TBlobPlankton* plankton : PlanktonList) plankton->Update();
  for (TBlobPredator* predator : Predators) predator->Update();
  Particles->Update();
}

void TGloopa::FireVolley() {
  switch (Snake->WeaponMode) {
  case wmOneBullet:
    FireBullet(0);
    break;
  case wmTwoBullets:
    FireBullet(2);
    FireBullet(-2);
    break;
  case wmThreeBullets:
    FireBullet(0);
    FireBullet(3);
    FireBullet(-3);
    break;
  default:
    break;
  }
}

void TGloopa::FireBullet(int32_t Offset) {
  TBlobBullet* bullet = FreeBullet();
  if (!bullet) return;
  Sounds->PlayerShoot();
  bullet->ResetFrameCount();
  bullet->Position = Snake->Position;
  bullet->Target = CosSinTable[WrapAngle(Snake->AimBearing + Offset)];
  bullet->SetActive(true);
  bullet->Timer = BulletTimer;
  // Every bullet of a volley is drawn with the aim's rotation, whatever its own offset.
  bullet->Angle = float(Snake->AimBearing - 90);
}

void TGloopa::PickUpEggs() {
  for (TBlobEgg* egg : Eggs) {
    if (!egg->Active || !Touching(*egg, *Snake)) continue;
    if (egg->Bonus != bnNone) {
      Sounds->BonusReverb();
      Snake->ApplyBonus(egg->Bonus);
      egg->Bonus = bnNone;
      PlaceInArena(egg->Position);
    } else {
      LaunchSperm(egg);
    }
  }
}

void TGloopa::LaunchSperm(TBlobEgg* Egg) {
  for (TBlobMutantSperm* sperm : Sperms) {
    if (sperm->Swimming || SpermsOnEgg(Egg) >= SpermsPerEgg) continue;
    sperm->TargetEgg = Egg;
    TXYZ tail;
    Snake->GetTrailPoint(SpermTailPoint, tail);
    sperm->Position = tail;
    sperm->Position.X += float(Random(32) - 16);
    sperm->Position.Y += float(Random(32) - 16);
    sperm->ResetTrail();
    sperm->Target = Egg->Position;
    sperm->SetSwimming(true);
    return;
  }
}
