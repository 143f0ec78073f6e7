#include "particles/Particle.h"

TParticleList::TParticleList() : Pool(new TParticle[PoolSize]) {
  Capacity = PoolSize;
  for (int32_t k = 0; k < Capacity; ++k) {
    Pool[k].Index = k;
    AppendFree(&Pool[k]);
  }
}

TParticleList::~TParticleList() {
  // The count must run before the nodes' storage goes away with Pool.
  Destroy();
}
