#pragma once
#include <cstdint>
#include <functional>

#include "assets/VexLib3DTypes.h"
#include "platform/WindowMessages.h"

union SDL_Event;

// A game controller turned into the mouse messages the world already takes, so that demos record
// and replay a pad game like any other: the left stick places the pointer around the snake, the
// right trigger holds the move (right) button, A or the right shoulder holds the shoot (left)
// button, which on the title screen also starts a game. One pad is in use at a time; pads may
// come and go while the game runs, and a pad that goes away lets go of every button it held.
class TGamePad {
public:
  using TSend = std::function<void(uint32_t Message, TWParam WParam, TLParam LParam)>;

  // How far from the snake, in window pixels, a fully deflected stick puts the pointer.
  static constexpr float Radius = 200;
  // Stick deflections below this leave the pointer alone, so a resting stick never fights the
  // mouse.
  static constexpr float DeadZone = 0.25f;
  // The trigger holds the move button from this far in, and lets go below ReleaseAt.
  static constexpr float PressAt = 0.5f;
  static constexpr float ReleaseAt = 0.35f;

  // Takes controller events (added, removed, axes, buttons); returns false for any other event.
  // Button changes are sent at once, with the pointer position last sent or seen.
  bool HandleEvent(const SDL_Event& Event, const TSend& Send);
  // Once per frame: while the stick is deflected, moves the pointer around the snake.
  void Tick(const TXYZ& SnakePosition, const TSend& Send);
  // Opens the first controller present, if none is open yet (pads already plugged in at start).
  void OpenAny();
  // Closes the pad in use (at the end of a run).
  void Close();
  bool Active() const { return Controller != nullptr; }
  // The pointer the mouse or the pad last placed, as the move message carried it.
  void NotePointer(TLParam LParam) { Pointer = LParam; }

  // The window pixel the pointer goes to for a stick deflected by (DX, DY) (each -1..1, Y down),
  // with the snake at SnakePosition in world units: the inverse of the world's reading of the
  // mouse, plus the deflection times Radius.
  static void PointAround(const TXYZ& SnakePosition, float DX, float DY, int32_t& X, int32_t& Y);

private:
  void Release(const TSend& Send);
  void SendButtons(const TSend& Send);

  void* Controller = nullptr; // SDL_GameController
  int32_t Instance = -1;
  float StickX = 0, StickY = 0;
  bool A = false, Shoulder = false, Trigger = false;
  bool ShootSent = false, MoveSent = false;
  TLParam Pointer = MakeMouseLParam(512, 384);
};
