#include "creatures/blobPredator.h"

#include <GL/gl.h>

#include <cstring>
#include <iterator>

#include "assets/GameRandom.h"
#include "assets/VexLib3D.h"
#include "creatures/blobSnake.h"
#include "particles/ParticleEngine2.h"

namespace {

// Every kind but 0 and 6 sets its own radius and score; speeds apply to kinds 1 to 6.
constexpr float KindRadius = 20;
constexpr int32_t KindPoints[7] = {0, 1, 10, 100, 1000, 250, 0};
constexpr float KindSpeed[7] = {0, 1, 0.2f, 2, 1, 2, 2};

constexpr float FadeStep = 0.005f;
constexpr int32_t TrailLength = 65;
constexpr int32_t BroodSize = 5;
constexpr int32_t SparkCount = 128;

bool IsMovingKind(uint8_t Kind) {
  return Kind >= 1 && Kind <= 6;
}

TXYZ Scaled(const TXYZ& V, float S) {
  TXYZ r;
  ScaleXYZ(V, r, S);
  return r;
}

TXYZ Colour(float R, float G, float B, float S = 1) {
  TXYZ c;
  SetScaledXYZ(c, R, G, B, S);
  return c;
}

const TXYZ Still{0, 0, 0};

} // namespace

TBlobPredator::TBlobPredator() {
  Wobble = 0;
  WobbleStep = float(Random() * 4 + 0.5);
  Pulse = 0.75f;
  PulseStep = 0.0051f;
  SetKind(0);
  Fade = 0;
  Spin = 0;
  SetXYZ(Target, 0, 100, 0);
  Radius = 10;
  for (TTrailPoint& p : Trail) p = TTrailPoint();
  Course = 0;
  Turning = true;
  Sway = 0;
  SwayStep = 0.25f;
  Speed = 1;
  Alive = false;
}

void TBlobPredator::SetModel(TMS3DObj* Model) {
  SpikeModel = Model;
  Spikes.clear();
  if (!Model) return;
  const int32_t n = Model->VertexPositionCount;
  if (n <= 0) return;
  Spikes.resize(n / 3);
  for (TPredatorSpike& spike : Spikes) {
    spike.VertexIndex = Random(n);
    spike.Length = float(Random() * 0.75 + 1);
  }
}

void TBlobPredator::SetKind(uint8_t Value) {
  Kind = Value;
  if (Kind >= 1 && Kind <= 5) {
    Radius = KindRadius;
    Points = KindPoints[Kind];
  }
}

void TBlobPredator::SetAlive(bool Value) {
  Alive = Value;
  if (!Value) return;
  if (Kind == 1) {
    ChooseEggTarget();
  } else if (Kind == 3) {
    for (TTrailPoint& p : Trail) p = {Position.X, Position.Y, Position.Z, 0};
  }
}

void TBlobPredator::Update() {
  if (!Alive || !IsMovingKind(Kind)) return;
  Fade += FadeStep;
  if (Fade > 1) Fade = 1;
  StepKind();
}

void TBlobPredator::Kill() {
  // Only a predator in play has a body to burst; the world still hears about every kill.
  if (Alive && IsMovingKind(Kind)) {
    DeathBurst();
    if (Kind == 2) BringInBrood();
  }
  if (OnKilled) OnKilled(this);
}

void TBlobPredator::ChooseEggTarget() {
  int32_t count = 0;
  if (Eggs) {
    const int32_t eggCount = int32_t(Eggs->size());
    for (int32_t i = 0; i < eggCount && count < int32_t(std::size(EggChoices)); ++i) {
      const TBlobEgg* egg = (*Eggs)[i];
      if (egg && egg->Active) EggChoices[count++] = i;
    }
  }
  if (count > 0) {
    Target = (*Eggs)[EggChoices[Random(count)]]->Position;
  } else if (Snake) {
    Target = Snake->Position;
  }
}

int32_t TBlobPredator::FindTouchingEgg() {
  if (!Eggs) return -1;
  const int32_t eggCount = int32_t(Eggs->size());
  for (int32_t i = 0; i < eggCount; ++i) {
    const TBlobEgg* egg = (*Eggs)[i];
    if (!egg || !egg->Active) continue;
    if (DistanceSqXY(Position, egg->Position) < Radius * Radius + egg->Radius * egg->Radius)
      return i;
  }
  return -1;
}

