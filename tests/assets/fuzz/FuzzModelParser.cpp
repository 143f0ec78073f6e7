// libFuzzer target: any bytes as a model file. The parser must either raise std::runtime_error
// or produce a model whose every index can be drawn, and no file may make it allocate more than
// its bytes can hold.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "../AllocationCounter.h"
#include "assets/VexLib3D.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TMS3DObj model;
  model.LoadTextures = false;
  bool parsed = true;
  {
    TAllocationCount count;
    try {
      model.ParseText(std::string_view(reinterpret_cast<const char*>(Data), Size));
    } catch (const std::runtime_error&) {
      parsed = false;
    }
    if (count.Bytes() > LoaderAllocationLimit(Size)) std::abort();
  }
  if (!parsed) {
    if (model.Loaded) std::abort();
    return 0;
  }
  if (!model.Loaded || model.Meshes.empty()) std::abort();
  if (model.VertexPositionCount != int32_t(model.VertexPositions.size())) std::abort();
  for (const T3DMesh& mesh : model.Meshes) {
    if (mesh.MaterialIndex < 0 || size_t(mesh.MaterialIndex) >= model.Materials.size())
      std::abort();
    if (mesh.DrawVertices.size() != mesh.Vertices.size()) std::abort();
    for (const TMeshTriangle& t : mesh.Triangles)
      for (const int32_t v : {t.V1, t.V2, t.V3})
        if (v < 0 || size_t(v) >= mesh.DrawVertices.size()) std::abort();
  }
  return 0;
}
