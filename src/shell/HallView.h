#pragma once
// The hall of fame over the title: H on the title screen of live play shows it, and any key or
// click goes back. The world sees none of these keys and clicks, and its title is drawn as ever
// beneath.
#include <SDL.h>

// Looks at one event before it reaches the game; true when it is used up.
bool HallViewEvent(const SDL_Event& Event);

// Draws the table over the frame while it is shown.
void DrawHallView();