void TBlobPredator::StepKind() {
  if (Kind != 1 && Snake) Target = Snake->Position;
  Speed = KindSpeed[Kind];
  if (Kind == 5) Bounce(Wobble, WobbleStep, -40, 40);

  // Running past the target starts a new turn; an egg hunter also picks a new egg then.
  if (SteerStep(Position, Target, Course, Turning, SettledTarget, 2, Speed, Speed) && Kind == 1)
    ChooseEggTarget();

  if (Kind == 1) {
    const int32_t egg = FindTouchingEgg();
    if (egg >= 0) EatEgg(egg);
  }

  std::memmove(&Trail[1], &Trail[0], sizeof(TTrailPoint) * (TrailLength - 1));
  Trail[0] = {Position.X, Position.Y, Position.Z, float(Course) + Sway};

  switch (Kind) {
  case 1:
    DrawSpiral();
    break;
  case 2:
    DrawSpikySphere();
    break;
  case 3:
    DrawChain();
    break;
  case 4:
    DrawJelly();
    break;
  case 5:
    DrawDart();
    break;
  case 6:
    DrawPincer();
    break;
  default:
    break;
  }
}

void TBlobPredator::EatEgg(int32_t Index) {
  // The eater flashes dark and fades in again amid a blue burst.
  Fade = 0;
  const TXYZ blue = Colour(0, 0, 1);
  for (int i = 0; i < 2; ++i) {
    const float ringSpeed = float(Random() * 6);
    if (Engine) Engine->Spawn(Position, Still, 5, blue, 1, ringSpeed, 1, 32, 24, 0);
  }
  for (int i = 0; i < SparkCount; ++i) {
    const int32_t a = Random(360);
    const TXYZ& d = CourseDirection(a);
    TXYZ p;
    AddXYZ(Position, Scaled(d, 20), p);
    for (uint8_t sparkKind : {uint8_t(0), uint8_t(3)}) {
      const float sparkSpeed = float(Random());
      const int32_t life = Random(16) + 32;
      const TXYZ velocity = Scaled(d, float(Random(10)));
      if (Engine) Engine->Spawn(p, velocity, sparkKind, blue, 1, sparkSpeed, 1, life, 12, 0);
    }
  }
  (*Eggs)[Index]->SetActive(false);
  if (OnEggEaten) OnEggEaten(this);
}

void TBlobPredator::DeathBurst() {
  TXYZ c1, c2, c3;
  switch (Kind) {
  case 3:
    c1 = c2 = c3 = Colour(0.6f, 0.3f, 0);
    break;
  case 4:
    c1 = c2 = c3 = Colour(0, 0, 1);
    break;
  case 5:
    c1 = c2 = c3 = Colour(1, 1, 0);
    break;
  case 6:
    c2 = c3 = Colour(0, 1, 0);
    break;
  default: // kinds 1 and 2
    c1 = c3 = Colour(1, 1, 0);
    c2 = Colour(0, 1, 0);
    break;
  }

  Fade = 0;
  if (Kind != 6) {
    const float ringSpeed = float(Random() * 6);
    if (Engine) Engine->Spawn(Position, Still, 5, c1, 1, ringSpeed, 1, 32, 24, 0);
  }
  const float ringSpeed = float(Random() * 6);
  if (Engine) Engine->Spawn(Position, Still, 5, c2, 1, ringSpeed, 1, 32, 24, 0);

  for (int i = 0; i < SparkCount; ++i) {
    const int32_t a = Random(360);
    const float sparkSpeed = float(Random());
    const int32_t life = Random(16) + 32;
    const TXYZ& d = CourseDirection(a);
    const TXYZ velocity = Scaled(d, float(Random(10)));
    TXYZ p;
    AddXYZ(Position, Scaled(d, 20), p);
    if (Engine) Engine->Spawn(p, velocity, 1, c3, 1, sparkSpeed, 1, life, 12, 0);
  }
}

void TBlobPredator::BringInBrood() {
  if (!Predators) return;
  int32_t brought = 0;
  for (TBlobPredator* child : *Predators) {
    if (brought >= BroodSize) break;
    if (!child || child->Alive) continue;
    // The slot's old kind is prepared first; kind 6 then keeps that slot's radius and points.
    child->SetAlive(true);
    child->SetKind(6);
    child->Position = Position;
    if (Snake) child->Target = Snake->Position;
    ++brought;
  }
}

