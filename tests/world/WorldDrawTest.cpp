#include <gtest/gtest.h>

#include <GL/gl.h>

#include "WorldTestSupport.h"

namespace {

// Lit pixels in the part of the window above the credits line (which takes the bottom rows).
int LitAboveCredits() {
  return GLTestContext::Get().CountLit(0, 0, 1023, 720, 20);
}

void Save(const char* Name) {
  GLTestContext::Get().SavePNG(Name);
}

} // namespace

TEST_F(WorldTest, TitleScreenShowsTheTitleTextsAndNothingOfTheArena) {
  RunFrame();
  GLTestContext& gl = GLTestContext::Get();
  Save("world_title.png");
  // "Gloopa" at (-175, 200) with scale 4: six 50-unit cells from x = -200.
  int px, py;
  GLTestContext::WorldToPixel(-50, 200, 0, 0, px, py);
  EXPECT_GT(gl.CountLit(px - 150, py - 40, px + 150, py + 40), 500);
  // The subtitle line at y = 0 and the instructions at y = -32.
  GLTestContext::WorldToPixel(0, 0, 0, 0, px, py);
  EXPECT_GT(gl.CountLit(px - 250, py - 8, px + 200, py + 8), 200);
  GLTestContext::WorldToPixel(0, -32, 0, 0, px, py);
  EXPECT_GT(gl.CountLit(px - 250, py - 8, px + 200, py + 8), 200);
  // Nothing where the arena border or the snake would be.
  EXPECT_EQ(gl.CountLit(0, 0, 1023, 150, 20), 0);
  // The credits line in the bottom-left corner.
  EXPECT_GT(gl.CountLit(0, 740, 700, 767, 20), 100);
}

TEST_F(WorldTest, TheFrameThatEndsTheGameShowsOnlyTheCredits) {
  StartGame();
  RunFrame();
  EXPECT_GT(LitAboveCredits(), 1000) << "a playing frame draws the arena and the display";
  World->Energy = 0;
  RunFrame();
  ASSERT_EQ(World->State, gsGameOver);
  EXPECT_EQ(LitAboveCredits(), 0);
  EXPECT_GT(GLTestContext::Get().CountLit(0, 740, 700, 767, 20), 100);
}

TEST_F(WorldTest, DisplayShowsScoreHighScoreAndEnergyAtTheTopAndFollowsTheCamera) {
  StartGame();
  GLTestContext& gl = GLTestContext::Get();
  for (float snakeX : {0.0f, 700.0f}) {
    World->Snake->Position = TXYZ{snakeX, 0, 0};
    RunFrame();
    // The camera clamps at +-372.093 and the texts move with it, so they stay put on screen.
    int px, py;
    GLTestContext::WorldToPixel(World->Camera.X - 480, World->Camera.Y + 450, World->Camera.X,
                                World->Camera.Y, px, py);
    EXPECT_NEAR(px, 20, 2);
    EXPECT_GT(gl.CountLit(0, py - 10, 140, py + 10), 80)
        << "Energy at camera X " << World->Camera.X;
    GLTestContext::WorldToPixel(World->Camera.X + 150, World->Camera.Y + 450, World->Camera.X,
                                World->Camera.Y, px, py);
    EXPECT_GT(gl.CountLit(px - 8, py - 10, px + 60, py + 10), 40) << "Hi";
  }
  // A negative energy is shown as 0, and drawing leaves it as it was.
  auto display = [&](int32_t Energy) {
    World->Energy = Energy;
    gl.BeginFrame(World->Camera.X, World->Camera.Y);
    World->DrawDisplay(World->Camera, {World->HiScore, World->Score, World->Energy});
    return gl.ReadRGB();
  };
  const std::vector<uint8_t> zero = display(0);
  EXPECT_TRUE(display(-4) == zero) << "the display never shows a negative energy";
  EXPECT_EQ(World->Energy, -4);
  EXPECT_FALSE(display(4) == zero) << "the energy is on show at all";
}

TEST_F(WorldTest, EggIconsLeaveGapsForEggsOutOfPlay) {
  StartGame();
  GLTestContext& gl = GLTestContext::Get();
  auto iconLit = [&](int I) {
    // The icons hang 100 units above the plane: 1.25 times the scale of the plane.
    const float scale = 1024.0f / 1000.0f * 1.25f;
    const int cx = 512 + int((-100 + 16 * I) * scale);
    const int cy = 384 - int(354 * 768.0f / 1000.0f * 1.25f);
    return gl.CountLit(cx - 9, cy - 9, cx + 9, cy + 9, 20);
  };
  World->Eggs[3]->Active = false;
  gl.BeginFrame(0, 0);
  World->Camera = TXYZ{0, 0, -500};
  World->DrawEggIcons(World->Camera, World->EggsInPlay());
  gl.Finish();
  for (int i = 0; i < 8; ++i) {
    if (i == 3)
      EXPECT_EQ(iconLit(i), 0);
    else
      EXPECT_GT(iconLit(i), 10) << "icon " << i;
  }
  for (TBlobEgg* egg : World->Eggs) egg->Active = false;
  gl.BeginFrame(0, 0);
  World->DrawEggIcons(World->Camera, World->EggsInPlay());
  gl.Finish();
  EXPECT_EQ(gl.CountLit(0, 0, 1023, 767, 20), 0);
}

