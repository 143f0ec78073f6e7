#pragma once
// The player's controls over a live game and the sound, beside the game's own input: pausing (P,
// Pause, or the window losing focus), the master volume (-, =, M), and keeping the choices the
// player makes in the settings.
#include <SDL.h>

struct TGameWindow;

// Looks at one event before it reaches the game. Returns true when the event is used up: a click
// that ends a pause, a button pressed while paused.
bool LiveControlEvent(const SDL_Event& Event, TGameWindow& Window);

// Asked by the loops before each step: true while live play is paused, when no step runs. Shows
// the paused picture when it must be shown again and waits for the next event. When a pause
// ends, Shell.PauseEnded is set for the pacing to go on from then.
bool PauseHeld(TGameWindow& Window);

// A pause asked for (Shell.PauseAsked) begins after one more step, drawn: its frame is kept
// before the swap, to be shown under the "Paused" line (the front buffer cannot be read back
// everywhere).
void KeepPausedFrame(TGameWindow& Window);
void BeginPause();

// Sets the world's sound to the master volume and the mute.
void ApplyVolume();

// Draws the volume line over the frame for a second after a volume key.
void DrawVolumeLine();
