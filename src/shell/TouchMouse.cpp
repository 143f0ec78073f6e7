#include "shell/TouchMouse.h"

void TTouchMouse::Down(int64_t Finger, int32_t X, int32_t Y, uint64_t At) {
  if (Steering == None) {
    Steering = Finger;
    SteerSince = At;
    Fired = false;
    TapEnds = 0;
    State = TDemoFrame{X, Y, false, true};
    return;
  }
  if (Firing != None || Finger == Steering) return; // a third finger does nothing
  Firing = Finger;
  Fired = true;
  State.Left = true;
}

void TTouchMouse::Move(int64_t Finger, int32_t X, int32_t Y) {
  if (Finger != Steering) return;
  State.X = X;
  State.Y = Y;
}

void TTouchMouse::Up(int64_t Finger, uint64_t At) {
  if (Finger == Firing) {
    Firing = None;
    State.Left = false;
    return;
  }
  if (Finger != Steering) return;
  Steering = None;
  State.Right = false;
  if (!Fired && At - SteerSince <= TapLongest && Firing == None) {
    State.Left = true;
    TapEnds = At + TapHold;
  }
}

void TTouchMouse::Tick(uint64_t At) {
  if (TapEnds == 0 || At < TapEnds) return;
  TapEnds = 0;
  if (Firing == None) State.Left = false;
}
