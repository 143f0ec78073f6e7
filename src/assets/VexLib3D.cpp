#include "assets/VexLib3D.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "assets/VexLib3DFiles.h"
#include "platform/Platform.h"

// Reading a model file; the parser, the bitmaps and the drawing have files of their own
// (VexLib3DParse, VexLib3DBitmap, VexLib3DDraw).

namespace {

const char* const LineBreak = "\r\n";

} // namespace

void ShowProblem(const std::string& Name, const std::string& Message) {
  ShowErrorBox("Problem reading file " + Name + LineBreak + "Exception : " + Message + LineBreak +
               "Ensure all files in same folder, press Ok to terminate");
}

std::vector<uint8_t> ReadFileBytes(const std::string& Path, size_t Limit, bool& Truncated) {
  std::FILE* file = std::fopen(Path.c_str(), "rb");
  if (file == nullptr) throw Fail(std::strerror(errno));
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  Truncated = false;
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got == 0) break;
    if (bytes.size() + got > Limit) {
      bytes.insert(bytes.end(), chunk, chunk + (Limit - bytes.size()));
      Truncated = true;
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throw Fail(std::strerror(error));
  return bytes;
}

TMS3DObj::TMS3DObj() = default;

// GL texture objects belong to the context and are left to it.
TMS3DObj::~TMS3DObj() = default;

void TMS3DObj::Reset() {
  VertexPositions.clear();
  VertexPositionCount = 0;
  ParseState = psFrameCount;
  MeshState = msMesh;
  MaterialState = mtCount;
  BoneState = bsCount;
  Frames = CurrentFrame = MeshCount = CurrentMesh = 0;
  MaterialCount = CurrentMaterial = CurrentBone = BoneCount = 0;
  Meshes.clear();
  Materials.clear();
  Bones.clear();
  Loaded = false;
}

std::string TMS3DObj::GamePath(const std::string& Name) {
  std::string file;
  for (const char c : Name) file += c == '\\' ? '/' : c;
  return GameFolder(file) + file;
}

void TMS3DObj::LoadFromFile(const std::string& Name) {
  Reset();
  FileName = Name;
  try {
    bool truncated = false;
    const std::vector<uint8_t> bytes = ReadFileBytes(GamePath(Name), MaxFileSize, truncated);
    if (truncated)
      throw Fail("The model file is larger than " + std::to_string(MaxFileSize) + " bytes");
    ParseText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  } catch (const ETerminate&) {
    // A texture failure has already been reported under the bitmap's own name.
    Loaded = false;
    throw;
  } catch (const std::exception& e) {
    Loaded = false;
    ShowProblem(Name, e.what());
    throw ETerminate("Problem reading file " + Name);
  }
}
