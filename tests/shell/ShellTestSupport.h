#pragma once
#include <cstdint>

#include "shell/GLWindow.h"

// A run of the whole shell in a window on the offscreen driver, ending after Frames (0: never).
inline TRunOptions HeadlessWindowed(int64_t Frames) {
  TRunOptions options;
  options.Headless = true;
  options.Windowed = true;
  options.Frames = Frames;
  return options;
}
