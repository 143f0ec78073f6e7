// What each kind looks like on a real GL frame: where it draws, in which colours, facing which
// way, and the picture of all six side by side.
#include <GL/gl.h>

#include <array>
#include <cstdlib>
#include <set>
#include <string>

#include "CreatureTestSupport.h"
#include "PredatorTestWorld.h"
#include "assets/VexLib3D.h"
#include "particles/ParticleEngine2.h"

namespace {

using TRGB = std::array<int, 3>;

// Counts the lit pixels of the frame (any channel more than 40 off the background) inside and
// outside a box of world units around (X, Y), and inside it those of each allowed colour.
struct TLitSurvey {
  int Inside = 0, Outside = 0, WrongColour = 0;
  std::vector<int> PerColour;
};

TLitSurvey Survey(float X, float Y, float Half, const std::vector<TRGB>& Allowed) {
  int x0, y0, x1, y1;
  GLTestContext::WorldToPixel(X - Half, Y + Half, 0, 0, x0, y0);
  GLTestContext::WorldToPixel(X + Half, Y - Half, 0, 0, x1, y1);
  const std::vector<uint8_t> rgb = GLTestContext::Get().ReadRGB();
  auto off = [](const uint8_t* p, const TRGB& c, int by) {
    return std::abs(p[0] - c[0]) > by || std::abs(p[1] - c[1]) > by || std::abs(p[2] - c[2]) > by;
  };
  TLitSurvey s;
  s.PerColour.assign(Allowed.size(), 0);
  for (int y = 0; y < GLTestContext::Height; ++y)
    for (int x = 0; x < GLTestContext::Width; ++x) {
      const uint8_t* p = &rgb[(size_t(y) * GLTestContext::Width + x) * 3];
      if (!off(p, {0, 0, 13}, 40)) continue;
      if (x < x0 || x > x1 || y < y0 || y > y1) {
        ++s.Outside;
        continue;
      }
      ++s.Inside;
      size_t i = 0;
      while (i < Allowed.size() && off(p, Allowed[i], 3)) ++i;
      if (i < Allowed.size())
        ++s.PerColour[i];
      else
        ++s.WrongColour;
    }
  return s;
}

int LitInWorldBox(float X0, float Y0, float X1, float Y1) {
  int px0, py0, px1, py1;
  GLTestContext::WorldToPixel(X0, Y1, 0, 0, px0, py0);
  GLTestContext::WorldToPixel(X1, Y0, 0, 0, px1, py1);
  return GLTestContext::Get().CountLit(px0, py0, px1, py1, 40);
}

GLint ModelViewDepth() {
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  return depth;
}

class PredatorDrawTest : public PredatorTest {
protected:
  static void SetUpTestSuite() {
    GLTestContext::Get();
    SphereModel = new TMS3DObj();
    SphereModel->LoadFromFile("sphere.txt");
    JellyModel = new TMS3DObj();
    JellyModel->LoadFromFile("jelly.txt");
  }
  static void TearDownTestSuite() {
    delete SphereModel;
    delete JellyModel;
  }

  void SetUp() override {
    PredatorTest::SetUp();
    for (TBlobPredator* p : Predators) {
      p->SetModel(SphereModel);
      p->BodyModel = JellyModel;
    }
  }

  // Puts a fully faded-in predator at Place, already holding its trail there, heading along +X
  // towards a snake far off in that direction.
  TBlobPredator& Place(int Slot, TPredatorKind Kind, TXYZ Where) {
    TBlobPredator& p = *Predators[Slot];
    p.Position = Where;
    p.SetKind(Kind);
    p.SetAlive(true);
    for (TTrailPoint& t : p.Trail) t = {Where.X, Where.Y, Where.Z, 0};
    p.Target = {Where.X + 1000, Where.Y, 0};
    p.Course = 0;
    p.Fade = 1;
    Snake.Position = p.Target;
    return p;
  }

  static TMS3DObj* SphereModel;
  static TMS3DObj* JellyModel;
};

TMS3DObj* PredatorDrawTest::SphereModel = nullptr;
TMS3DObj* PredatorDrawTest::JellyModel = nullptr;

} // namespace

TEST_F(PredatorDrawTest, SetModelBuildsASpikeForEveryThirdVertex) {
  TBlobPredator& p = *Predators[0];
  const int32_t n = SphereModel->VertexPositionCount;
  ASSERT_EQ(p.Spikes.size(), size_t(n / 3));
  std::set<int32_t> vertices;
  for (const TPredatorSpike& s : p.Spikes) {
    EXPECT_TRUE(s.VertexIndex >= 0 && s.VertexIndex < n);
    EXPECT_TRUE(s.Length >= 1.0f && s.Length < 1.75f);
    vertices.insert(s.VertexIndex);
  }
  EXPECT_GT(vertices.size(), p.Spikes.size() / 2) << "spread over the sphere";

  p.SetModel(nullptr);
  EXPECT_TRUE(p.Spikes.empty());
  p.Alive = true;
  p.SetKind(pdSpikySphere);
  const GLint depth = ModelViewDepth();
  StepAndDraw(p); // a sphere without a model draws nothing but must not fail
  EXPECT_EQ(ModelViewDepth(), depth);
}

