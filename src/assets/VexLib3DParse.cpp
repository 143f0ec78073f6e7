#include "assets/VexLib3D.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "assets/VexLib3DFiles.h"

// The parser: lines of the text format into meshes, materials and bones, then the checks and
// the normals that drawing needs.

namespace {

bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

// Accepts exactly: optional sign, digits with an optional decimal point (at least one digit in
// all), optional exponent. Anything else, and anything that does not fit a float, reads as 0.
// from_chars reads that form but for the leading '+', and besides it only "inf", "infinity" and
// "nan" (after an optional '-'), which the first character after the sign rules out.
float ConvertNumber(std::string_view Text) {
  const char* first = Text.data();
  const char* const last = first + Text.size();
  const bool plus = first != last && *first == '+';
  if (plus) ++first;
  const char* body = !plus && first != last && *first == '-' ? first + 1 : first;
  if (body == last || !(IsDigit(*body) || *body == '.')) return 0;
  double value = 0;
#ifdef __EMSCRIPTEN__
  // The web build's C++ library has no from_chars for doubles. The form from_chars takes is
  // checked here (digits with at most one point, one digit at least, an optional exponent with
  // digits, nothing after), and strtod, which rounds correctly as well, reads the same value.
  const char* p = body;
  size_t digits = 0;
  while (p != last && IsDigit(*p)) ++p, ++digits;
  if (p != last && *p == '.')
    for (++p; p != last && IsDigit(*p); ++p) ++digits;
  if (digits == 0) return 0;
  if (p != last && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p != last && (*p == '+' || *p == '-')) ++p;
    const char* exponent = p;
    while (p != last && IsDigit(*p)) ++p;
    if (p == exponent) return 0;
  }
  if (p != last) return 0;
  const std::string number(first, last);
  value = std::strtod(number.c_str(), nullptr);
#else
  const auto result = std::from_chars(first, last, value);
  if (result.ec != std::errc() || result.ptr != last) return 0;
#endif
  if (!std::isfinite(value) || std::fabs(value) > 3.4028234663852886e38) return 0;
  return float(value);
}

// Lines split as the game splits them: every space starts a new field, so a field is what lies
// between two spaces. Returns the field that starts at Start and moves Start to the next one
// (past the end when there is none).
std::string_view NextField(std::string_view Line, size_t& Start) {
  if (Start > Line.size()) return {};
  const size_t space = std::min(Line.find(' ', Start), Line.size());
  const std::string_view field = Line.substr(Start, space - Start);
  Start = space + 1;
  return field;
}

// Field N, from 1.
std::string_view FieldText(std::string_view Line, int32_t N) {
  if (N < 1) return {};
  size_t start = 0;
  for (int32_t k = 1; k < N; ++k) {
    if (start > Line.size()) return {};
    NextField(Line, start);
  }
  return NextField(Line, start);
}

int32_t ToInt(float Value) {
  if (!(double(Value) >= -2147483648.0 && double(Value) <= 2147483647.0))
    throw Fail("Number out of range: " + std::to_string(Value));
  return RoundHalfEven(Value);
}

} // namespace

// A significant line with the eight fields the format ever reads found once, so that reading a
// field does not walk the line again. Float, Int and Word read a field as GetFloatField, a
// rounded GetFloatField and GetWordField do.
struct TModelLine {
  explicit TModelLine(const std::string& Line) : Text(Line) {
    size_t start = 0;
    for (std::string_view& field : Fields) field = NextField(Text, start);
  }
  float Float(int32_t N) const { return ConvertNumber(Fields[N - 1]); }
  int32_t Int(int32_t N) const { return ToInt(Float(N)); }
  std::string Word(int32_t N) const {
    return Text == "\"\"" ? std::string() : std::string(Fields[N - 1]);
  }
  const std::string& Text;
  std::string_view Fields[8];
};

