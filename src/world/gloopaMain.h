#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "assets/VexLib3DTypes.h"
#include "creatures/blobEgg.h"
#include "creatures/blobPredator.h"
#include "platform/WindowMessages.h"

class TGLPrinter;
class TMS3DObj;
class TFormSounds;
class TParticleEngine2;
class TBlobSnake;
class TBlobBullet;
class TBlobPlankton;
class TBlobMutantSperm;

enum TGameState : uint8_t { gsTitle = 0, gsPlaying = 1, gsGameOver = 2 };

// One background point; Size is its point size in pixels (1..3).
struct TStar {
  float X = 0, Y = 0, Z = 0;
  int32_t Size = 0;
};

// What a frame shows besides the credits: nothing (the frame that ends a game), the title, or the
// arena with everything in it and the display.
enum TFrameKind : uint8_t { fkNothing = 0, fkTitle = 1, fkArena = 2 };

// The score line as a frame shows it.
struct TShownScores {
  int32_t HiScore = 0, Score = 0, Energy = 0;
};

// What the world showed in its last frame, beyond what each creature and the particles keep, and
// where the moving parts of it were a frame before.
struct TWorldShown {
  TFrameKind Kind = fkNothing;
  // The camera the view hangs from (placed by the shell before the frame), and the one the texts
  // are placed by (the title puts it back in the middle during its frame).
  TXYZ View, ViewFrom, Camera, CameraFrom;
  float CursorX = 0, CursorY = 0, CursorFromX = 0, CursorFromY = 0;
  uint32_t EggIcons = 0; // bit i: egg i was in play when the icons were drawn
  float TitlePulse = 0;
  TShownScores Scores;
};

using TBulletList = std::vector<TBlobBullet*>;
using TPlanktonList = std::vector<TBlobPlankton*>;
using TSpermList = std::vector<TBlobMutantSperm*>;

// The credits line drawn at the bottom of every frame: the game's name, its authors, its version.
std::string GameCredits();

// The game world: owns every creature, both models, the particle engine and the sound bank for as
// long as the window exists. Every creature is made here once and switched in and out of play by
// its flag; nothing is created or freed while a game runs.
class TGloopa {
public:
  static constexpr int32_t StarCount = 1001;
  static constexpr int32_t EggCount = 8;
  static constexpr int32_t SpermCount = 32;
  static constexpr int32_t BulletCount = 100;
  static constexpr int32_t PlanktonCount = 10;
  static constexpr int32_t PredatorCount = 50;

  // Needs a current GL context: the models and the particle engine upload textures while loading.
  // The printer is borrowed; the caller frees it after the world.
  explicit TGloopa(TGLPrinter* Printer);
  ~TGloopa();
  TGloopa(const TGloopa&) = delete;
  TGloopa& operator=(const TGloopa&) = delete;

  bool IntroPlayed = false;
  int32_t GameOverTimer = 0;
  float TitlePulse = 0.5f;
  float TitlePulseStep = 0.01f;
  TGameState State = gsTitle;
  int32_t PredatorLimit = 0;
  TMS3DObj* JellyModel = nullptr;
  TFormSounds* Sounds = nullptr;
  TMS3DObj* SphereModel = nullptr;
  TStar Stars[StarCount];
  int32_t ShotCooldown = 0;
  TBulletList Bullets;
  TPlanktonList PlanktonList;
  TEggList Eggs;
  TSpermList Sperms;
  TPredatorList Predators;
  TParticleEngine2* Particles = nullptr;
  int32_t MouseX = 0, MouseY = 0;
  bool LeftDown = false, RightDown = false;
  int32_t ViewWidth = GameViewWidth, ViewHeight = GameViewHeight;
  // The window's width and height span this many world units of mouse position.
  static constexpr int32_t MouseSpanX = 2200, MouseSpanY = 1900;
  TBlobSnake* Snake = nullptr;
  TGLPrinter* Printer = nullptr;
  int32_t Energy = 0;
  int32_t Score = 0;
  int32_t HiScore = 0;
  // Written by the shell before every Frame: the point the camera hangs 500 units above.
  TXYZ Camera;
  // Every star and particle drawn on its own in immediate mode: the reference for the batched
  // drawing, which must leave the very same pixels.
  bool ImmediateDrawing = false;
  // What the last frame showed, for Draw.
  TWorldShown Showing;