TEST_F(WorldTest, EachStarTakesItsOwnPointSize) {
  for (TStar& s : World->Stars) s = TStar{5000, 5000, 0, 1};
  World->Stars[10] = TStar{-200, 0, 0, 3};
  World->Stars[11] = TStar{200, 0, 0, 1};
  GLTestContext& gl = GLTestContext::Get();
  gl.BeginFrame(0, 0);
  World->DrawStars();
  gl.Finish();
  int ax, ay, bx, by;
  GLTestContext::WorldToPixel(-200, 0, 0, 0, ax, ay);
  GLTestContext::WorldToPixel(200, 0, 0, 0, bx, by);
  EXPECT_EQ(gl.CountLit(ax - 4, ay - 4, ax + 4, ay + 4, 20), 9);
  EXPECT_EQ(gl.CountLit(bx - 4, by - 4, bx + 4, by + 4, 20), 1);
  GLfloat size = 0;
  glGetFloatv(GL_POINT_SIZE, &size);
  EXPECT_EQ(size, 1.0f) << "the last star's size is left in force";
}

TEST_F(WorldTest, ArenaBorderAndCursorAreWhereTheWorldPutsThem) {
  StartGame();
  World->Snake->Position = TXYZ{700, -500, 0};
  Mouse(900, 300); // world (833, 207): beyond the border, in view
  GLTestContext& gl = GLTestContext::Get();
  RunFrame();
  int px, py;
  GLTestContext::WorldToPixel(800, 0, World->Camera.X, World->Camera.Y, px, py);
  const auto border = gl.Pixel(px, py);
  EXPECT_GT(border[1], 120) << "cyan border at x = 800";
  EXPECT_GT(border[2], 120);
  EXPECT_LT(border[0], 60);
  GLTestContext::WorldToPixel(float(World->MouseX) + 10, float(World->MouseY), World->Camera.X,
                              World->Camera.Y, px, py);
  EXPECT_GT(gl.CountLit(px - 2, py - 2, px + 2, py + 2, 100), 0) << "cursor circle of radius 10";
}

TEST_F(WorldTest, TheWorldsOwnDrawingLeavesNoGLErrorAndABalancedMatrixStack) {
  StartGame();
  GLTestContext& gl = GLTestContext::Get();
  gl.BeginFrame(0, 0);
  while (glGetError() != GL_NO_ERROR) {
  }
  GLint depthBefore = 0, depthAfter = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
  World->DrawArena();
  World->DrawStars();
  World->DrawCursor(float(World->MouseX), float(World->MouseY));
  World->DrawEggIcons(World->Camera, World->EggsInPlay());
  World->DrawDisplay(World->Camera, {World->HiScore, World->Score, World->Energy});
  World->DrawTitle(World->Camera, World->TitlePulse);
  World->DrawCredits(World->Camera);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EXPECT_EQ(depthAfter, depthBefore);
  gl.Finish();
}

// The pictures of a game: taken from a scripted game so that predators of several kinds, bonus
// eggs and swimming sperm are all in view, then the explosion of the game over.
TEST_F(WorldTest, PicturesOfAGame) {
  StartGame();
  for (int i = 0; i < 5; ++i) {
    TBlobPredator* p = PlacePredator(i, TPredatorKind(i + 1), -300 + 150 * float(i), 250);
    p->Target = TXYZ{-300 + 150 * float(i), 300, 0};
    p->Fade = 1;
  }
  PlacePredator(5, pdPincer, 250, -200);
  World->Eggs[0]->Bonus = bnTwoBullets;
  World->Eggs[0]->Position = TXYZ{-250, -150, 0};
  World->Eggs[1]->Bonus = bnSpeedMid;
  World->Eggs[1]->Position = TXYZ{-120, -230, 0};
  World->Eggs[2]->Bonus = bnNone;
  World->Eggs[2]->Position = TXYZ{150, -250, 0};
  for (int i = 0; i < 2; ++i) {
    TBlobMutantSperm* s = World->Sperms[i];
    s->Position = TXYZ{-40 + 20 * float(i), -80, 0};
    s->ResetTrail();
    s->Target = World->Eggs[2]->Position;
    s->TargetEgg = World->Eggs[2];
    s->SetSwimming(true);
  }
  Mouse(700, 250);
  Right(true);
  Left(true);
  for (int i = 0; i < 40; ++i) RunFrame();
  Save("world_playing.png");
  EXPECT_GT(LitAboveCredits(), 3000);
  EXPECT_GE(AlivePredators(), 4);
  EXPECT_GE(SwimmingSperms(), 1);

  World->Energy = 0;
  Left(false);
  Right(false);
  RunFrame();
  for (int i = 0; i < 12; ++i) RunFrame();
  Save("world_gameover.png");
  const TXYZ camera = CameraAbove(World->Snake->Position);
  int px, py;
  GLTestContext::WorldToPixel(World->Snake->Position.X, World->Snake->Position.Y, camera.X,
                              camera.Y, px, py);
  EXPECT_GT(GLTestContext::Get().CountLit(px - 100, py - 100, px + 100, py + 100, 60), 200)
      << "the explosion around the snake";
}
