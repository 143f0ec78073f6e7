#include <gtest/gtest.h>

#include <GL/gl.h>

#include "CreatureTestSupport.h"
#include "creatures/blobBullet.h"
#include "creatures/blobEgg.h"
#include "creatures/blobMutantSperm.h"
#include "creatures/blobPlankton.h"
#include "creatures/blobSnake.h"
#include "text/GLPrinter.h"

namespace {

// Each creature is drawn alone at a known place and must light pixels there and nowhere else.
class PixelTest : public TCreatureTest {
protected:
  GLTestContext& GL = GLTestContext::Get();

  // Lit pixels within HalfSize world units of (WX, WY), and lit pixels in the whole frame.
  void CountAround(float WX, float WY, float HalfSize, int& Inside, int& Total, int Threshold) {
    int x0, y0, x1, y1;
    GLTestContext::WorldToPixel(WX - HalfSize, WY + HalfSize, 0, 0, x0, y0);
    GLTestContext::WorldToPixel(WX + HalfSize, WY - HalfSize, 0, 0, x1, y1);
    Inside = GL.CountLit(x0, y0, x1, y1, Threshold);
    Total = GL.CountLit(0, 0, GLTestContext::Width - 1, GLTestContext::Height - 1, Threshold);
  }
};

TEST_F(PixelTest, SnakeHeadSegmentsAndTargetMarker) {
  TBlobSnake snake;
  snake.Position = {-100, -300, 0};
  snake.Target = {-100, 200, 0};
  snake.SettledTarget = snake.Target;
  snake.Course = 90;
  snake.AimX = -100;
  snake.AimY = 400;
  for (int i = 0; i < 160; ++i) {
    GL.BeginFrame();
    StepAndDraw(snake);
  }
  GL.SavePNG("creature_snake.png");
  ASSERT_NEAR(snake.Position.Y, 100, 1e-2);
  int inside, total;
  // Head and the twelve segments lie on the line below the head.
  CountAround(-100, -50, 180, inside, total, 30);
  EXPECT_GT(inside, 400);
  // The marker: white, 16 units across.
  int px, py;
  GLTestContext::WorldToPixel(-100, 200, 0, 0, px, py);
  const auto centre = GL.Pixel(px, py);
  EXPECT_GT(centre[0], 200);
  EXPECT_GT(centre[1], 200);
  int marker, unused;
  CountAround(-100, 200, 12, marker, unused, 30);
  EXPECT_GT(marker, 15);
  EXPECT_EQ(total, inside + marker);
  // The head is 0.3 grey.
  GLTestContext::WorldToPixel(-100, 100 - 12, 0, 0, px, py);
  int headLit = GL.CountLit(px - 12, py - 2, px + 12, py + 2, 30);
  EXPECT_GT(headLit, 8);
}

TEST_F(PixelTest, BulletTriangle) {
  TBlobBullet bullet;
  bullet.Position = {250, 150 - 6, 0};
  bullet.Target = CosSinTable[90];
  bullet.Angle = 0;
  bullet.SetActive(true);
  StepAndDraw(bullet);
  GL.SavePNG("creature_bullet.png");
  int inside, total;
  CountAround(250, 156, 10, inside, total, 60);
  EXPECT_GT(inside, 15);
  EXPECT_EQ(inside, total);
  int px, py;
  GLTestContext::WorldToPixel(250, 150, 0, 0, px, py);
  const auto base = GL.Pixel(px, py);
  EXPECT_GT(base[0], 150);
}

TEST_F(PixelTest, PlanktonBodyAndFeelers) {
  TBlobPlankton plankton;
  plankton.Position = {-300, 200, 0};
  plankton.Target = {-300, 260, 0};
  plankton.Turning = false;
  plankton.SettledTarget = plankton.Target;
  plankton.Course = 90;
  plankton.Speed = 0;
  plankton.FlapAngle = 0;
  plankton.FlapStep = 2;
  StepAndDraw(plankton);
  GL.SavePNG("creature_plankton.png");
  int inside, total;
  CountAround(-300, 200, 12, inside, total, 20);
  EXPECT_GT(inside, 10);
  EXPECT_EQ(inside, total);
}

TEST_F(PixelTest, EggCircleAndRedLabel) {
  TGLPrinter printer;
  TBlobEgg egg;
  egg.Printer = &printer;
  egg.Position = {150, -250, 0};
  egg.WobbleRate = 0;
  egg.Bonus = bnTwoBullets;
  egg.SetActive(true);
  StepAndDraw(egg);
  GL.SavePNG("creature_egg.png");
  int inside, total;
  CountAround(150, -250, 25, inside, total, 30);
  EXPECT_GT(inside, 30);
  EXPECT_EQ(inside, total);
  // The label is red: some pixels have red well above green and blue.
  const std::vector<uint8_t> rgb = GL.ReadRGB();
  int red = 0;
  for (size_t i = 0; i < rgb.size(); i += 3)
    if (rgb[i] > 120 && rgb[i + 1] < 60) ++red;
  EXPECT_GT(red, 10);

  // A value outside 1..6 has no label; an egg out of play draws nothing at all.
  GL.BeginFrame();
  egg.Bonus = TBonus(7);
  StepAndDraw(egg);
  const std::vector<uint8_t> plain = GL.ReadRGB();
  red = 0;
  for (size_t i = 0; i < plain.size(); i += 3)
    if (plain[i] > 120 && plain[i + 1] < 60) ++red;
  EXPECT_EQ(red, 0);
  CountAround(150, -250, 25, inside, total, 30);
  EXPECT_GT(inside, 30);
  GL.BeginFrame();
  egg.SetActive(false);
  StepAndDraw(egg);
  EXPECT_EQ(GL.CountLit(0, 0, GLTestContext::Width - 1, GLTestContext::Height - 1, 10), 0);
}

TEST_F(PixelTest, MutantSpermTrailAndHead) {
  TBlobEgg egg;
  egg.Position = {600, 300, 0};
  TEggList eggs{&egg};
  TBlobMutantSperm sperm;
  sperm.Eggs = &eggs;
  sperm.Position = {300, -200, 0};
  sperm.ResetTrail();
  sperm.Target = egg.Position;
  sperm.SetSwimming(true);
  for (int i = 0; i < 24; ++i) {
    GL.BeginFrame();
    StepAndDraw(sperm);
  }
  GL.SavePNG("creature_sperm.png");
  int inside, total;
  CountAround(305, -195, 20, inside, total, 30);
  EXPECT_GT(inside, 12);
  EXPECT_EQ(inside, total);
}

} // namespace