void TBlobPredator::DrawSpiral() {
  Bounce(Sway, SwayStep, -90, 90);
  if (Engine) Engine->Spawn(Position, Still, 3, Colour(0, 0.6f, 0.6f, Fade), 0, 0, 1, 8, 12, 0);

  glPushMatrix();
  glTranslatef(Position.X, Position.Y, Position.Z);
  const TXYZ body = Colour(0, 0.4f, 0.4f, Fade);
  glColor3f(body.X, body.Y, body.Z);
  glRotatef(float(Course) - 180, 0, 0, 1);
  Spin += 6;
  glRotatef(Spin, 1, 0, 0);
  glRotatef(90, 0, 1, 0);
  glLineWidth(1);
  glBegin(GL_LINE_STRIP);
  float r = 20;
  int32_t a = 0;
  while (r > 0) {
    const TXYZ& d = CosSinTable[a];
    glVertex3f(d.X * r, d.Y * r, 2 * r);
    r -= 0.2f;
    a = WrapAngle(a + 12);
  }
  glEnd();
  glPopMatrix();

  // A spark left behind the cone, off to the side the body sways to.
  const int32_t w = RoundHalfEven(Sway);
  const TXYZ& d = CourseDirection(WrapAngle(Course + w / 12));
  TXYZ p;
  AddXYZ(Position, Scaled(d, -20), p);
  const int32_t life = Random(32);
  const int32_t scale = Random(12);
  const TXYZ velocity = Scaled(Target, float(Random(12)));
  if (Engine) Engine->Spawn(p, velocity, 3, Colour(0.6f, 0.6f, 0), 1, 0, 4, life, scale, 0);
}

void TBlobPredator::DrawSpikySphere() {
  Bounce(Sway, SwayStep, -20, 20);

  glPushMatrix();
  glTranslatef(Position.X, Position.Y, Position.Z);
  const float s = Sway / 100 + 1.5f;
  glScalef(s, s, s);
  glRotatef(float(Course) - 180, 0, 0, 1);
  glRotatef(Sway, 1, 0, 0);
  glPointSize(1);

  if (SpikeModel) {
    const std::vector<TXYZ>& vertices = SpikeModel->VertexPositions;
    const int32_t vertexCount = int32_t(vertices.size());

    const TXYZ dots = Colour(0, 0.75f, 0, Fade);
    glColor3f(dots.X, dots.Y, dots.Z);
    glBegin(GL_POINTS);
    for (const TXYZ& v : vertices) glVertex3f(v.X, v.Y, v.Z);
    glEnd();

    const TXYZ spikeColour = Colour(0.75f, 0.75f, 0, Fade);
    glColor3f(spikeColour.X, spikeColour.Y, spikeColour.Z);
    glLineWidth(1);
    glBegin(GL_LINES);
    for (const TPredatorSpike& spike : Spikes) {
      if (spike.VertexIndex < 0 || spike.VertexIndex >= vertexCount) continue;
      const TXYZ& v = vertices[spike.VertexIndex];
      glVertex3f(v.X, v.Y, v.Z);
      glVertex3f(v.X * spike.Length, v.Y * spike.Length, v.Z * spike.Length);
    }
    glEnd();

    glPointSize(1);
    const TXYZ tips = Colour(1, 1, 1, Fade);
    glColor3f(tips.X, tips.Y, tips.Z);
    glBegin(GL_POINTS);
    for (const TPredatorSpike& spike : Spikes) {
      if (spike.VertexIndex < 0 || spike.VertexIndex >= vertexCount) continue;
      const TXYZ& v = vertices[spike.VertexIndex];
      glVertex3f(v.X * spike.Length, v.Y * spike.Length, v.Z * spike.Length);
    }
    glEnd();
  }
  glPopMatrix();
}

