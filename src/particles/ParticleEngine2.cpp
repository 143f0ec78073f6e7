#include "particles/ParticleEngine2.h"

#include "gl/GL.h"

#include "assets/VexLib3D.h"
#include "particles/Particle.h"
#include "particles/ParticleBatcher.h"

namespace {
constexpr int32_t RingFadeBelowLife = 50;
constexpr float RingFadeStep = 0.05f;

// A particle model that is not a tile (a replaced data file) is drawn as a lit model.
void DrawModelAt(TMS3DObj* Model, const TParticleShape& P) {
  glEnable(GL_LIGHTING);
  glDisable(GL_LIGHT0);
  glDisable(GL_DEPTH_TEST);
  glPushMatrix();
  glTranslatef(P.Position.X, P.Position.Y, P.Position.Z);
  glScalef(P.Scale, P.Scale, P.Scale);
  const TXYZ colour{P.Colour.R, P.Colour.G, P.Colour.B};
  Model->Draw(colour, colour);
  glPopMatrix();
  glDisable(GL_BLEND);
  glDisable(GL_LIGHTING);
}
} // namespace

TParticleEngine2::TParticleEngine2() {
  // The models may fail to load (reported, then ETerminate): free whatever was made so far.
  try {
    SphereModel = new TMS3DObj();
    SphereModel->LoadFromFile("SphereTile8x8.txt");
    RingModel = new TMS3DObj();
    RingModel->LoadFromFile("CircleFade8x8.txt");
    Particles = new TParticleList();
    Batcher = std::make_unique<TParticleBatcher>(SphereModel, RingModel, Particles->Capacity);
    Shown.reset(new TParticleShown[size_t(Particles->Capacity)]);
  } catch (...) {
    delete Particles;
    delete SphereModel;
    delete RingModel;
    throw;
  }
}

TParticleEngine2::~TParticleEngine2() {
  // Reports lost particles through the error box rather than throwing out of a destructor.
  Particles->Destroy();
  delete Particles;
  delete SphereModel;
  delete RingModel;
}

TParticle* TParticleEngine2::Spawn(const TParticleSpawn& Request) {
  TParticle* p = Particles->Allocate();
  if (p == nullptr) return nullptr;
  p->Position = Request.Position;
  p->Velocity = Request.Velocity;
  p->Kind = Request.Kind;
  p->Colour = {Request.Colour.X, Request.Colour.Y, Request.Colour.Z, 1.0f};
  p->Size = Request.Size;
  p->Speed = Request.Speed;
  p->TailLength = Request.TailLength;
  p->Life = Request.Life;
  p->Scale = float(Request.Scale);
  p->Fresh = true;
  return p;
}

void TParticleEngine2::Clear() {
  TParticle* p = Particles->First();
  while (p != nullptr) p = Particles->Release(p);
  ShownCount = 0;
}

int32_t TParticleEngine2::LiveCount() const {
  return Particles->ActiveCount;
}

int32_t TParticleEngine2::LastBatchedDraws() const {
  return Batcher ? Batcher->Draws : 0;
}

namespace {

// Each particle on its own, in immediate mode. The colour goes with every vertex, as the batched
// arrays give it: set once before glBegin, it may reach the driver as a constant or per vertex
// depending on what was drawn just before, and the two can round a step apart.
struct TImmediateDrawer {
  TMS3DObj* Models[TParticleBatcher::ModelCount];
  const TParticleTile* Tiles[TParticleBatcher::ModelCount];
  float SceneAmbient[4] = {};

  void Streak(const TParticleShape& P) {
    glDisable(GL_LIGHTING);
    glPushMatrix();
    glLineWidth(float(P.Size));
    glBegin(GL_LINES);
    glColor3f(P.Colour.R, P.Colour.G, P.Colour.B);
    glVertex3f(P.Position.X, P.Position.Y, P.Position.Z);
    glColor3f(P.Colour.R, P.Colour.G, P.Colour.B);
    glVertex3f(P.TailX, P.TailY, 0);
    glEnd();
    glPopMatrix();
  }
  void Point(const TParticleShape& P) {
    glDisable(GL_LIGHTING);
    glPointSize(float(P.Size));
    glBegin(GL_POINTS);
    glColor3f(P.Colour.R, P.Colour.G, P.Colour.B);
    glVertex3f(P.Position.X, P.Position.Y, P.Position.Z);
    glEnd();
  }
  void Tile(int32_t Model, const TParticleShape& P) {
    const TParticleTile& tile = *Tiles[Model];
    if (!tile.Usable) {
      DrawModelAt(Models[Model], P);
      return;
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_DEPTH_TEST);
    TileStateOn(tile);
    float corners[TParticleTile::MaxVertices * 3];
    float colour[4];
    TileCorners(tile, P, corners);
    TileColour(tile, SceneAmbient, P, colour);
    glBegin(GL_TRIANGLES);
    for (int32_t i = 0; i < tile.IndexCount; ++i) {
      const int32_t v = tile.Indices[i];
      glColor4fv(colour);
      glTexCoord2fv(&tile.TexCoords[v * 2]);
      glVertex3fv(&corners[v * 3]);
    }
    glEnd();
    TileStateOff();
  }
  void End() {}
};

} // namespace