void TMS3DObj::ParseText(std::string_view Text) {
  Reset();
  // Lines end at LF, CR LF or a lone CR; text after the last line ending is a line too. The next
  // CR and the next LF are each searched for once, not again for every line before them.
  std::string line;
  size_t pos = 0;
  // However the text ends, a line parsed later on its own has no limit again.
  struct TNoLimitAfter {
    size_t& Left;
    ~TNoLimitAfter() { Left = SIZE_MAX; }
  } noLimitAfter{TextLeft};
  size_t nextLF = Text.find('\n'), nextCR = Text.find('\r');
  while (pos < Text.size() && ParseState != psDone) {
    if (nextLF < pos) nextLF = Text.find('\n', pos);
    if (nextCR < pos) nextCR = Text.find('\r', pos);
    size_t end = std::min({nextLF, nextCR, Text.size()});
    line.assign(Text.data() + pos, end - pos);
    if (end < Text.size() && Text[end] == '\r') ++end;
    if (end < Text.size() && Text[end] == '\n') ++end;
    pos = end;
    TextLeft = Text.size() - pos;
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
  return ConvertNumber(FieldText(Line, N));
}

std::string TMS3DObj::GetWordField(const std::string& Line, int32_t N) {
  if (Line.empty() || Line == "\"\"") return std::string();
  return std::string(FieldText(Line, N));
}

std::string TMS3DObj::StripQuotes(const std::string& S) {
  if (S.size() < 3) return std::string();
  return S.substr(1, S.size() - 2);
}

int32_t TMS3DObj::ReadCount(const TModelLine& Line, int32_t Field, int32_t Limit,
                            const char* What) {
  const int32_t count = Line.Int(Field);
  if (count < 0) throw Fail(std::string("Negative ") + What + " count " + std::to_string(count));
  // Checked before the entries are allocated, so an absurd count costs nothing.
  if (count > Limit)
    throw Fail(std::string("The ") + What + " count " + std::to_string(count) +
               " is more than a model may hold (" + std::to_string(Limit) + ")");
  return count;
}

// Each mesh, vertex, normal and triangle is at least one significant line, and a significant line
// is at least one character and its line ending (the last line may have none). So a file that
// announces more of them than its remaining bytes could hold ends inside the mesh section, where
// no material has been read yet, and is refused: entries beyond the room could only ever be
// allocated, zeroed and thrown away. Bounding them keeps a small file from costing tens of
// megabytes, and changes nothing for a file that loads.
size_t TMS3DObj::Room(int32_t Count) const {
  return std::min(size_t(Count), TextLeft / 2 + 1);
}

void TMS3DObj::ParseLine(const std::string& Text) {
  const TModelLine Line(Text);
  switch (ParseState) {
  case psFrameCount:
  case psCurrentFrame:
  case psMeshCount:
    ParseHeaderLine(Line);
    break;
  case psMeshes:
    ParseMeshLine(Line);
    break;
  case psMaterials:
    ParseMaterialLine(Line);
    break;
  case psBones:
    ParseBoneLine(Line);
    break;
  default:
    break; // reading has stopped
  }
}

void TMS3DObj::ParseHeaderLine(const TModelLine& Line) {
  switch (ParseState) {
  case psFrameCount:
    Frames = Line.Int(2);
    ParseState = psCurrentFrame;
    break;
  case psCurrentFrame:
    CurrentFrame = Line.Int(2);
    ParseState = psMeshCount;
    break;
  default:
    MeshCount = ReadCount(Line, 2, MaxSectionCount, "mesh");
    if (MeshCount == 0) throw Fail("The model holds no meshes");
    Meshes.assign(Room(MeshCount), T3DMesh());
    CurrentMesh = 0;
    ParseState = psMeshes;
    MeshState = msMesh;
    break;
  }
}

void TMS3DObj::ParseMeshLine(const TModelLine& Line) {
  if (CurrentMesh < 0 || CurrentMesh >= int32_t(Meshes.size())) throw Fail("Mesh out of range");
  T3DMesh& mesh = Meshes[size_t(CurrentMesh)];
  switch (MeshState) {
  case msMesh:
    mesh.Name = Line.Word(1);
    mesh.Flags = Line.Int(2);
    mesh.MaterialIndex = Line.Int(3);
    MeshState = msVertexCount;
    break;
  case msVertexCount:
    mesh.VertexCount = ReadCount(Line, 1, MaxElementCount, "vertex");
    if (mesh.VertexCount == 0) throw Fail("Mesh " + mesh.Name + " has no vertices");
    mesh.Vertices.assign(Room(mesh.VertexCount), TMeshVertex());
    mesh.DrawVertices.assign(Room(mesh.VertexCount), TMeshVertex());
    mesh.VerticesRead = 0;
    MeshState = msVertex;
    break;
  case msVertex:
    ReadVertex(mesh, Line);
    if (mesh.VerticesRead == mesh.VertexCount) MeshState = msNormalCount;
    break;
  case msNormalCount:
    mesh.NormalCount = ReadCount(Line, 1, MaxElementCount, "normal");
    if (mesh.NormalCount == 0) throw Fail("Mesh " + mesh.Name + " has no normals");
    mesh.Normals.assign(Room(mesh.NormalCount), TXYZ());
    mesh.DrawNormals.assign(Room(mesh.NormalCount), TXYZ());
    mesh.NormalsRead = 0;
    MeshState = msNormal;
    break;
  case msNormal:
    if (mesh.NormalsRead >= int32_t(mesh.Normals.size())) throw Fail("Normal out of range");
    mesh.Normals[size_t(mesh.NormalsRead)] = {Line.Float(1), Line.Float(2), Line.Float(3)};
    if (++mesh.NormalsRead == mesh.NormalCount) MeshState = msTriangleCount;
    break;
  case msTriangleCount:
    mesh.TriangleCount = ReadCount(Line, 1, MaxElementCount, "triangle");
    if (mesh.TriangleCount == 0) throw Fail("Mesh " + mesh.Name + " has no triangles");
    mesh.Triangles.assign(Room(mesh.TriangleCount), TMeshTriangle());
    mesh.TrianglesRead = 0;
    MeshState = msTriangle;
    break;
  case msTriangle:
    ReadTriangle(mesh, Line);
    if (mesh.TrianglesRead != mesh.TriangleCount) break;
    if (++CurrentMesh == MeshCount) {
      ParseState = psMaterials;
      MaterialState = mtCount;
    } else {
      MeshState = msMesh;
    }
    break;
  default:
    throw Fail("Bad mesh state");
  }
}

void TMS3DObj::ReadVertex(T3DMesh& Mesh, const TModelLine& Line) {
  if (Mesh.VerticesRead >= int32_t(Mesh.Vertices.size())) throw Fail("Vertex out of range");
  TMeshVertex& v = Mesh.Vertices[size_t(Mesh.VerticesRead)];
  v.Flags = Line.Int(1);
  v.Position = {Line.Float(2), Line.Float(3), Line.Float(4)};
  v.U = Line.Float(5);
  v.V = Line.Float(6);
  v.BoneIndex = Line.Int(7);
  VertexPositions.push_back(v.Position);
  VertexPositionCount = int32_t(VertexPositions.size());
  ++Mesh.VerticesRead;
}

void TMS3DObj::ReadTriangle(T3DMesh& Mesh, const TModelLine& Line) {
  if (Mesh.TrianglesRead >= int32_t(Mesh.Triangles.size())) throw Fail("Triangle out of range");
  TMeshTriangle& t = Mesh.Triangles[size_t(Mesh.TrianglesRead)];
  t.Flags = Line.Int(1);
  t.V1 = Line.Int(2);
  t.V2 = Line.Int(3);
  t.V3 = Line.Int(4);
  t.N1 = Line.Int(5);
  t.N2 = Line.Int(6);
  t.N3 = Line.Int(7);
  t.SmoothingGroup = Line.Int(8);
  ++Mesh.TrianglesRead;
}

void TMS3DObj::ParseMaterialLine(const TModelLine& Line) {
  if (MaterialState == mtCount) {
    MaterialCount = ReadCount(Line, 2, MaxSectionCount, "material");
    if (MaterialCount == 0) throw Fail("The model holds no materials");
    // Every announced material is made, read or not: a file that ends among its materials
    // still loads, and a mesh may name one that was never read.
    Materials.assign(size_t(MaterialCount), TMaterial());
    CurrentMaterial = 0;
    MaterialState = mtName;
    return;
  }
  if (CurrentMaterial < 0 || CurrentMaterial >= int32_t(Materials.size()))
    throw Fail("Material out of range");
  TMaterial& m = Materials[size_t(CurrentMaterial)];
  float* colours[4] = {m.Ambient, m.Diffuse, m.Specular, m.Emissive};
  switch (MaterialState) {
  case mtName:
    m.Name = Line.Word(1);
    MaterialState = mtAmbient;
    break;
  case mtAmbient:
  case mtDiffuse:
  case mtSpecular:
  case mtEmissive:
    for (int32_t k = 0; k < 4; ++k) colours[MaterialState - mtAmbient][k] = Line.Float(k + 1);
    MaterialState = TMaterialState(MaterialState + 1);
    break;
  case mtShininess:
    m.Shininess = Line.Float(1);
    MaterialState = mtTransparency;
    break;
  case mtTransparency:
    m.Transparency = Line.Float(1);
    m.Transparent = m.Transparency != 1.0f;
    MaterialState = mtColourMap;
    break;
  case mtColourMap:
    ReadColourMap(m, Line);
    MaterialState = mtAlphaMap;
    break;
  case mtAlphaMap:
    m.AlphaMapFile = Line.Word(1);
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
}

void TMS3DObj::ReadColourMap(TMaterial& Material, const TModelLine& Line) {
  Material.TextureFile = Line.Word(1);
  if (Material.TextureFile.size() > 2)
    Material.TextureFile = Material.TextureFile.substr(1, Material.TextureFile.size() - 2);
  if (Material.TextureFile.size() <= 2) {
    Material.HasTexture = false;
    return;
  }
  std::string lower = Material.Name;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  Material.Masked = lower == "\"masked\"";
  Material.HasTexture = true;
  if (LoadTextures) UploadTexture(Material);
}

void TMS3DObj::ParseBoneLine(const TModelLine& Line) {
  if (BoneState == bsCount) {
    BoneCount = ReadCount(Line, 2, MaxSectionCount, "bone");
    if (BoneCount == 0) {
      ParseState = psDone;
    } else {
      // As with materials, every announced bone is made: a file may end among its bones.
      Bones.assign(size_t(BoneCount), TBone());
      CurrentBone = 0;
      BoneState = bsName;
    }
    return;
  }
  if (CurrentBone < 0 || CurrentBone >= int32_t(Bones.size())) throw Fail("Bone out of range");
  TBone& b = Bones[size_t(CurrentBone)];
  switch (BoneState) {
  case bsName:
    b.Name = StripQuotes(Line.Word(1));
    BoneState = bsParentName;
    break;
  case bsParentName:
    b.ParentName = StripQuotes(Line.Word(1));
    BoneState = bsPosition;
    break;
  case bsPosition:
    b.Flags = Line.Float(1);
    b.Position = {Line.Float(2), Line.Float(3), Line.Float(4)};
    BoneState = bsPositionKeyCount;
    break;
  case bsPositionKeyCount:
    // Keys are skipped, never stored, so a large count costs nothing but lines.
    b.PositionKeyCount = Line.Int(1);
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
    b.RotationKeyCount = Line.Int(1);
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
