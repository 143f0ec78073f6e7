#pragma once
#include <SDL.h>

#include "platform/WindowMessages.h"

class TGamePad;

// Turns one mouse, key or pad event into the window messages a Win32 window would have received
// and sends them to GameWindowProc. A replay drives the mouse itself, so with ReplayMouse the
// platform's mouse and pad are not passed on. Other events are left to the caller.
void TranslateInput(const SDL_Event& Event, THandle Handle, bool ReplayMouse, TGamePad& Pad);

// The real mouse as the world would see it: its position in the 1024 x 768 coordinates and its
// buttons. False when the mouse is not over the window Handle.
bool RealMouse(THandle Handle, int32_t& X, int32_t& Y, bool& Left, bool& Right);