int32_t TParticleEngine2::Update() {
  ShownCount = 0;
  int32_t visited = 0;
  TParticle* p = Particles->First();
  while (p != nullptr) {
    ++visited;
    const TXYZ from = p->Position;
    p->Position.X += p->Velocity.X * p->Speed;
    p->Position.Y += p->Velocity.Y * p->Speed;
    p->Position.Z += p->Velocity.Z * p->Speed;

    // Kinds 0 to 3 draw a streak or a point; 2 to 5 a model while the scale is above 0.
    const bool draws = p->Kind <= pkPointSphere || (p->Kind <= pkRing && p->Scale > 0);
    if (Recording && draws) {
      TParticleShown& shown = Shown[ShownCount++];
      shown.From = p->Fresh ? p->Position : from;
      shown.To = p->Position;
      shown.TailX = p->Velocity.X * p->TailLength;
      shown.TailY = p->Velocity.Y * p->TailLength;
      shown.Scale = p->Scale;
      shown.ScaleFrom = p->Kind == pkRing && !p->Fresh ? p->Scale - p->Speed : p->Scale;
      shown.Colour = p->Colour;
      shown.Size = p->Size;
      shown.Kind = p->Kind;
    }
    p->Fresh = false;

    if (p->Kind == pkRing && p->Scale > 0) {
      // Shown at the old colour first, then grown and darkened for the next step.
      p->Scale += p->Speed;
      if (p->Life < RingFadeBelowLife) {
        TXYZ rgb{p->Colour.R, p->Colour.G, p->Colour.B};
        FadeXYZ(rgb, rgb, RingFadeStep);
        p->Colour.R = rgb.X;
        p->Colour.G = rgb.Y;
        p->Colour.B = rgb.Z;
      }
    }

    // The particle is shown where it went; only now is it put back on the wall.
    if (!InsideXY(p->Position, ArenaMinX, ArenaMaxX, ArenaMinY, ArenaMaxY)) {
      if (ClampAxis(p->Position.X, ArenaMinX, ArenaMaxX)) p->Velocity.X = -p->Velocity.X;
      if (ClampAxis(p->Position.Y, ArenaMinY, ArenaMaxY)) p->Velocity.Y = -p->Velocity.Y;
    }

    p->Life -= 1;
    if (p->Life > 0)
      p = static_cast<TParticle*>(p->Next);
    else
      p = Particles->Release(p);
  }
  return visited;
}

void TParticleEngine2::Draw(float Fraction) {
  if (!GLDrawing()) {
    Batcher->Draws = 0;
    return;
  }
  if (!Immediate && Batcher->Begin()) {
    Pass(*Batcher, Fraction);
    return;
  }
  Batcher->Draws = 0;
  TImmediateDrawer drawer{{SphereModel, RingModel},
                          {&Batcher->TileOf(TParticleBatcher::SphereTile),
                           &Batcher->TileOf(TParticleBatcher::RingTile)}};
  glGetFloatv(GL_LIGHT_MODEL_AMBIENT, drawer.SceneAmbient);
  Pass(drawer, Fraction);
}

template <typename TDrawer> void TParticleEngine2::Pass(TDrawer& Drawer, float Fraction) {
  glPushMatrix();
  for (int32_t i = 0; i < ShownCount; ++i) {
    const TParticleShown& shown = Shown[i];
    TParticleShape shape;
    shape.Position = Blend(shown.From, shown.To, Fraction);
    shape.TailX = shape.Position.X - shown.TailX;
    shape.TailY = shape.Position.Y - shown.TailY;
    shape.Scale = Blend(shown.ScaleFrom, shown.Scale, Fraction);
    shape.Colour = shown.Colour;
    shape.Size = shown.Size;

    switch (shown.Kind) {
    case pkStreak:
    case pkStreakSphere:
      Drawer.Streak(shape);
      break;
    case pkPoint:
    case pkPointSphere:
      Drawer.Point(shape);
      break;
    default:
      break;
    }

    if (shown.Scale > 0) {
      if (shown.Kind >= pkStreakSphere && shown.Kind <= pkSphere)
        Drawer.Tile(TParticleBatcher::SphereTile, shape);
      else if (shown.Kind == pkRing)
        Drawer.Tile(TParticleBatcher::RingTile, shape);
    }
  }
  Drawer.End();
  glPopMatrix();
}
