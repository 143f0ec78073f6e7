#include <gtest/gtest.h>

#include "shell/ViewScale.h"

TEST(ViewScale, ThePictureFitsCentredAt4To3) {
  const struct Case {
    int32_t w, h;
    TViewRect rect;
  } cases[] = {
      {1024, 768, {0, 0, 1024, 768}},     // the game's own size: untouched
      {1920, 1080, {240, 0, 1440, 1080}}, // a wide desktop: bars left and right
      {2048, 1536, {0, 0, 2048, 1536}},   // high-DPI drawable of a 1024 x 768 window
      {800, 800, {0, 100, 800, 600}},     // taller than 4:3: bars above and below
      {1280, 1024, {0, 32, 1280, 960}},
      {1366, 768, {171, 0, 1024, 768}},
      {1, 1, {0, 0, 1, 1}},
      {0, 0, {}},
      {-5, 10, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(FitPicture(c.w, c.h), c.rect) << c.w << "x" << c.h;
  // glViewport counts from the bottom: an odd remainder puts the extra row at the top.
  const TViewRect odd = FitPicture(400, 301);
  EXPECT_EQ(odd, (TViewRect{0, 0, 400, 300}));
  EXPECT_EQ(GLBottom(odd, 301), 1);
  EXPECT_EQ(GLBottom(FitPicture(800, 800), 800), 100);
}

TEST(ViewScale, MousePositionsMapBackToTheGamesWindowCoordinates) {
  const struct Case {
    int32_t w, h, x, y, gameX, gameY;
  } cases[] = {
      // A 1024 x 768 window maps every position to itself, off the edges too.
      {1024, 768, 0, 0, 0, 0},
      {1024, 768, 1023, 767, 1023, 767},
      {1024, 768, 517, 211, 517, 211},
      {1024, 768, -5, -7, -5, -7},
      {1024, 768, 1500, 900, 1500, 900},
      // 1920 x 1080: the picture is 1440 x 1080 starting 240 pixels in.
      {1920, 1080, 240, 0, 0, 0},
      {1920, 1080, 960, 540, 512, 384},
      {1920, 1080, 1679, 1079, 1023, 767},
      {1920, 1080, 0, 0, -171, 0}, // in the left bar: beyond the picture's left edge
      {1920, 1080, 1919, 540, 1193, 384},
      // A window shrunk to half size, and one with bars above and below.
      {512, 384, 256, 192, 512, 384},
      {512, 384, 1, 1, 2, 2},
      {800, 800, 400, 100, 512, 0},
      {800, 800, 400, 99, 512, -2},
      // Far outside: held to the range of the message words.
      {16, 12, 30000, -30000, 32767, -32768},
  };
  for (const Case& c : cases) {
    int32_t x = 0, y = 0;
    WindowToGame(c.x, c.y, c.w, c.h, x, y);
    EXPECT_EQ(x, c.gameX) << c.w << "x" << c.h << " at " << c.x << "," << c.y;
    EXPECT_EQ(y, c.gameY) << c.w << "x" << c.h << " at " << c.x << "," << c.y;
  }
}
