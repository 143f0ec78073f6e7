#pragma once
#include <SDL.h>

#include "platform/WindowMessages.h"
#include "shell/TouchMouse.h"

class TGamePad;

// A touch screen's fingers, and the mouse state last sent for them.
struct TTouchInput {
  TTouchMouse Fingers;
  TDemoFrame Sent;
  bool Used = false; // a finger has touched: the mouse state is the fingers'
};

// Turns one mouse, key or pad event into the window messages a Win32 window would have received
// and sends them to GameWindowProc. A replay drives the mouse itself, so with ReplayMouse the
// platform's mouse and pad are not passed on. Other events are left to the caller.
// Fingers become the mouse messages TTouchMouse makes of them.
void TranslateInput(const SDL_Event& Event, THandle Handle, bool ReplayMouse, TGamePad& Pad,
                    TTouchInput& Touch);

// Before each step: lets a tap's button go when its time has come.
void TickTouch(TTouchInput& Touch, THandle Handle);

// The real mouse as the world would see it: its position in the 1024 x 768 coordinates and its
// buttons. False when the mouse is not over the window Handle.
bool RealMouse(THandle Handle, int32_t& X, int32_t& Y, bool& Left, bool& Right);