  void SetImmediateDrawing(bool On);
  // Whether the particles keep what they show: off when no frame will be drawn of the next steps
  // (the particles are the one part whose keeping costs time).
  void SetRecording(bool On);

  // Only the mouse messages have an effect; every other message is ignored.
  void HandleMessage(THandle Handle, uint32_t Message, TWParam WParam, TLParam LParam);
  // The world's position of a window point, as the mouse messages place the mouse.
  void MouseToWorld(int32_t X, int32_t Y, int32_t& WorldX, int32_t& WorldY) const;
  // One frame of the state machine, drawing nothing: while a game runs or is being lost, one Step
  // of the world. What it would show is kept, for Draw.
  void Advance();
  // Draws what the last Advance showed, each moving thing at Fraction (0..1) of a step between
  // where it was the frame before and where it is: at 1, exactly that frame. Cursor, when given,
  // is where the cursor is drawn instead (the mouse as it is now, in world units).
  void Draw(float Fraction = 1, const TXYZ* Cursor = nullptr) const;
  // The camera the view of a frame drawn at Fraction hangs from, as World.Camera holds it (Z is
  // minus the height); and the cursor that frame draws (the shown one, blended).
  TXYZ ViewAt(float Fraction) const;
  // The camera the texts of that frame are placed by.
  TXYZ CameraAt(float Fraction) const;
  TXYZ CursorAt(float Fraction) const;
  // One frame, then that frame drawn: Advance, then Draw at the frame's own time.
  void Frame();

  // First idle bullet in list order, or nullptr.
  TBlobBullet* FreeBullet();
  // First idle predator among the first min(PredatorLimit, 50) entries, or nullptr.
  TBlobPredator* FreePredator();
  // How many sperm are swimming toward Egg.
  int32_t SpermsOnEgg(const TBlobEgg* Egg) const;
  void PredatorKilled(const TBlobPredator* Sender);
  void PredatorAteEgg(const TBlobPredator* Sender);

  void Step();
  // The sparkle the cursor throws off on about half the steps.
  void EmitCursorSparkle();

  // Drawing pieces of the frame, in the order Draw calls them. They are const and draw no random
  // numbers, so they change nothing of the world; the stars' scratch space below is refilled by
  // every draw. Camera is the one the texts and icons are placed by.
  void DrawArena() const;
  void DrawStars() const;
  // The stars in one draw per point size; false (nothing drawn) for a size it cannot group.
  bool DrawStarsBySize() const;
  void DrawCursor(float X, float Y) const;
  // Bit i of Icons: egg i is in play.
  void DrawEggIcons(const TXYZ& Camera, uint32_t Icons) const;
  // A negative energy is shown as 0.
  void DrawDisplay(const TXYZ& Camera, const TShownScores& Scores) const;
  void DrawTitle(const TXYZ& Camera, float Pulse) const;
  void DrawCredits(const TXYZ& Camera) const;
  // Every egg in play now, as DrawEggIcons takes them.
  uint32_t EggsInPlay() const;

private:
  // Scratch space for the batched stars, filled anew by every draw.
  mutable float StarVertices[StarCount * 3] = {};
  void Release();
  // The constructor's parts, in the order it runs them.
  void ScatterStars();
  void MakeEggs();
  void MakeSperms();
  void MakePredators();
  void DrawCreatures(float Fraction) const;
  void ForgetShown();
  void ShowDisplay();
  void FrameTitle();
  void FramePlaying();
  void FrameGameOver();
  void FireVolley();
  void FireBullet(int32_t Offset);
  void PickUpEggs();
  void LaunchSperm(TBlobEgg* Egg);
  void GameOverExplosion();
};
