#include "creatures/blobPredator.h"

#include "gl/GL.h"

#include <iterator>

#include "assets/GameRandom.h"
#include "assets/VexLib3D.h"
#include "creatures/blobSnake.h"
#include "particles/ParticleEngine2.h"

namespace {

// Indexed by kind. Every kind but pdNone and pdPincer sets its own radius and score.
constexpr float KindRadius = 20;
constexpr int32_t KindPoints[7] = {0, 1, 10, 100, 1000, 250, 0};
constexpr float KindSpeed[7] = {0, 1, 0.2f, 2, 1, 2, 2};

constexpr float FadeStep = 0.005f;
constexpr int32_t BroodSize = 5;
constexpr int32_t SparkCount = 128;

bool IsMovingKind(TPredatorKind Kind) {
  return Kind >= pdSpiral && Kind <= pdPincer;
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

} // namespace

TBlobPredator::TBlobPredator() {
  Wobble = 0;
  WobbleStep = float(Random() * 4 + 0.5);
  Pulse = 0.75f;
  PulseStep = 0.0051f;
  SetKind(pdNone);
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

void TBlobPredator::SetKind(TPredatorKind Value) {
  Kind = Value;
  if (Kind >= pdSpiral && Kind <= pdDart) {
    Radius = KindRadius;
    Points = KindPoints[Kind];
  }
}

void TBlobPredator::SetAlive(bool Value) {
  Alive = Value;
  if (!Value) return;
  if (Kind == pdSpiral) {
    ChooseEggTarget();
  } else if (Kind == pdChain) {
    for (TTrailPoint& p : Trail) p = {Position.X, Position.Y, Position.Z, 0};
  }
}

void TBlobPredator::Update() {
  BeginShow();
  if (!Alive || !IsMovingKind(Kind)) return;
  const TPredatorPose before = Pose();
  Fade += FadeStep;
  if (Fade > 1) Fade = 1;
  StepKind(before);
}

TPredatorPose TBlobPredator::Pose() const {
  return {Position, float(Course), Spin, Sway, Pulse, Wobble};
}

void TBlobPredator::Kill() {
  // Only a predator in play has a body to burst; the world still hears about every kill.
  if (Alive && IsMovingKind(Kind)) {
    DeathBurst();
    if (Kind == pdSpikySphere) BringInBrood();
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

void TBlobPredator::StepKind(const TPredatorPose& Before) {
  if (Kind != pdSpiral && Snake) Target = Snake->Position;
  Speed = KindSpeed[Kind];
  if (Kind == pdDart) Bounce(Wobble, WobbleStep, -40, 40);

  // Running past the target starts a new turn; an egg hunter also picks a new egg then.
  if (Steer(2, Speed, Speed) && Kind == pdSpiral) ChooseEggTarget();

  if (Kind == pdSpiral) {
    const int32_t egg = FindTouchingEgg();
    if (egg >= 0) EatEgg(egg);
  }

  PushTrail(Trail, {Position.X, Position.Y, Position.Z, float(Course) + Sway});
  Animate();
  Emit();

  TPredatorShown& s = Showing;
  s.Kind = Kind;
  s.Fade = Fade;
  s.Pose = Pose();
  s.From = ShownBefore ? Before : s.Pose;
  if (Kind == pdChain)
    for (int32_t k = 0; k < TPredatorShown::Links; ++k) {
      s.Link[k] = Trail[8 + 10 * k];
      s.LinkFrom[k] = ShownBefore ? Trail[9 + 10 * k] : s.Link[k];
    }
  Shown = true;
}

void TBlobPredator::Emit() {
  switch (Kind) {
  case pdSpiral:
    EmitSpiral();
    break;
  case pdChain:
    EmitChain();
    break;
  case pdJelly:
    EmitJelly();
    break;
  case pdDart:
    EmitDart();
    break;
  case pdPincer:
    EmitPincer();
    break;
  default:
    break;
  }
}

void TBlobPredator::Draw(float Fraction) const {
  const TPredatorPose& from = Showing.From;
  const TPredatorPose& to = Showing.Pose;
  const TPredatorPose at{
      Blend(from.Position, to.Position, Fraction), BlendAngle(from.Course, to.Course, Fraction),
      BlendAngle(from.Spin, to.Spin, Fraction),    Blend(from.Sway, to.Sway, Fraction),
      Blend(from.Pulse, to.Pulse, Fraction),       Blend(from.Wobble, to.Wobble, Fraction)};
  switch (Showing.Kind) {
  case pdSpiral:
    DrawSpiral(at);
    break;
  case pdSpikySphere:
    DrawSpikySphere(at);
    break;
  case pdChain:
    DrawChain(Fraction);
    break;
  case pdJelly:
    DrawJelly(at);
    break;
  case pdDart:
    DrawDart(at);
    break;
  case pdPincer:
    DrawPincer(at);
    break;
  default:
    break;
  }
}

// The swings and turns the drawing shows; they draw no random numbers, so they can come before
// it. The trail has already taken this step's sway.
void TBlobPredator::Animate() {
  switch (Kind) {
  case pdSpiral:
    Bounce(Sway, SwayStep, -90, 90);
    Spin += 6;
    break;
  case pdSpikySphere:
    Bounce(Sway, SwayStep, -20, 20);
    break;
  case pdJelly:
    Bounce(Pulse, PulseStep, 0.75f, 0.85f);
    // The body model is the world's, so the colour it draws its points in is set every step.
    if (BodyModel) SetXYZ(BodyModel->PointColour, 0, 0, 0.4f);
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
    SpawnParticle(BurstRing(Position, blue, ringSpeed));
  }
  // Draws per spark: angle, then for the streak and again for the point: speed, life, push.
  for (int i = 0; i < SparkCount; ++i) {
    const int32_t a = Random(360);
    const TXYZ& d = CourseDirection(a);
    TXYZ p;
    AddXYZ(Position, Scaled(d, 20), p);
    for (TParticleKind sparkKind : {pkStreak, pkPointSphere}) {
      const float sparkSpeed = float(Random());
      const int32_t life = Random(16) + 32;
      const TXYZ velocity = Scaled(d, float(Random(10)));
      SpawnParticle(BurstSpark(p, velocity, sparkKind, blue, sparkSpeed, life));
    }
  }
  (*Eggs)[Index]->SetActive(false);
  if (OnEggEaten) OnEggEaten(this);
}

void TBlobPredator::DeathBurst() {
  TXYZ c1, c2, c3;
  switch (Kind) {
  case pdChain:
    c1 = c2 = c3 = Colour(0.6f, 0.3f, 0);
    break;
  case pdJelly:
    c1 = c2 = c3 = Colour(0, 0, 1);
    break;
  case pdDart:
    c1 = c2 = c3 = Colour(1, 1, 0);
    break;
  case pdPincer:
    c2 = c3 = Colour(0, 1, 0);
    break;
  default: // pdSpiral and pdSpikySphere
    c1 = c3 = Colour(1, 1, 0);
    c2 = Colour(0, 1, 0);
    break;
  }

  auto ring = [&](const TXYZ& RingColour) {
    const float ringSpeed = float(Random() * 6);
    SpawnParticle(BurstRing(Position, RingColour, ringSpeed));
  };
  Fade = 0;
  if (Kind != pdPincer) ring(c1);
  ring(c2);

  // Draws per spark: angle, speed, life, push.
  for (int i = 0; i < SparkCount; ++i) {
    const int32_t a = Random(360);
    const float sparkSpeed = float(Random());
    const int32_t life = Random(16) + 32;
    const TXYZ& d = CourseDirection(a);
    const TXYZ velocity = Scaled(d, float(Random(10)));
    TXYZ p;
    AddXYZ(Position, Scaled(d, 20), p);
    SpawnParticle(BurstSpark(p, velocity, pkPoint, c3, sparkSpeed, life));
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
    child->SetKind(pdPincer);
    child->Position = Position;
    if (Snake) child->Target = Snake->Position;
    ++brought;
  }
}

void TBlobPredator::EmitSpiral() {
  SpawnParticle(Glow(Position, Colour(0, 0.6f, 0.6f, Fade), 8, 12));
  // A spark left behind the cone, off to the side the body sways to.
  const int32_t w = RoundHalfEven(Sway);
  const TXYZ& d = CourseDirection(WrapAngle(Course + w / 12));
  TXYZ p;
  AddXYZ(Position, Scaled(d, -20), p);
  const int32_t life = Random(32);
  const int32_t scale = Random(12);
  const TXYZ velocity = Scaled(Target, float(Random(12)));
  SpawnParticle({.Position = p,
                 .Velocity = velocity,
                 .Kind = pkPointSphere,
                 .Colour = Colour(0.6f, 0.6f, 0),
                 .Size = 1,
                 .TailLength = 4,
                 .Life = life,
                 .Scale = scale});
}

void TBlobPredator::DrawSpiral(const TPredatorPose& At) const {
  glPushMatrix();
  glTranslatef(At.Position.X, At.Position.Y, At.Position.Z);
  const TXYZ body = Colour(0, 0.4f, 0.4f, Showing.Fade);
  glColor3f(body.X, body.Y, body.Z);
  glRotatef(At.Course - 180, 0, 0, 1);
  glRotatef(At.Spin, 1, 0, 0);
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
}

void TBlobPredator::DrawSpikySphere(const TPredatorPose& At) const {
  glPushMatrix();
  glTranslatef(At.Position.X, At.Position.Y, At.Position.Z);
  const float s = At.Sway / 100 + 1.5f;
  glScalef(s, s, s);
  glRotatef(At.Course - 180, 0, 0, 1);
  glRotatef(At.Sway, 1, 0, 0);
  glPointSize(1);

  if (SpikeModel) {
    const std::vector<TXYZ>& vertices = SpikeModel->VertexPositions;
    const int32_t vertexCount = int32_t(vertices.size());

    const TXYZ dots = Colour(0, 0.75f, 0, Showing.Fade);
    glColor3f(dots.X, dots.Y, dots.Z);
    glBegin(GL_POINTS);
    for (const TXYZ& v : vertices) glVertex3f(v.X, v.Y, v.Z);
    glEnd();

    const TXYZ spikeColour = Colour(0.75f, 0.75f, 0, Showing.Fade);
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
    const TXYZ tips = Colour(1, 1, 1, Showing.Fade);
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

void TBlobPredator::EmitChain() {
  if (Random() < 0.1) {
    const int32_t life = Random(96) + 32;
    SpawnParticle(Glow(Position, Colour(0.6f, 0.3f, 0, Fade), life, 12));
  }
}

void TBlobPredator::DrawChain(float Fraction) const {
  const TXYZ tint = Colour(0.6f, 0.3f, 0, Showing.Fade);
  // Six shrinking triangles along the trail; the last one's scale is below zero, so it is drawn
  // mirrored through its centre.
  for (int32_t k = 0; k < TPredatorShown::Links; ++k) {
    const int32_t i = 8 + 10 * k;
    const TTrailPoint t = BlendTrail(Showing.LinkFrom[k], Showing.Link[k], Fraction);
    glPushMatrix();
    glTranslatef(t.X, t.Y, t.Z);
    glRotatef(t.Angle - 90, 0, 0, 1);
    glColor3f(tint.X, tint.Y, tint.Z);
    const float s = 1 - float(i) * 0.01953125f;
    glScalef(s, s, s);
    DrawFlat(GL_LINE_LOOP, {{-8, -16}, {8, -16}, {0, 16}});
    glPopMatrix();
  }
}

void TBlobPredator::EmitJelly() {
  const int32_t a = WrapAngle(Course + Random(60) - 30);
  if (PulseStep > 0) {
    // Thrust while the body swells: a blob drifting out behind.
    const TXYZ velocity = Scaled(CourseDirection(a), -0.2f);
    const int32_t scale = Random(18);
    SpawnParticle({.Position = Position,
                   .Velocity = velocity,
                   .Kind = pkPointSphere,
                   .Colour = Colour(0.1f, 0.1f, 0.35f),
                   .Size = 1,
                   .Speed = 1,
                   .Life = 24,
                   .Scale = scale});
  }
}

void TBlobPredator::DrawJelly(const TPredatorPose& At) const {
  glPushMatrix();
  glLineWidth(1);
  glTranslatef(At.Position.X, At.Position.Y, At.Position.Z);
  glRotatef(At.Course - 90, 0, 0, 1);
  glScalef(At.Pulse * 2, At.Pulse * 2.5f, 0);
  if (BodyModel) BodyModel->DrawPoints();
  glPopMatrix();
}

void TBlobPredator::EmitDart() {
  if (Random() < 0.1) SpawnParticle(Glow(Position, Colour(1, 1, 0, Fade), 32, 12));
}

void TBlobPredator::DrawDart(const TPredatorPose& At) const {
  const TXYZ tint = Colour(1, 1, 0, Showing.Fade);

  glPushMatrix();
  glTranslatef(At.Position.X, At.Position.Y, At.Position.Z);
  glRotatef(At.Course + 180, 0, 0, 1);
  glColor3f(tint.X, tint.Y, tint.Z);
  DrawFlat(GL_LINE_LOOP, {{0, 0}, {-20, 6}, {-30, 0}, {-20, -6}});
  glPopMatrix();

  glPushMatrix();
  glColor3f(tint.X, tint.Y, tint.Z);
  glTranslatef(At.Position.X, At.Position.Y, At.Position.Z);
  glRotatef(At.Course + 180 + At.Wobble, 0, 0, 1);
  DrawFlat(GL_LINES, {{0, 0}, {10, 0}});
  glPopMatrix();
}

void TBlobPredator::EmitPincer() {
  if (Random() < 0.1) SpawnParticle(Glow(Position, Colour(0, 0.8f, 0, Fade), 32, 12, 1));
}

void TBlobPredator::DrawPincer(const TPredatorPose& At) const {
  const TXYZ tint = Colour(0, 0.8f, 0, Showing.Fade);

  glPushMatrix();
  glTranslatef(At.Position.X, At.Position.Y, At.Position.Z);
  glRotatef(At.Course + 180, 0, 0, 1);
  glScalef(0.5f, 0.5f, 0.5f);
  glColor3f(tint.X, tint.Y, tint.Z);
  // The bar, the upper jaw, the lower jaw.
  DrawFlat(GL_LINE_LOOP, {{-10, 2}, {-10, -2}, {10, -2}, {10, 2}});
  DrawFlat(GL_LINE_LOOP, {{-10, 8}, {-10, 4}, {0, 4}, {10, 12}, {10, 16}, {0, 8}});
  DrawFlat(GL_LINE_LOOP, {{-10, -8}, {-10, -4}, {0, -4}, {10, -12}, {10, -16}, {0, -8}});
  glPopMatrix();
}
