#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "assets/VexLib3DTypes.h"

struct TModelLine; // a line of a model file, split into fields (VexLib3DParse.cpp)

// The loader's place in a model file: the section being read, and the kind of line expected next
// within a mesh, a material or a bone. The values are the line order of the file format.
enum TParseState : uint8_t {
  psFrameCount,   // "Frames: n"
  psCurrentFrame, // "Frame: n"
  psMeshCount,    // "Meshes: n"
  psMeshes,
  psMaterials,
  psBones,
  psDone // reading has stopped; the rest of the file is ignored
};
enum TMeshState : uint8_t {
  msMesh, // quoted name, flags, material index
  msVertexCount,
  msVertex,
  msNormalCount,
  msNormal,
  msTriangleCount,
  msTriangle
};
enum TMaterialState : uint8_t {
  mtCount, // "Materials: n"
  mtName,
  mtAmbient, // the four colours, in this order
  mtDiffuse,
  mtSpecular,
  mtEmissive,
  mtShininess,
  mtTransparency,
  mtColourMap, // quoted bitmap name, or ""
  mtAlphaMap
};
enum TBoneState : uint8_t {
  bsCount, // "Bones: n"
  bsName,
  bsParentName,
  bsPosition, // flags and position
  bsPositionKeyCount,
  bsPositionKey, // skipped
  bsRotationKeyCount,
  bsRotationKey // skipped
};

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
  TParseState ParseState = psFrameCount;
  TMeshState MeshState = msMesh;
  TMaterialState MaterialState = mtCount;
  TBoneState BoneState = bsCount;
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

  // True once a load has finished without error. Drawing does nothing before that, so a model
  // whose load failed is never drawn.
  bool Loaded = false;
  // When false, colour-map lines are still read but no bitmap is opened and no GL texture is
  // made; the parser fuzzer and GL-free tests use this.
  bool LoadTextures = true;

  // Reads FileName from the game's folder. A failure is shown to the user and then raised as
  // ETerminate (platform/Platform.h); the model must not be drawn afterwards. Needs a current GL
  // context.
  void LoadFromFile(const std::string& FileName);

  // Writes the two colours into each mesh's material, then draws the mesh.
  void Draw(const TXYZ& AmbientRGB, const TXYZ& DiffuseRGB);
  void DrawMesh(const T3DMesh& Mesh) const;
  // Every triangle corner as a 2-pixel point in PointColour.
  void DrawPoints() const;

  // The loader's steps, public so tests and the fuzzer can drive them. Every malformed input is
  // raised as std::runtime_error with a readable message; nothing reads or writes outside an array.

  // Runs the line reader over a whole file's text, then the two finishing steps; sets Loaded.
  void ParseText(std::string_view Text);
  void ParseLine(const std::string& Line);
  // Field N (from 1) of a line where every single space starts a new field.
  static float GetFloatField(const std::string& Line, int32_t N);
  static std::string GetWordField(const std::string& Line, int32_t N);
  static std::string StripQuotes(const std::string& S);
  void AssignVertexNormals();
  void PrepareDrawData();

  // Decodes a bottom-up 24-bit bitmap into top-row-first R G B (or R G B A when Masked, with
  // alpha 0 wherever the pixel equals the bottom-left pixel). Width and Height are set as soon as
  // the header is read. Raises std::runtime_error on anything it cannot decode safely.
  static std::unique_ptr<uint8_t[]> DecodeBitmap(const uint8_t* Data, size_t Size, bool Masked,
                                                 int32_t& Width, int32_t& Height);
  // Reads and decodes a bitmap from the game's folder. Failures are shown to the user and then
  // raised as ETerminate.
  static std::unique_ptr<uint8_t[]> LoadBitmapFile(const std::string& FileName, bool Masked,
                                                   int32_t& Width, int32_t& Height);
  // Decodes the material's TextureFile and makes its GL texture; the pixels are released after.
  void UploadTexture(TMaterial& Material);
  // The game's folder joined with a name from a model file, either slash counting as a separator.
  static std::string GamePath(const std::string& Name);

  // Largest model file read, and the most entries a single count line may announce.
  static constexpr size_t MaxFileSize = 4u << 20;
  static constexpr int32_t MaxSectionCount = 4096;   // meshes, materials, bones
  static constexpr int32_t MaxElementCount = 262144; // vertices, normals, triangles of one mesh
  static constexpr int32_t MaxTexturePixels = 262145;

private:
  void Reset();
  static int32_t ReadCount(const TModelLine& Line, int32_t Field, int32_t Limit, const char* What);
  // How many of Count announced entries to make room for: no more than the lines the rest of the
  // text could still hold.
  size_t Room(int32_t Count) const;
  // One per section of the file: the frame and mesh counts, the meshes, the materials, the bones.
  void ParseHeaderLine(const TModelLine& Line);
  void ParseMeshLine(const TModelLine& Line);
  void ReadVertex(T3DMesh& Mesh, const TModelLine& Line);
  void ReadTriangle(T3DMesh& Mesh, const TModelLine& Line);
  void ParseMaterialLine(const TModelLine& Line);
  void ReadColourMap(TMaterial& Material, const TModelLine& Line);
  void ParseBoneLine(const TModelLine& Line);
  void FinishBone();
  void CheckIndices() const;

  // Bytes of the text after the line being parsed (ParseText keeps it; a line parsed on its own
  // has no limit).
  size_t TextLeft = SIZE_MAX;
};

// The GL state a textured material draws with: its bitmap modulated by the colour, texels of alpha
// below 0.01 dropped, and the light added to what is behind (a transparent material also writes
// depth). Shared by the model drawing and the particle tiles, which must draw alike.
void UseAdditiveTexture(uint32_t TextureName, bool Transparent);