TEST_F(PredatorDrawTest, EachKindDrawsInItsColoursAtItsPlaceAndRestoresTheMatrixStack) {
  struct Row {
    TPredatorKind Kind;
    TXYZ Where;
    std::vector<TRGB> Colours; // the first must appear; all others are allowed
  };
  const std::vector<Row> rows = {
      {pdSpiral, {-300, 200, 0}, {{0, 102, 102}}},
      {pdSpikySphere, {-100, -150, 0}, {{0, 191, 0}, {191, 191, 0}, {255, 255, 255}}},
      {pdChain, {150, 250, 0}, {{153, 76, 0}}},
      {pdJelly, {300, -250, 0}, {{0, 0, 102}}},
      {pdDart, {-250, -300, 0}, {{255, 255, 0}}},
      {pdPincer, {200, 50, 0}, {{0, 204, 0}}},
  };
  for (const Row& row : rows) {
    GLTestContext::Get().BeginFrame();
    TBlobPredator& p = Place(int(row.Kind), row.Kind, row.Where);
    const GLint depth = ModelViewDepth();
    StepAndDraw(p);
    EXPECT_EQ(ModelViewDepth(), depth) << "kind " << int(row.Kind);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "kind " << int(row.Kind);

    const TLitSurvey s = Survey(row.Where.X, row.Where.Y, 50, row.Colours);
    EXPECT_GT(s.Inside, 20) << "kind " << int(row.Kind);
    EXPECT_GT(s.PerColour[0], 10) << "kind " << int(row.Kind);
    EXPECT_EQ(s.WrongColour, 0) << "kind " << int(row.Kind);
    EXPECT_EQ(s.Outside, 0) << "kind " << int(row.Kind);
    if (row.Kind == pdSpikySphere) {
      EXPECT_GT(s.PerColour[1], 10) << "yellow spikes";
      EXPECT_GT(s.PerColour[2], 10) << "white spike tips";
    }
  }
}

TEST_F(PredatorDrawTest, DartPointsAlongItsCourseWithItsTailBehind) {
  for (int course : {0, 180}) {
    GLTestContext::Get().BeginFrame();
    TBlobPredator& p = Place(0, pdDart, {0, 0, 0});
    if (course == 180) {
      p.Target = Snake.Position = {-1000, 0, 0};
      p.Course = 180;
    }
    StepAndDraw(p);
    const float ahead = course == 0 ? 1 : -1;
    // The nose reaches 30 units ahead; the tail line only 10 behind.
    EXPECT_GT(LitInWorldBox(ahead > 0 ? 18 : -28, -3, ahead > 0 ? 28 : -18, 3), 3) << course;
    EXPECT_EQ(LitInWorldBox(ahead > 0 ? -30 : 16, -8, ahead > 0 ? -16 : 30, 8), 0) << course;
  }
}

TEST_F(PredatorDrawTest, ChainOfAWorldSpawnedKindThreeStartsAtItsOldPlace) {
  // The world puts a predator into play before it moves it, so the trail is filled with the
  // slot's old position and the chain follows from there.
  GLTestContext::Get().BeginFrame();
  TBlobPredator& p = *Predators[0];
  p.Position = {-300, -300, 0};
  p.Fade = 1;
  p.SetKind(pdChain);
  p.SetAlive(true);
  p.Target = {300, 300, 0};
  p.Position = {300, 300, 0};
  Snake.Position = {300, 400, 0};
  StepAndDraw(p);
  EXPECT_GT(LitInWorldBox(-330, -330, -270, -270), 20) << "chain at the old place";
  EXPECT_EQ(LitInWorldBox(250, 250, 350, 350), 0) << "nothing at the predator itself";
}

TEST_F(PredatorDrawTest, AllSixKindsSideBySide) {
  // A few dozen frames of the six kinds running up the screen with their particles, as in play.
  TParticleEngine2 engine;
  for (TBlobPredator* p : Predators) p->Engine = &engine;
  const float xs[6] = {-375, -225, -75, 75, 225, 375};
  for (int k = 0; k < 6; ++k) {
    TBlobPredator& p = Place(k, TPredatorKind(k + 1), {xs[k], -150, 0});
    p.Course = 90;
    p.Target = {xs[k], 5000, 0};
  }
  Snake.Position = {0, 5000, 0};
  constexpr int Frames = 40;
  for (int f = 0; f < Frames; ++f) {
    GLTestContext::Get().BeginFrame();
    for (int k = 0; k < 6; ++k) StepAndDraw(*Predators[k]);
    engine.UpdateAndDraw();
  }
  for (int k = 0; k < 6; ++k) {
    const TBlobPredator& p = *Predators[k];
    EXPECT_GT(
        LitInWorldBox(p.Position.X - 45, p.Position.Y - 45, p.Position.X + 45, p.Position.Y + 45),
        20)
        << "kind " << k + 1 << " at " << p.Position.X << ", " << p.Position.Y;
  }
  EXPECT_EQ(LitInWorldBox(-500, 300, 500, 500), 0) << "nothing far ahead of them";
  if (const char* path = std::getenv("GLOOPA_PREDATORS_PNG")) {
    EXPECT_TRUE(GLTestContext::Get().SavePNG(path));
  }
  for (TBlobPredator* p : Predators) p->Engine = nullptr;
}
