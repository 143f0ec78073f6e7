// One UpdateAndDraw pass over a full pool of 10000 live particles of one kind, including the
// time GL takes to finish drawing them; "immediate" 1 draws each particle on its own, the way the
// batched pass must match. GALLIUM_NOOP=1 keeps the context but skips rasterising,
// which leaves the engine's own work and the immediate-mode calls.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include "assets/GameRandom.h"
#include "particles/ParticleEngine2.h"
#include "platform/Platform.h"
#include "support/GLTestContext.h"

namespace {

void FillPool(TParticleEngine2& Engine, TParticleKind Kind) {
  Engine.Clear();
  RandSeed = 1;
  // Rings keep their size (speed 0) so that every iteration draws the same amount; a life far
  // beyond the run keeps all 10000 live and unfaded. Only where they are, how they move and their
  // colour differ from one particle to the next.
  TParticleSpawn request{.Kind = Kind,
                         .Size = 2,
                         .Speed = Kind == pkRing ? 0.0f : 1.0f,
                         .TailLength = 3,
                         .Life = 1 << 30,
                         .Scale = 4};
  for (int i = 0; i < 10000; ++i) {
    request.Position = {float(Random(1600)) - 800, float(Random(1100)) - 550, 0};
    request.Velocity = {float(Random(9)) - 4, float(Random(9)) - 4, 0};
    request.Colour = {float(Random()), float(Random()), float(Random())};
    Engine.Spawn(request);
  }
}

void BM_UpdateAndDraw(benchmark::State& State) {
  // The game's process keeps freed memory from before its GL is loaded; so does this one.
  static const bool keeping = (PlatformKeepFreedMemory(), true);
  (void)keeping;
  GLTestContext& gl = GLTestContext::Get();
  static TParticleEngine2* engine = new TParticleEngine2(); // kept with the GL context
  const TParticleKind kind = TParticleKind(State.range(0));
  engine->Immediate = State.range(1) != 0;
  FillPool(*engine, kind);
  int64_t visited = 0;
  for (auto _ : State) {
    gl.BeginFrame();
    visited += engine->UpdateAndDraw();
    glFinish();
  }
  if (engine->LiveCount() != 10000) State.SkipWithError("particles expired during the run");
  State.SetItemsProcessed(visited);
  State.counters["live"] = double(engine->LiveCount());
}

BENCHMARK(BM_UpdateAndDraw)
    ->ArgNames({"kind", "immediate"})
    ->ArgsProduct({benchmark::CreateDenseRange(0, 6, 1), {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
