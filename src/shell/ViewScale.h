#pragma once
#include <cstdint>

#include "platform/WindowMessages.h"

// The game's picture is always 4:3 and the world always reads the mouse as if the window were
// 1024 x 768. A window or screen of any other size (a desktop-sized full screen, a resized
// window, a high-DPI drawable) shows the picture scaled to fit and centred, with bars beside it;
// these functions place the picture and bring mouse positions back to the game's coordinates.

// A rectangle with X, Y from the top-left corner.
struct TViewRect {
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
  bool operator==(const TViewRect&) const = default;
};

// The largest 4:3 rectangle that fits in Width x Height, centred. A 1024 x 768 area gives
// (0, 0, 1024, 768) exactly. Empty areas give an empty rectangle.
TViewRect FitPicture(int32_t Width, int32_t Height);

// The bottom edge of Rect counted from the bottom of an area Height tall, as glViewport wants it.
int32_t GLBottom(const TViewRect& Rect, int32_t Height);

// A mouse position in a window WindowWidth x WindowHeight (the units the platform reports
// positions in) to the 1024 x 768 coordinates the world reads. Positions in the bars map beyond
// the picture's edges; results are kept within the range of the message words.
void WindowToGame(int32_t X, int32_t Y, int32_t WindowWidth, int32_t WindowHeight, int32_t& GameX,
                  int32_t& GameY);