void TBlobPredator::DrawChain() {
  const TXYZ tint = Colour(0.6f, 0.3f, 0, Fade);
  if (Random() < 0.1) {
    const int32_t life = Random(96) + 32;
    if (Engine) Engine->Spawn(Position, Still, 3, tint, 0, 0, 1, life, 12, 0);
  }
  // Six shrinking triangles along the trail; the last one's scale is below zero, so it is drawn
  // mirrored through its centre.
  for (int32_t i = 8; i <= 58; i += 10) {
    const TTrailPoint& t = Trail[i];
    glPushMatrix();
    glTranslatef(t.X, t.Y, t.Z);
    glRotatef(t.Angle - 90, 0, 0, 1);
    glColor3f(tint.X, tint.Y, tint.Z);
    const float s = 1 - float(i) * 0.01953125f;
    glScalef(s, s, s);
    glBegin(GL_LINE_LOOP);
    glVertex3f(-8, -16, 0);
    glVertex3f(8, -16, 0);
    glVertex3f(0, 16, 0);
    glEnd();
    glPopMatrix();
  }
}

void TBlobPredator::DrawJelly() {
  Bounce(Pulse, PulseStep, 0.75f, 0.85f);
  const int32_t a = WrapAngle(Course + Random(60) - 30);
  if (BodyModel) SetXYZ(BodyModel->PointColour, 0, 0, 0.4f);
  if (PulseStep > 0) {
    // Thrust while the body swells: a blob drifting out behind.
    const TXYZ velocity = Scaled(CourseDirection(a), -0.2f);
    const int32_t scale = Random(18);
    if (Engine)
      Engine->Spawn(Position, velocity, 3, Colour(0.1f, 0.1f, 0.35f), 1, 1, 0, 24, scale, 0);
  }
  glPushMatrix();
  glLineWidth(1);
  glTranslatef(Position.X, Position.Y, Position.Z);
  glRotatef(float(Course) - 90, 0, 0, 1);
  glScalef(Pulse * 2, Pulse * 2.5f, 0);
  if (BodyModel) BodyModel->DrawPoints();
  glPopMatrix();
}

void TBlobPredator::DrawDart() {
  const TXYZ tint = Colour(1, 1, 0, Fade);
  if (Random() < 0.1 && Engine) Engine->Spawn(Position, Still, 3, tint, 0, 0, 1, 32, 12, 0);

  glPushMatrix();
  glTranslatef(Position.X, Position.Y, Position.Z);
  glRotatef(float(Course) + 180, 0, 0, 1);
  glColor3f(tint.X, tint.Y, tint.Z);
  glBegin(GL_LINE_LOOP);
  glVertex3f(0, 0, 0);
  glVertex3f(-20, 6, 0);
  glVertex3f(-30, 0, 0);
  glVertex3f(-20, -6, 0);
  glEnd();
  glPopMatrix();

  glPushMatrix();
  glColor3f(tint.X, tint.Y, tint.Z);
  glTranslatef(Position.X, Position.Y, Position.Z);
  glRotatef(float(Course) + 180 + Wobble, 0, 0, 1);
  glBegin(GL_LINES);
  glVertex3f(0, 0, 0);
  glVertex3f(10, 0, 0);
  glEnd();
  glPopMatrix();
}

void TBlobPredator::DrawPincer() {
  const TXYZ tint = Colour(0, 0.8f, 0, Fade);
  if (Random() < 0.1 && Engine) Engine->Spawn(Position, Still, 3, tint, 1, 0, 1, 32, 12, 0);

  static constexpr float Bar[4][2] = {{-10, 2}, {-10, -2}, {10, -2}, {10, 2}};
  static constexpr float UpperJaw[6][2] = {{-10, 8}, {-10, 4}, {0, 4}, {10, 12}, {10, 16}, {0, 8}};
  static constexpr float LowerJaw[6][2] = {{-10, -8}, {-10, -4}, {0, -4},
                                           {10, -12}, {10, -16}, {0, -8}};

  glPushMatrix();
  glTranslatef(Position.X, Position.Y, Position.Z);
  glRotatef(float(Course) + 180, 0, 0, 1);
  glScalef(0.5f, 0.5f, 0.5f);
  glColor3f(tint.X, tint.Y, tint.Z);
  glBegin(GL_LINE_LOOP);
  for (const auto& v : Bar) glVertex3f(v[0], v[1], 0);
  glEnd();
  glBegin(GL_LINE_LOOP);
  for (const auto& v : UpperJaw) glVertex3f(v[0], v[1], 0);
  glEnd();
  glBegin(GL_LINE_LOOP);
  for (const auto& v : LowerJaw) glVertex3f(v[0], v[1], 0);
  glEnd();
  glPopMatrix();
}
