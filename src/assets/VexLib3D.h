#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "assets/VexLib3DTypes.h"

// A model read from a MilkShape 3D ASCII text file beside the program: meshes, materials (with
// their textures uploaded to OpenGL while reading), bones, and every vertex position in file order.
class TMS3DObj {
public:
  TMS3DObj();
  ~TMS3DObj();
  TMS3DObj(const TMS3DObj&) = delete;
  TMS3DObj& operator=(const TMS3DObj&) = delete;

  std::vector<TXYZ> VertexPositions;
  int32_t VertexPositionCount = 0;
  uint8_t ParseState = 0;
  uint8_t MeshState = 0;
  uint8_t MaterialState = 0;
  uint8_t BoneState = 0;
  int32_t Frames = 0;
  int32_t CurrentFrame = 0;
  int32_t MeshCount = 0;
  int32_t CurrentMesh = 0;
  std::vector<T3DMesh> Meshes;
  int32_t MaterialCount = 0;
  int32_t CurrentMaterial = 0;
  std::vector<TMaterial> Materials;
  int32_t CurrentBone = 0;
  int32_t BoneCount = 0;
  std::vector<TBone> Bones;
  std::string FileName;
  TXYZ PointColour{1, 1, 1};

  // Reads FileName from the game's folder. A failure is shown to the user and then raised as
  // ETerminate (shell/Platform.h); the model must not be drawn afterwards. Needs a current GL context.
  void LoadFromFile(const std::string& FileName);

  // Writes the two colours into each mesh's material, then draws the mesh.
  void Draw(const TXYZ& AmbientRGB, const TXYZ& DiffuseRGB);
  void DrawMesh(const T3DMesh& Mesh);
  // Every triangle corner as a 2-pixel point in PointColour.
  void DrawPoints();
};
