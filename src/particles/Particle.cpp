#include "particles/Particle.h"

TParticleList::TParticleList() : Pool(new TParticle[10000]) {
  Capacity = 10000;
  for (int32_t k = 0; k < Capacity; ++k) {
    Pool[k].Index = k;
    AppendFree(&Pool[k]);
  }
}

TParticleList::~TParticleList() {
  // The count must run before the nodes' storage goes away with Pool.
  Destroy();
}
