#include "shell/ViewScale.h"

#include <algorithm>

namespace {

// Floor division, so that positions left of or above the picture stay distinct from its edge.
int64_t FloorDiv(int64_t A, int64_t B) {
  int64_t q = A / B;
  if ((A % B != 0) && ((A < 0) != (B < 0))) --q;
  return q;
}

} // namespace

TViewRect FitPicture(int32_t Width, int32_t Height) {
  if (Width <= 0 || Height <= 0) return {};
  TViewRect rect;
  if (int64_t(Width) * GameViewHeight >= int64_t(Height) * GameViewWidth) {
    // Wider than 4:3: full height, bars left and right.
    rect.Height = Height;
    rect.Width = int32_t((int64_t(Height) * GameViewWidth * 2 + GameViewHeight) /
                         (2 * GameViewHeight)); // rounded to the nearest pixel
    rect.Width = std::min(rect.Width, Width);
  } else {
    rect.Width = Width;
    rect.Height =
        int32_t((int64_t(Width) * GameViewHeight * 2 + GameViewWidth) / (2 * GameViewWidth));
    rect.Height = std::min(rect.Height, Height);
  }
  rect.X = (Width - rect.Width) / 2;
  rect.Y = (Height - rect.Height) / 2;
  return rect;
}

int32_t GLBottom(const TViewRect& Rect, int32_t Height) {
  return Height - Rect.Y - Rect.Height;
}

void WindowToGame(int32_t X, int32_t Y, int32_t WindowWidth, int32_t WindowHeight, int32_t& GameX,
                  int32_t& GameY) {
  const TViewRect rect = FitPicture(WindowWidth, WindowHeight);
  if (rect.Width <= 0 || rect.Height <= 0) {
    GameX = ClampToWord(X);
    GameY = ClampToWord(Y);
    return;
  }
  GameX = ClampToWord(FloorDiv((int64_t(X) - rect.X) * GameViewWidth, rect.Width));
  GameY = ClampToWord(FloorDiv((int64_t(Y) - rect.Y) * GameViewHeight, rect.Height));
}
