#pragma once
// What the fingers on a touch screen make of the mouse, so that the world sees nothing new and a
// game played by touch records and replays as any other:
//   - the first finger steers: while it is down, the right button is held at its point;
//   - a second finger anywhere fires: while it is down, the left button is held, aiming where the
//     first finger is;
//   - a short tap of one finger alone fires one volley at its point (and on the title screen
//     starts a game, as a click does): the left button is held for TapHold, then let go.
// Pure: the times are given, in milliseconds.
#include <cstdint>

#include "shell/Demo.h"

class TTouchMouse {
public:
  static constexpr uint64_t TapLongest = 250; // ms: a finger down longer steers, and fires nothing
  static constexpr uint64_t TapHold = 40;     // ms: a tap holds the left button this long

  void Down(int64_t Finger, int32_t X, int32_t Y, uint64_t At);
  void Move(int64_t Finger, int32_t X, int32_t Y);
  void Up(int64_t Finger, uint64_t At);
  // Lets a tap's button go once it has been held for TapHold.
  void Tick(uint64_t At);
  // The mouse as the fingers hold it.
  const TDemoFrame& Mouse() const { return State; }

private:
  static constexpr int64_t None = -1;
  TDemoFrame State;
  int64_t Steering = None, Firing = None;
  uint64_t SteerSince = 0;
  bool Fired = false;   // a second finger came while the first was down
  uint64_t TapEnds = 0; // a tap's left button is let go then (0: no tap held)
};
