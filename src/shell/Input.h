#pragma once
#include <SDL.h>

#include "shell/WindowMessages.h"

class TGamePad;

// Turns one mouse, key or pad event into the window messages a Win32 window would have received
// and sends them to GameWindowProc. A replay drives the mouse itself, so with ReplayMouse the
// platform's mouse and pad are not passed on. Other events are left to the caller.
void TranslateInput(const SDL_Event& Event, THandle Handle, bool ReplayMouse, TGamePad& Pad);
