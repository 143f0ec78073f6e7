#include "assets/VexLib3D.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "assets/VexLib3DFiles.h"

// The parser: lines of the text format into meshes, materials and bones, then the checks and
// the normals that drawing needs.

namespace {

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
#ifdef __EMSCRIPTEN__
  // The web build's C++ library has no from_chars for doubles. Its strtod rounds correctly as
  // well, and the text is checked above to be a plain decimal number, so both read the same value.
  const std::string number(first, Text.data() + n);
  char* end = nullptr;
  value = std::strtod(number.c_str(), &end);
  if (end != number.c_str() + number.size()) return 0;
#else
  const auto result = std::from_chars(first, Text.data() + n, value);
  if (result.ec != std::errc() || result.ptr != Text.data() + n) return 0;
#endif
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

} // namespace

void TMS3DObj::ParseText(std::string_view Text) {
  Reset();
  // Lines end at LF, CR LF or a lone CR; text after the last line ending is a line too.
  std::string line;
  size_t pos = 0;
  while (pos < Text.size() && ParseState != psDone) {
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
  case psFrameCount:
    Frames = IntField(Line, 2);
    ParseState = psCurrentFrame;
    break;
  case psCurrentFrame:
    CurrentFrame = IntField(Line, 2);
    ParseState = psMeshCount;
    break;
  case psMeshCount:
    MeshCount = ReadCount(Line, 2, MaxSectionCount, "mesh");
    if (MeshCount == 0) throw Fail("The model holds no meshes");
    Meshes.assign(size_t(MeshCount), T3DMesh());
    CurrentMesh = 0;
    ParseState = psMeshes;
    MeshState = msMesh;
    break;
  case psMeshes: {
    if (CurrentMesh < 0 || CurrentMesh >= int32_t(Meshes.size())) throw Fail("Mesh out of range");
    T3DMesh& mesh = Meshes[size_t(CurrentMesh)];
    switch (MeshState) {
    case msMesh:
      mesh.Name = GetWordField(Line, 1);
      mesh.Flags = IntField(Line, 2);
      mesh.MaterialIndex = IntField(Line, 3);
      MeshState = msVertexCount;
      break;
    case msVertexCount:
      mesh.VertexCount = ReadCount(Line, 1, MaxElementCount, "vertex");
      if (mesh.VertexCount == 0) throw Fail("Mesh " + mesh.Name + " has no vertices");
      mesh.Vertices.assign(size_t(mesh.VertexCount), TMeshVertex());
      mesh.DrawVertices.assign(size_t(mesh.VertexCount), TMeshVertex());
      mesh.VerticesRead = 0;
      MeshState = msVertex;
      break;
    case msVertex: {
      if (mesh.VerticesRead >= int32_t(mesh.Vertices.size())) throw Fail("Vertex out of range");
      TMeshVertex& v = mesh.Vertices[size_t(mesh.VerticesRead)];
      v.Flags = IntField(Line, 1);
      v.Position = {GetFloatField(Line, 2), GetFloatField(Line, 3), GetFloatField(Line, 4)};
      v.U = GetFloatField(Line, 5);
      v.V = GetFloatField(Line, 6);
      v.BoneIndex = IntField(Line, 7);
      VertexPositions.push_back(v.Position);
      VertexPositionCount = int32_t(VertexPositions.size());
      if (++mesh.VerticesRead == mesh.VertexCount) MeshState = msNormalCount;
      break;
    }
    case msNormalCount:
      mesh.NormalCount = ReadCount(Line, 1, MaxElementCount, "normal");
      if (mesh.NormalCount == 0) throw Fail("Mesh " + mesh.Name + " has no normals");
      mesh.Normals.assign(size_t(mesh.NormalCount), TXYZ());
      mesh.DrawNormals.assign(size_t(mesh.NormalCount), TXYZ());
      mesh.NormalsRead = 0;
      MeshState = msNormal;
      break;
    case msNormal:
      if (mesh.NormalsRead >= int32_t(mesh.Normals.size())) throw Fail("Normal out of range");
      mesh.Normals[size_t(mesh.NormalsRead)] = {GetFloatField(Line, 1), GetFloatField(Line, 2),
                                                GetFloatField(Line, 3)};
      if (++mesh.NormalsRead == mesh.NormalCount) MeshState = msTriangleCount;
      break;
    case msTriangleCount:
      mesh.TriangleCount = ReadCount(Line, 1, MaxElementCount, "triangle");
      if (mesh.TriangleCount == 0) throw Fail("Mesh " + mesh.Name + " has no triangles");
      mesh.Triangles.assign(size_t(mesh.TriangleCount), TMeshTriangle());
      mesh.TrianglesRead = 0;
      MeshState = msTriangle;
      break;
    case msTriangle: {
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
          ParseState = psMaterials;
          MaterialState = mtCount;
        } else {
          MeshState = msMesh;
        }
      }
      break;
    }
    default:
      throw Fail("Bad mesh state");
    }
    break;
  }
  case psMaterials: {
    if (MaterialState == mtCount) {
      MaterialCount = ReadCount(Line, 2, MaxSectionCount, "material");
      if (MaterialCount == 0) throw Fail("The model holds no materials");
      Materials.assign(size_t(MaterialCount), TMaterial());
      CurrentMaterial = 0;
      MaterialState = mtName;
      break;
    }
    if (CurrentMaterial < 0 || CurrentMaterial >= int32_t(Materials.size()))
      throw Fail("Material out of range");
    TMaterial& m = Materials[size_t(CurrentMaterial)];
    float* colours[4] = {m.Ambient, m.Diffuse, m.Specular, m.Emissive};
    switch (MaterialState) {
    case mtName:
      m.Name = GetWordField(Line, 1);
      MaterialState = mtAmbient;
      break;
    case mtAmbient:
    case mtDiffuse:
    case mtSpecular:
    case mtEmissive:
      for (int32_t k = 0; k < 4; ++k)
        colours[MaterialState - mtAmbient][k] = GetFloatField(Line, k + 1);
      MaterialState = TMaterialState(MaterialState + 1);
      break;
    case mtShininess:
      m.Shininess = GetFloatField(Line, 1);
      MaterialState = mtTransparency;
      break;
    case mtTransparency:
      m.Transparency = GetFloatField(Line, 1);
      m.Transparent = m.Transparency != 1.0f;
      MaterialState = mtColourMap;
      break;
    case mtColourMap: {
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
      MaterialState = mtAlphaMap;
      break;
    }
    case mtAlphaMap:
      m.AlphaMapFile = GetWordField(Line, 1);
      if (++CurrentMaterial == MaterialCount) {
        ParseState = psBones;
        BoneState = bsCount;
      } else {
        MaterialState = mtName;
      }
      break;
    default:
      throw Fail("Bad material state");
    }
    break;
  }
  case psBones: {
    if (BoneState == bsCount) {
      BoneCount = ReadCount(Line, 2, MaxSectionCount, "bone");
      if (BoneCount == 0) {
        ParseState = psDone;
      } else {
        Bones.assign(size_t(BoneCount), TBone());
        CurrentBone = 0;
        BoneState = bsName;
      }
      break;
    }
    if (CurrentBone < 0 || CurrentBone >= int32_t(Bones.size())) throw Fail("Bone out of range");
    TBone& b = Bones[size_t(CurrentBone)];
    switch (BoneState) {
    case bsName:
      b.Name = StripQuotes(GetWordField(Line, 1));
      BoneState = bsParentName;
      break;
    case bsParentName:
      b.ParentName = StripQuotes(GetWordField(Line, 1));
      BoneState = bsPosition;
      break;
    case bsPosition:
      b.Flags = GetFloatField(Line, 1);
      b.Position = {GetFloatField(Line, 2), GetFloatField(Line, 3), GetFloatField(Line, 4)};
      BoneState = bsPositionKeyCount;
      break;
    case bsPositionKeyCount:
      // Keys are skipped, never stored, so a large count costs nothing but lines.
      b.PositionKeyCount = IntField(Line, 1);
      if (b.PositionKeyCount < 0) throw Fail("Negative position key count");
      if (b.PositionKeyCount != 0) {
        b.PositionKeysRead = 0;
        BoneState = bsPositionKey;
      } else {
        BoneState = bsRotationKeyCount;
      }
      break;
    case bsPositionKey:
      if (++b.PositionKeysRead == b.PositionKeyCount) BoneState = bsRotationKeyCount;
      break;
    case bsRotationKeyCount:
      b.RotationKeyCount = IntField(Line, 1);
      if (b.RotationKeyCount < 0) throw Fail("Negative rotation key count");
      if (b.RotationKeyCount != 0) {
        b.RotationKeysRead = 0;
        BoneState = bsRotationKey;
      } else {
        FinishBone();
      }
      break;
    case bsRotationKey:
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
    ParseState = psDone;
  } else {
    BoneState = bsName;
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
