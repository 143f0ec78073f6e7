#include "assets/VexLib3D.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/Platform.h"

namespace {

const char* const LineBreak = "\r\n";

std::runtime_error Fail(const std::string& Message) {
  return std::runtime_error(Message);
}

// Accepts exactly: optional sign, digits with an optional decimal point (at least one digit in
// all), optional exponent. Anything else, and anything that does not fit a float, reads as 0.
float ConvertNumber(std::string_view Text) {
  size_t i = 0;
  const size_t n = Text.size();
  if (i < n && (Text[i] == '+' || Text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < n && Text[i] >= '0' && Text[i] <= '9') ++i, ++digits;
  if (i < n && Text[i] == '.') {
    ++i;
    while (i < n && Text[i] >= '0' && Text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < n && (Text[i] == 'e' || Text[i] == 'E')) {
    ++i;
    if (i < n && (Text[i] == '+' || Text[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < n && Text[i] >= '0' && Text[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return 0;
  }
  if (i != n) return 0;
  // from_chars takes no leading '+'.
  const char* first = Text.data();
  if (*first == '+') ++first;
  double value = 0;
  const auto result = std::from_chars(first, Text.data() + n, value);
  if (result.ec != std::errc() || result.ptr != Text.data() + n) return 0;
  if (!std::isfinite(value) || std::fabs(value) > 3.4028234663852886e38) return 0;
  return float(value);
}

// The collected text of field N, as the game splits lines: every space starts a new field.
std::string CollectField(const std::string& Line, int32_t N) {
  std::string collected;
  int32_t field = 1;
  for (const char c : Line) {
    if (c == ' ') {
      if (field == N && !collected.empty()) break;
      // Saturate rather than overflow on absurdly long runs of spaces.
      if (field < INT32_MAX) ++field;
    } else if (field == N) {
      collected += c;
    }
  }
  return collected;
}

int32_t ToInt(float Value) {
  if (!(double(Value) >= -2147483648.0 && double(Value) <= 2147483647.0))
    throw Fail("Number out of range: " + std::to_string(Value));
  return RoundHalfEven(Value);
}

int32_t IntField(const std::string& Line, int32_t N) {
  return ToInt(TMS3DObj::GetFloatField(Line, N));
}

void ShowProblem(const std::string& Name, const std::string& Message) {
  ShowErrorBox("Problem reading file " + Name + LineBreak + "Exception : " + Message + LineBreak +
               "Ensure all files in same folder, press Ok to terminate");
}

uint32_t ReadLE32(const uint8_t* P) {
  return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24;
}

bool PowerOfTwo(int32_t V) {
  return V > 0 && (V & (V - 1)) == 0;
}

// Reads at most Limit bytes of a file; raises with the system's text when it cannot be read.
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

} // namespace

TMS3DObj::TMS3DObj() = default;

// GL texture objects belong to the context and are left to it.
TMS3DObj::~TMS3DObj() = default;

void TMS3DObj::Reset() {
  VertexPositions.clear();
  VertexPositionCount = 0;
  ParseState = MeshState = MaterialState = BoneState = 0;
  Frames = CurrentFrame = MeshCount = CurrentMesh = 0;
  MaterialCount = CurrentMaterial = CurrentBone = BoneCount = 0;
  Meshes.clear();
  Materials.clear();
  Bones.clear();
  Loaded = false;
}

std::string TMS3DObj::GamePath(const std::string& Name) {
  std::string path = GameFolder();
  for (const char c : Name) path += c == '\\' ? '/' : c;
  return path;
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

void TMS3DObj::ParseText(std::string_view Text) {
  Reset();
  // Lines end at LF, CR LF or a lone CR; text after the last line ending is a line too.
  std::string line;
  size_t pos = 0;
  while (pos < Text.size() && ParseState != 6) {
    size_t end = pos;
    while (end < Text.size() && Text[end] != '\n' && Text[end] != '\r') ++end;
    line.assign(Text.data() + pos, end - pos);
    if (end < Text.size() && Text[end] == '\r') ++end;
    if (end < Text.size() && Text[end] == '\n') ++end;
    pos = end;
    if (line.empty()) continue;
    if (line.size() == 1 || line.compare(0, 2, "//") != 0) ParseLine(line);
  }
  // A file that ends early keeps what was read: entries announced but never read stay zero.
  if (Meshes.empty()) throw Fail("The model holds no meshes");
  CheckIndices();
  AssignVertexNormals();
  PrepareDrawData();
  Loaded = true;
}

float TMS3DObj::GetFloatField(const std::string& Line, int32_t N) {
  const std::string text = CollectField(Line, N);
  if (text.empty()) return 0;
  return ConvertNumber(text);
}

std::string TMS3DObj::GetWordField(const std::string& Line, int32_t N) {
  if (Line.empty() || Line == "\"\"") return std::string();
  return CollectField(Line, N);
}

std::string TMS3DObj::StripQuotes(const std::string& S) {
  if (S.size() < 3) return std::string();
  return S.substr(1, S.size() - 2);
}

int32_t TMS3DObj::ReadCount(const std::string& Line, int32_t Field, int32_t Limit,
                            const char* What) {
  const int32_t count = IntField(Line, Field);
  if (count < 0) throw Fail(std::string("Negative ") + What + " count " + std::to_string(count));
  // Checked before the entries are allocated, so an absurd count costs nothing.
  if (count > Limit)
    throw Fail(std::string("The ") + What + " count " + std::to_string(count) +
               " is more than a model may hold (" + std::to_string(Limit) + ")");
  return count;
}

void TMS3DObj::ParseLine(const std::string& Line) {
  switch (ParseState) {
  case 0:
    Frames = IntField(Line, 2);
    ParseState = 1;
    break;
  case 1:
    CurrentFrame = IntField(Line, 2);
    ParseState = 2;
    break;
  case 2:
    MeshCount = ReadCount(Line, 2, MaxSectionCount, "mesh");
    if (MeshCount == 0) throw Fail("The model holds no meshes");
    Meshes.assign(size_t(MeshCount), T3DMesh());
    CurrentMesh = 0;
    ParseState = 3;
    MeshState = 0;
    break;
  case 3: {
    if (CurrentMesh < 0 || CurrentMesh >= int32_t(Meshes.size())) throw Fail("Mesh out of range");
    T3DMesh& mesh = Meshes[size_t(CurrentMesh)];
    switch (MeshState) {
    case 0:
      mesh.Name = GetWordField(Line, 1);
      mesh.Flags = IntField(Line, 2);
      mesh.MaterialIndex = IntField(Line, 3);
      MeshState = 1;
      break;
    case 1:
      mesh.VertexCount = ReadCount(Line, 1, MaxElementCount, "vertex");
      if (mesh.VertexCount == 0) throw Fail("Mesh " + mesh.Name + " has no vertices");
      mesh.Vertices.assign(size_t(mesh.VertexCount), TMeshVertex());
      mesh.DrawVertices.assign(size_t(mesh.VertexCount), TMeshVertex());
      mesh.VerticesRead = 0;
      MeshState = 2;
      break;
    case 2: {
      if (mesh.VerticesRead >= int32_t(mesh.Vertices.size())) throw Fail("Vertex out of range");
      TMeshVertex& v = mesh.Vertices[size_t(mesh.VerticesRead)];
      v.Flags = IntField(Line, 1);
      v.Position = {GetFloatField(Line, 2), GetFloatField(Line, 3), GetFloatField(Line, 4)};
      v.U = GetFloatField(Line, 5);
      v.V = GetFloatField(Line, 6);
      v.BoneIndex = IntField(Line, 7);
      VertexPositions.push_back(v.Position);
      VertexPositionCount = int32_t(VertexPositions.size());
      if (++mesh.VerticesRead == mesh.VertexCount) MeshState = 3;
      break;
    }
    case 3:
      mesh.NormalCount = ReadCount(Line, 1, MaxElementCount, "normal");
      if (mesh.NormalCount == 0) throw Fail("Mesh " + mesh.Name + " has no normals");
      mesh.Normals.assign(size_t(mesh.NormalCount), TXYZ());
      mesh.DrawNormals.assign(size_t(mesh.NormalCount), TXYZ());
      mesh.NormalsRead = 0;
      MeshState = 4;
      break;
    case 4:
      if (mesh.NormalsRead >= int32_t(mesh.Normals.size())) throw Fail("Normal out of range");
      mesh.Normals[size_t(mesh.NormalsRead)] = {GetFloatField(Line, 1), GetFloatField(Line, 2),
                                                GetFloatField(Line, 3)};
      if (++mesh.NormalsRead == mesh.NormalCount) MeshState = 5;
      break;
    case 5:
      mesh.TriangleCount = ReadCount(Line, 1, MaxElementCount, "triangle");
      if (mesh.TriangleCount == 0) throw Fail("Mesh " + mesh.Name + " has no triangles");
      mesh.Triangles.assign(size_t(mesh.TriangleCount), TMeshTriangle());
      mesh.TrianglesRead = 0;
      MeshState = 6;
      break;
    case 6: {
      if (mesh.TrianglesRead >= int32_t(mesh.Triangles.size())) throw Fail("Triangle out of range");
      TMeshTriangle& t = mesh.Triangles[size_t(mesh.TrianglesRead)];
      t.Flags = IntField(Line, 1);
      t.V1 = IntField(Line, 2);
      t.V2 = IntField(Line, 3);
      t.V3 = IntField(Line, 4);
      t.N1 = IntField(Line, 5);
      t.N2 = IntField(Line, 6);
      t.N3 = IntField(Line, 7);
      t.SmoothingGroup = IntField(Line, 8);
      if (++mesh.TrianglesRead == mesh.TriangleCount) {
        if (++CurrentMesh == MeshCount) {
          ParseState = 4;
          MaterialState = 0;
        } else {
          MeshState = 0;
        }
      }
      break;
    }
    default:
      throw Fail("Bad mesh state");
    }
    break;
  }
  case 4: {
    if (MaterialState == 0) {
      MaterialCount = ReadCount(Line, 2, MaxSectionCount, "material");
      if (MaterialCount == 0) throw Fail("The model holds no materials");
      Materials.assign(size_t(MaterialCount), TMaterial());
      CurrentMaterial = 0;
      MaterialState = 1;
      break;
    }
    if (CurrentMaterial < 0 || CurrentMaterial >= int32_t(Materials.size()))
      throw Fail("Material out of range");
    TMaterial& m = Materials[size_t(CurrentMaterial)];
    float* colours[4] = {m.Ambient, m.Diffuse, m.Specular, m.Emissive};
    switch (MaterialState) {
    case 1:
      m.Name = GetWordField(Line, 1);
      MaterialState = 2;
      break;
    case 2:
    case 3:
    case 4:
    case 5:
      for (int32_t k = 0; k < 4; ++k) colours[MaterialState - 2][k] = GetFloatField(Line, k + 1);
      ++MaterialState;
      break;
    case 6:
      m.Shininess = GetFloatField(Line, 1);
      MaterialState = 7;
      break;
    case 7:
      m.Transparency = GetFloatField(Line, 1);
      m.Transparent = m.Transparency != 1.0f;
      MaterialState = 8;
      break;
    case 8: {
      m.TextureFile = GetWordField(Line, 1);
      if (m.TextureFile.size() > 2)
        m.TextureFile = m.TextureFile.substr(1, m.TextureFile.size() - 2);
      if (m.TextureFile.size() > 2) {
        std::string lower = m.Name;
        for (char& c : lower)
          if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        m.Masked = lower == "\"masked\"";
        m.HasTexture = true;
        if (LoadTextures) UploadTexture(m);
      } else {
        m.HasTexture = false;
      }
      MaterialState = 9;
      break;
    }
    case 9:
      m.AlphaMapFile = GetWordField(Line, 1);
      if (++CurrentMaterial == MaterialCount) {
        ParseState = 5;
        BoneState = 0;
      } else {
        MaterialState = 1;
      }
      break;
    default:
      throw Fail("Bad material state");
    }
    break;
  }
  case 5: {
    if (BoneState == 0) {
      BoneCount = ReadCount(Line, 2, MaxSectionCount, "bone");
      if (BoneCount == 0) {
        ParseState = 6;
      } else {
        Bones.assign(size_t(BoneCount), TBone());
        CurrentBone = 0;
        BoneState = 1;
      }
      break;
    }
    if (CurrentBone < 0 || CurrentBone >= int32_t(Bones.size())) throw Fail("Bone out of range");
    TBone& b = Bones[size_t(CurrentBone)];
    switch (BoneState) {
    case 1:
      b.Name = StripQuotes(GetWordField(Line, 1));
      BoneState = 2;
      break;
    case 2:
      b.ParentName = StripQuotes(GetWordField(Line, 1));
      BoneState = 3;
      break;
    case 3:
      b.Flags = GetFloatField(Line, 1);
      b.Position = {GetFloatField(Line, 2), GetFloatField(Line, 3), GetFloatField(Line, 4)};
      BoneState = 4;
      break;
    case 4:
      // Keys are skipped, never stored, so a large count costs nothing but lines.
      b.PositionKeyCount = IntField(Line, 1);
      if (b.PositionKeyCount < 0) throw Fail("Negative position key count");
      if (b.PositionKeyCount != 0) {
        b.PositionKeysRead = 0;
        BoneState = 5;
      } else {
        BoneState = 6;
      }
      break;
    case 5:
      if (++b.PositionKeysRead == b.PositionKeyCount) BoneState = 6;
      break;
    case 6:
      b.RotationKeyCount = IntField(Line, 1);
      if (b.RotationKeyCount < 0) throw Fail("Negative rotation key count");
      if (b.RotationKeyCount != 0) {
        b.RotationKeysRead = 0;
        BoneState = 7;
      } else {
        FinishBone();
      }
      break;
    case 7:
      if (++b.RotationKeysRead == b.RotationKeyCount) FinishBone();
      break;
    default:
      throw Fail("Bad bone state");
    }
    break;
  }
  default:
    break; // reading has stopped
  }
}

void TMS3DObj::FinishBone() {
  if (++CurrentBone == BoneCount) {
    ParseState = 6;
  } else {
    BoneState = 1;
  }
}

void TMS3DObj::CheckIndices() const {
  for (size_t i = 0; i < Meshes.size(); ++i) {
    const T3DMesh& mesh = Meshes[i];
    if (mesh.MaterialIndex < 0 || mesh.MaterialIndex >= int32_t(Materials.size()))
      throw Fail("Mesh " + std::to_string(i) + " names material " +
                 std::to_string(mesh.MaterialIndex) + " of " + std::to_string(Materials.size()));
  }
}

void TMS3DObj::AssignVertexNormals() {
  for (size_t i = 0; i < Meshes.size(); ++i) {
    T3DMesh& mesh = Meshes[i];
    for (size_t t = 0; t < mesh.Triangles.size(); ++t) {
      const TMeshTriangle& tri = mesh.Triangles[t];
      const int32_t v[3] = {tri.V1, tri.V2, tri.V3};
      const int32_t n[3] = {tri.N1, tri.N2, tri.N3};
      for (int k = 0; k < 3; ++k) {
        if (v[k] < 0 || v[k] >= int32_t(mesh.Vertices.size()))
          throw Fail("Triangle " + std::to_string(t) + " of mesh " + std::to_string(i) +
                     " names vertex " + std::to_string(v[k]) + " of " +
                     std::to_string(mesh.Vertices.size()));
        if (n[k] < 0 || n[k] >= int32_t(mesh.Normals.size()))
          throw Fail("Triangle " + std::to_string(t) + " of mesh " + std::to_string(i) +
                     " names normal " + std::to_string(n[k]) + " of " +
                     std::to_string(mesh.Normals.size()));
        mesh.Vertices[size_t(v[k])].Normal = mesh.Normals[size_t(n[k])];
      }
    }
  }
}

void TMS3DObj::PrepareDrawData() {
  for (T3DMesh& mesh : Meshes) {
    mesh.DrawVertices = mesh.Vertices;
    mesh.DrawNormals = mesh.Normals;
  }
  for (size_t i = 0; i < Meshes.size(); ++i) {
    T3DMesh& mesh = Meshes[i];
    const int32_t count = int32_t(mesh.DrawVertices.size());
    for (TMeshTriangle& tri : mesh.Triangles) {
      if (tri.V1 < 0 || tri.V1 >= count || tri.V2 < 0 || tri.V2 >= count || tri.V3 < 0 ||
          tri.V3 >= count)
        throw Fail("A triangle of mesh " + std::to_string(i) + " names a missing vertex");
      const TXYZ& p1 = mesh.DrawVertices[size_t(tri.V1)].Position;
      const TXYZ& p2 = mesh.DrawVertices[size_t(tri.V2)].Position;
      const TXYZ& p3 = mesh.DrawVertices[size_t(tri.V3)].Position;
      const TXYZ a{p2.X - p1.X, p2.Y - p1.Y, p2.Z - p1.Z};
      const TXYZ b{p3.X - p1.X, p3.Y - p1.Y, p3.Z - p1.Z};
      const TXYZ w{a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
      float length = std::sqrt(w.X * w.X + w.Y * w.Y + w.Z * w.Z);
      // Also covers an overflowed or NaN length from absurd coordinates.
      if (!(length > 0) || !std::isfinite(length)) length = 1;
      tri.FaceNormal = {w.X / length, w.Y / length, w.Z / length};
    }
  }
}

std::unique_ptr<uint8_t[]> TMS3DObj::DecodeBitmap(const uint8_t* Data, size_t Size, bool Masked,
                                                  int32_t& Width, int32_t& Height) {
  if (Size < 14) throw Fail("The file is shorter than a bitmap header");
  if (Data[0] != 'B' || Data[1] != 'M') throw Fail("Invalid Bitmap");
  if (Size < 54) throw Fail("The file is shorter than a bitmap header");
  Width = int32_t(ReadLE32(Data + 18));
  Height = int32_t(ReadLE32(Data + 22));
  const int32_t w = Width;
  const int32_t h = Height;
  if (w <= 0 || h <= 0)
    throw Fail("Bitmap size " + std::to_string(w) + " x " + std::to_string(h) +
               " is not supported");
  const int64_t pixels = int64_t(w) * int64_t(h);
  if (pixels > MaxTexturePixels)
    throw Fail("Bitmap of " + std::to_string(w) + " x " + std::to_string(h) +
               " pixels is too large");
  // Stored rows carry no filler only when they are a multiple of 4 bytes; OpenGL 1.1 needs sides
  // that are powers of two.
  if (w % 4 != 0) throw Fail("Bitmap rows are not a multiple of 4 bytes");
  if (!PowerOfTwo(w) || !PowerOfTwo(h)) throw Fail("Bitmap sides are not powers of two");
  const size_t rgbBytes = size_t(pixels) * 3;
  if (Size - 54 < rgbBytes) throw Fail("The bitmap holds fewer pixels than its size needs");

  auto rgb = std::make_unique<uint8_t[]>(rgbBytes);
  const size_t rowBytes = size_t(w) * 3;
  // Stored bottom row first, B G R: write each stored row into its flipped place as R G B.
  for (int32_t row = 0; row < h; ++row) {
    const uint8_t* src = Data + 54 + size_t(row) * rowBytes;
    uint8_t* dst = rgb.get() + size_t(h - 1 - row) * rowBytes;
    for (int32_t x = 0; x < w; ++x) {
      dst[x * 3 + 0] = src[x * 3 + 2];
      dst[x * 3 + 1] = src[x * 3 + 1];
      dst[x * 3 + 2] = src[x * 3 + 0];
    }
  }
  if (!Masked) return rgb;

  // The key colour is the first stored pixel: the picture's bottom-left.
  const uint8_t keyR = Data[54 + 2], keyG = Data[54 + 1], keyB = Data[54 + 0];
  auto rgba = std::make_unique<uint8_t[]>(size_t(pixels) * 4);
  for (int64_t i = 0; i < pixels; ++i) {
    const uint8_t* s = rgb.get() + i * 3;
    uint8_t* d = rgba.get() + i * 4;
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = (s[0] == keyR && s[1] == keyG && s[2] == keyB) ? 0 : 255;
  }
  return rgba;
}

std::unique_ptr<uint8_t[]> TMS3DObj::LoadBitmapFile(const std::string& Name, bool Masked,
                                                    int32_t& Width, int32_t& Height) {
  const std::string path = GamePath(Name);
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    ShowErrorBox("Cannot find the file: " + Name);
  try {
    // Nothing past the largest picture's pixels is ever needed.
    bool truncated = false;
    const std::vector<uint8_t> bytes =
        ReadFileBytes(path, 54 + size_t(MaxTexturePixels) * 3, truncated);
    return DecodeBitmap(bytes.data(), bytes.size(), Masked, Width, Height);
  } catch (const std::exception& e) {
    ShowProblem(Name, e.what());
    throw ETerminate("Problem reading file " + Name);
  }
}

void TMS3DObj::UploadTexture(TMaterial& M) {
  std::unique_ptr<uint8_t[]> pixels =
      LoadBitmapFile(M.TextureFile, M.Masked, M.TextureWidth, M.TextureHeight);
  M.TextureData = pixels.get();
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (maxSize > 0 && (M.TextureWidth > maxSize || M.TextureHeight > maxSize)) {
    M.TextureData = nullptr;
    ShowProblem(M.TextureFile, "The bitmap is larger than this OpenGL can hold (" +
                                   std::to_string(maxSize) + " pixels a side)");
    throw ETerminate("Problem reading file " + M.TextureFile);
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  if (name == 0) {
    // Without a current context the texture would silently never exist.
    M.TextureData = nullptr;
    ShowProblem(M.TextureFile, "No OpenGL texture could be made for the bitmap");
    throw ETerminate("Problem reading file " + M.TextureFile);
  }
  M.TextureName = name;
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  const GLenum format = M.Masked ? GL_RGBA : GL_RGB;
  glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), M.TextureWidth, M.TextureHeight, 0, format,
               GL_UNSIGNED_BYTE, M.TextureData);
  M.TextureData = nullptr;
  pixels.reset();
}

void TMS3DObj::Draw(const TXYZ& AmbientRGB, const TXYZ& DiffuseRGB) {
  if (!Loaded) return;
  for (const T3DMesh& mesh : Meshes) {
    if (mesh.MaterialIndex < 0 || mesh.MaterialIndex >= int32_t(Materials.size())) continue;
    TMaterial& m = Materials[size_t(mesh.MaterialIndex)];
    m.Ambient[0] = AmbientRGB.X;
    m.Ambient[1] = AmbientRGB.Y;
    m.Ambient[2] = AmbientRGB.Z;
    m.Diffuse[0] = DiffuseRGB.X;
    m.Diffuse[1] = DiffuseRGB.Y;
    m.Diffuse[2] = DiffuseRGB.Z;
    DrawMesh(mesh);
  }
}

void TMS3DObj::DrawMesh(const T3DMesh& Mesh) {
  if (!Loaded) return;
  if (Mesh.MaterialIndex < 0 || Mesh.MaterialIndex >= int32_t(Materials.size())) return;
  const TMaterial& m = Materials[size_t(Mesh.MaterialIndex)];
  const int32_t count = int32_t(Mesh.DrawVertices.size());
  glEnable(GL_LIGHTING);
  glMaterialfv(GL_FRONT, GL_AMBIENT, m.Ambient);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, m.Diffuse);
  glMaterialfv(GL_FRONT, GL_SPECULAR, m.Specular);
  glMaterialfv(GL_FRONT, GL_SHININESS, &m.Shininess);
  glMaterialfv(GL_FRONT, GL_EMISSION, m.Emissive);
  if (m.HasTexture) {
    glBindTexture(GL_TEXTURE_2D, m.TextureName);
    glEnable(GL_TEXTURE_2D);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GEQUAL, 0.01f);
    glEnable(GL_BLEND);
    if (m.Transparent) glDepthMask(GL_TRUE);
    // Textured meshes always add their light to what is behind them.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glBegin(GL_TRIANGLES);
    for (const TMeshTriangle& tri : Mesh.Triangles) {
      for (const int32_t v : {tri.V1, tri.V2, tri.V3}) {
        if (v < 0 || v >= count) continue;
        const TMeshVertex& d = Mesh.DrawVertices[size_t(v)];
        glTexCoord2f(d.U, d.V);
        glNormal3f(d.Normal.X, d.Normal.Y, d.Normal.Z);
        glVertex3f(d.Position.X, d.Position.Y, d.Position.Z);
      }
    }
    glEnd();
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
  } else {
    glBegin(GL_TRIANGLES);
    for (const TMeshTriangle& tri : Mesh.Triangles) {
      for (const int32_t v : {tri.V1, tri.V2, tri.V3}) {
        if (v < 0 || v >= count) continue;
        const TXYZ& p = Mesh.DrawVertices[size_t(v)].Position;
        glNormal3f(tri.FaceNormal.X, tri.FaceNormal.Y, tri.FaceNormal.Z);
        glVertex3f(p.X, p.Y, p.Z);
      }
    }
    glEnd();
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
  }
}

void TMS3DObj::DrawPoints() {
  if (!Loaded) return;
  for (const T3DMesh& mesh : Meshes) {
    const int32_t count = int32_t(mesh.DrawVertices.size());
    glDisable(GL_LIGHTING);
    glColor3f(PointColour.X, PointColour.Y, PointColour.Z);
    glPointSize(2);
    glBegin(GL_POINTS);
    for (const TMeshTriangle& tri : mesh.Triangles) {
      for (const int32_t v : {tri.V1, tri.V2, tri.V3}) {
        if (v < 0 || v >= count) continue;
        const TXYZ& p = mesh.DrawVertices[size_t(v)].Position;
        glVertex3f(p.X, p.Y, p.Z);
      }
    }
    glEnd();
  }
}
