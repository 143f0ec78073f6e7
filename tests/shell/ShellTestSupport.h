#pragma once
#include <cstdint>

#include "shell/GLWindow.h"

// A run of the whole shell in a window on the offscreen driver, ending after Frames steps (0:
// never).
inline TRunOptions HeadlessWindowed(int64_t Frames) {
  TRunOptions options;
  options.Headless = true;
  options.Windowed = true;
  options.Frames = Frames;
  // Paced as a player's run is, but with every step drawn, so that each step's frame can be
  // checked however slowly the machine draws.
  options.ChooseDraw = [](int64_t, bool) { return true; };
  return options;
}
