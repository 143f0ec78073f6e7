// The model loader without drawing: field splitting, the line reader, the section state machine,
// normals, and every malformed file being reported instead of crashing.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "ModelTestFiles.h"
#include "assets/VexLib3D.h"

namespace {

TMS3DObj* Parsed(const std::string& Text) {
  auto* model = new TMS3DObj();
  model->LoadTextures = false;
  model->ParseText(Text);
  return model;
}

// A one-mesh model with given vertex, normal and triangle sections and a plain material.
std::string MeshModel(const std::string& Vertices, const std::string& Normals,
                      const std::string& Triangles, const std::string& Tail = "") {
  return "Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 0\n" + Vertices + Normals + Triangles +
         "Materials: 1\n\"mat\"\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0\n1\n\"\"\n\"\"\nBones: 0\n" +
         Tail;
}

} // namespace

TEST(ModelFields, FloatFieldsSplitAtEverySpace) {
  struct Case {
    const char* Line;
    int N;
    float Expected;
  } cases[] = {
      {"1 2 3", 1, 1},  {"1 2 3", 2, 2},      {"1 2 3", 3, 3},
      {"1 2 3", 4, 0},  {"1  2 3", 2, 0},     {"1  2 3", 3, 2},
      {"1  2 3", 4, 3}, {" 5", 1, 0},         {" 5", 2, 5},
      {"1\t2 3", 1, 0}, {"1\t2 3", 2, 3},     {"abc 2", 1, 0},
      {"abc 2", 2, 2},  {"-1.5e2", 1, -150},  {"+.5", 1, 0.5f},
      {"5.", 1, 5},     {"2.5E-1", 1, 0.25f}, {"1e", 1, 0},
      {".", 1, 0},      {"-", 1, 0},          {"inf", 1, 0},
      {"nan", 1, 0},    {"0x10", 1, 0},       {"1e999", 1, 0},
      {"1,5", 1, 0},    {"1.5abc", 1, 0},     {"Frames: 119", 2, 119},
      {"", 1, 0},       {"7 ", 1, 7},         {"7 8", 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(TMS3DObj::GetFloatField(c.Line, c.N), c.Expected)
        << "line \"" << c.Line << "\" field " << c.N;
}

TEST(ModelFields, WordFieldsKeepQuotesAndStripQuotesDropsEnds) {
  EXPECT_EQ(TMS3DObj::GetWordField("\"Regroup02\" 0 0", 1), "\"Regroup02\"");
  EXPECT_EQ(TMS3DObj::GetWordField("\"Regroup02\" 0 0", 3), "0");
  EXPECT_EQ(TMS3DObj::GetWordField("\"\"", 1), "");
  EXPECT_EQ(TMS3DObj::GetWordField("", 1), "");
  // Only a line of exactly two quotes is empty; names with spaces are cut at the first space.
  EXPECT_EQ(TMS3DObj::GetWordField("\"\" 3", 1), "\"\"");
  EXPECT_EQ(TMS3DObj::GetWordField("\"my mesh\" 0 1", 1), "\"my");
  EXPECT_EQ(TMS3DObj::GetWordField("\"my mesh\" 0 1", 2), "mesh\"");

  EXPECT_EQ(TMS3DObj::StripQuotes("\"Bone01\""), "Bone01");
  EXPECT_EQ(TMS3DObj::StripQuotes("xabcx"), "abc");
  EXPECT_EQ(TMS3DObj::StripQuotes("\"\""), "");
  EXPECT_EQ(TMS3DObj::StripQuotes("ab"), "");
  EXPECT_EQ(TMS3DObj::StripQuotes("\"a\""), "a");
}

TEST(ModelFields, IntegerFieldsRoundTiesToEvenAndRejectOutOfRange) {
  struct Case {
    const char* Line;
    int32_t Frames;
  } cases[] = {{"Frames: 2.5", 2}, {"Frames: 3.5", 4}, {"Frames: -2.5", -2},
               {"Frames: 2.6", 3}, {"Frames: abc", 0}, {"Frames: -2147483648", INT32_MIN},
               {"Frames:  7", 0}};
  for (const Case& c : cases) {
    TMS3DObj model;
    model.ParseLine(c.Line);
    EXPECT_EQ(model.Frames, c.Frames) << c.Line;
    EXPECT_EQ(model.ParseState, psCurrentFrame) << c.Line;
  }
  for (const char* line : {"Frames: 3e9", "Frames: -2147483904", "Frames: 1e38"}) {
    TMS3DObj model;
    EXPECT_THROW(model.ParseLine(line), std::runtime_error) << line;
  }
}

TEST(ModelLoader, TexturedSquareLoadsAsTheExportWroteIt) {
  std::unique_ptr<TMS3DObj> m(Parsed(SquareModel()));
  EXPECT_TRUE(m->Loaded);
  EXPECT_EQ(m->Frames, 119);
  EXPECT_EQ(m->CurrentFrame, 1);
  ASSERT_EQ(m->Meshes.size(), 1u);
  const T3DMesh& mesh = m->Meshes[0];
  EXPECT_EQ(mesh.Name, "\"Regroup02\"");
  EXPECT_EQ(mesh.Flags, 0);
  EXPECT_EQ(mesh.MaterialIndex, 0);
  EXPECT_EQ(mesh.VertexCount, 4);
  EXPECT_EQ(mesh.NormalCount, 1);
  EXPECT_EQ(mesh.TriangleCount, 2);
  EXPECT_EQ(m->VertexPositionCount, 4);
  ASSERT_EQ(m->VertexPositions.size(), 4u);
  EXPECT_FLOAT_EQ(m->VertexPositions[0].X, -1.001581f);
  EXPECT_FLOAT_EQ(m->VertexPositions[0].Y, 1.001581f);
  EXPECT_FLOAT_EQ(m->VertexPositions[2].X, 1.001581f);
  EXPECT_EQ(mesh.Vertices[1].Flags, 1);
  EXPECT_EQ(mesh.Vertices[1].BoneIndex, -1);
  EXPECT_FLOAT_EQ(mesh.Vertices[3].U, 1);
  EXPECT_FLOAT_EQ(mesh.Vertices[3].V, 0);
  EXPECT_FLOAT_EQ(mesh.Vertices[1].V, 1);
  EXPECT_EQ(mesh.Triangles[1].V1, 2);
  EXPECT_EQ(mesh.Triangles[1].V3, 0);
  EXPECT_EQ(mesh.Triangles[1].SmoothingGroup, 1);
  for (const TMeshVertex& v : mesh.DrawVertices) {
    EXPECT_FLOAT_EQ(v.Normal.X, 0);
    EXPECT_FLOAT_EQ(v.Normal.Y, 0);
    EXPECT_FLOAT_EQ(v.Normal.Z, 1);
  }
  for (const TMeshTriangle& t : mesh.Triangles) {
    EXPECT_FLOAT_EQ(t.FaceNormal.X, 0);
    EXPECT_FLOAT_EQ(t.FaceNormal.Y, 0);
    EXPECT_FLOAT_EQ(t.FaceNormal.Z, 1);
  }
  ASSERT_EQ(m->Materials.size(), 1u);
  const TMaterial& mat = m->Materials[0];
  EXPECT_EQ(mat.Name, "\"Normal\"");
  EXPECT_EQ(mat.TextureFile, ".\\Rect16x16.bmp");
  EXPECT_EQ(mat.AlphaMapFile, "");
  EXPECT_TRUE(mat.HasTexture);
  EXPECT_FALSE(mat.Masked);
  EXPECT_FALSE(mat.Transparent);
  EXPECT_FLOAT_EQ(mat.Ambient[0], 0.2f);
  EXPECT_FLOAT_EQ(mat.Diffuse[3], 0.75f);
  EXPECT_FLOAT_EQ(mat.Transparency, 1);
  EXPECT_TRUE(m->Bones.empty());
  EXPECT_EQ(m->BoneCount, 0);
  EXPECT_EQ(m->ParseState, psDone);
}

TEST(ModelLoader, LineEndingsCommentsAndBlankLinesReadTheSame) {
  std::unique_ptr<TMS3DObj> crlf(Parsed(SquareModel("\"\"", "\"Normal\"", "\r\n")));
  for (const char* eol : {"\n", "\r"}) {
    std::unique_ptr<TMS3DObj> other(Parsed(SquareModel("\"\"", "\"Normal\"", eol)));
    ASSERT_EQ(other->VertexPositionCount, crlf->VertexPositionCount);
    EXPECT_EQ(other->Frames, 119);
    EXPECT_EQ(other->Meshes[0].Triangles[1].V2, 3);
    EXPECT_EQ(other->Materials[0].Name, "\"Normal\"");
  }
  // Extra comment and blank lines anywhere change nothing; a last line without a line ending
  // still counts; a one-character line is data, never a comment.
  std::string text = SquareModel("\"\"");
  text.insert(text.find("Meshes:"), "// a comment\n\n\n//\n");
  std::unique_ptr<TMS3DObj> commented(Parsed(text));
  EXPECT_EQ(commented->Meshes[0].VertexCount, 4);
  std::unique_ptr<TMS3DObj> oneChar(Parsed("Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 0\n1\n"
                                           "0 1 2 3 0 0 -1\n1\n0 0 1\n1\n0 0 0 0 0 0 0 1\n"
                                           "Materials: 1\n\"x\"\n0 0 0 1\n0 0 0 1\n0 0 0 1\n"
                                           "0 0 0 1\n0\n1\n\"\"\n\"\"\nBones: 0"));
  EXPECT_EQ(oneChar->VertexPositionCount, 1);
  EXPECT_FLOAT_EQ(oneChar->VertexPositions[0].Z, 3);
  EXPECT_EQ(oneChar->ParseState, psDone);
}

TEST(ModelLoader, LinesAreNotTrimmedSoALineOfSpacesIsData) {
  TMS3DObj model;
  model.ParseLine("   ");
  EXPECT_EQ(model.ParseState, psCurrentFrame);
  EXPECT_EQ(model.Frames, 0);
  model.ParseLine("Frames: 119");
  EXPECT_EQ(model.CurrentFrame, 119);
}

TEST(ModelLoader, MaterialLinesSetNameMaskTransparencyAndTexture) {
  struct Case {
    const char* Name;
    const char* Transparency;
    const char* ColourMap;
    const char* AlphaMap;
    bool Masked, Transparent, HasTexture;
    const char* TextureFile;
    const char* AlphaMapFile;
  } cases[] = {
      {"\"Masked\"", "1.000000", "\"pic.bmp\"", "\"\"", true, false, true, "pic.bmp", ""},
      {"\"mAsKeD\"", "1.000000", "\"pic.bmp\"", "\"\"", true, false, true, "pic.bmp", ""},
      {"Masked", "1.000000", "\"pic.bmp\"", "\"\"", false, false, true, "pic.bmp", ""},
      {"\"Masked\" 2", "1.000000", "\"pic.bmp\"", "\"\"", true, false, true, "pic.bmp", ""},
      {"\"Plain\"", "0.5", "\"pic.bmp\"", "\"a.bmp\"", false, true, true, "pic.bmp", "\"a.bmp\""},
      {"\"Plain\"", "1.000000", "\"\"", "\"\"", false, false, false, "", ""},
      {"\"Plain\"", "1.000000", "\"ab\"", "\"\"", false, false, false, "ab", ""},
      {"\"Plain\"", "1.000000", "\"abc\"", "\"\"", false, false, true, "abc", ""},
      {"\"Plain\"", "1.000000", "\"x\"", "\"\"", false, false, false, "x", ""},
      {"\"Plain\"", "1.000000", "ab", "\"\"", false, false, false, "ab", ""},
  };
  for (const Case& c : cases) {
    const std::string text = "Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 0\n1\n0 0 0 0 0 0 -1\n1\n"
                             "0 0 1\n1\n0 0 0 0 0 0 0 1\nMaterials: 1\n" +
                             std::string(c.Name) + "\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0\n" +
                             c.Transparency + "\n" + c.ColourMap + "\n" + c.AlphaMap +
                             "\nBones: 0\n";
    std::unique_ptr<TMS3DObj> m(Parsed(text));
    const TMaterial& mat = m->Materials[0];
    const std::string label = std::string(c.Name) + " / " + c.ColourMap;
    EXPECT_EQ(mat.Masked, c.Masked) << label;
    EXPECT_EQ(mat.Transparent, c.Transparent) << label;
    EXPECT_EQ(mat.HasTexture, c.HasTexture) << label;
    EXPECT_EQ(mat.TextureFile, c.TextureFile) << label;
    EXPECT_EQ(mat.AlphaMapFile, c.AlphaMapFile) << label;
  }
}

TEST(ModelLoader, TwoSpacesShiftTheFieldsOfAVertexLine) {
  std::unique_ptr<TMS3DObj> m(
      Parsed(MeshModel("1\n0  1 2 3 0 0 -1\n", "1\n0 0 1\n", "1\n0 0 0 0 0 0 0 1\n")));
  const TXYZ p = m->Meshes[0].Vertices[0].Position;
  EXPECT_FLOAT_EQ(p.X, 0); // the empty field
  EXPECT_FLOAT_EQ(p.Y, 1);
  EXPECT_FLOAT_EQ(p.Z, 2);
  EXPECT_FLOAT_EQ(m->Meshes[0].Vertices[0].U, 3);
}

TEST(ModelLoader, ASharedVertexTakesTheNormalOfTheLaterTriangle) {
  std::unique_ptr<TMS3DObj> m(
      Parsed(MeshModel("4\n0 0 0 0 0 0 -1\n0 1 0 0 0 0 -1\n"
                       "0 1 1 0 0 0 -1\n0 0 1 0 0 0 -1\n",
                       "2\n1 0 0\n0 1 0\n", "2\n0 0 1 2 0 0 0 1\n0 0 2 3 1 1 1 1\n")));
  const T3DMesh& mesh = m->Meshes[0];
  EXPECT_FLOAT_EQ(mesh.DrawVertices[1].Normal.X, 1); // only in the first triangle
  EXPECT_FLOAT_EQ(mesh.DrawVertices[0].Normal.Y, 1); // shared: the second triangle wins
  EXPECT_FLOAT_EQ(mesh.DrawVertices[2].Normal.Y, 1);
  EXPECT_FLOAT_EQ(mesh.DrawVertices[3].Normal.Y, 1);
  ASSERT_EQ(mesh.DrawNormals.size(), 2u);
  EXPECT_FLOAT_EQ(mesh.DrawNormals[1].Y, 1);
}

TEST(ModelLoader, FaceNormalsAreUnitCrossProductsAndZeroWhenDegenerate) {
  std::unique_ptr<TMS3DObj> m(Parsed(MeshModel(
      "5\n0 0 0 0 0 0 -1\n0 2 0 0 0 0 -1\n0 0 3 0 0 0 -1\n0 0 0 4 0 0 -1\n0 4 0 0 0 0 -1\n",
      "1\n0 0 1\n", "4\n0 0 1 2 0 0 0 1\n0 0 2 1 0 0 0 1\n0 0 1 3 0 0 0 1\n0 0 1 4 0 0 0 1\n")));
  const auto& t = m->Meshes[0].Triangles;
  auto expectNormal = [](const TXYZ& n, float X, float Y, float Z) {
    EXPECT_NEAR(n.X, X, 1e-6);
    EXPECT_NEAR(n.Y, Y, 1e-6);
    EXPECT_NEAR(n.Z, Z, 1e-6);
  };
  expectNormal(t[0].FaceNormal, 0, 0, 1);  // counter-clockwise from +Z
  expectNormal(t[1].FaceNormal, 0, 0, -1); // the same turned round
  expectNormal(t[2].FaceNormal, 0, -1, 0); // in the X-Z plane
  expectNormal(t[3].FaceNormal, 0, 0, 0);  // three points on a line
}

TEST(ModelLoader, BonesAreReadAndNothingAfterTheLastBone) {
  const std::string bones = "Bones: 2\n\"Root\"\n\"\"\n8 1 2 3 0 0 0\n2\n1 0 0 0\n2 0 0 0\n0\n"
                            "\"Tip\"\n\"Root\"\n0 4 5 6 0 0 0\n0\n1\n1 0 0 0\n"
                            "Frames: not read\n";
  std::string text = MeshModel("1\n0 0 0 0 0 0 -1\n", "1\n0 0 1\n", "1\n0 0 0 0 0 0 0 1\n");
  text.replace(text.find("Bones: 0"), std::string::npos, bones);
  std::unique_ptr<TMS3DObj> m(Parsed(text));
  ASSERT_EQ(m->Bones.size(), 2u);
  EXPECT_EQ(m->Bones[0].Name, "Root");
  EXPECT_EQ(m->Bones[0].ParentName, "");
  EXPECT_FLOAT_EQ(m->Bones[0].Flags, 8);
  EXPECT_FLOAT_EQ(m->Bones[0].Position.Z, 3);
  EXPECT_EQ(m->Bones[0].PositionKeyCount, 2);
  EXPECT_EQ(m->Bones[0].RotationKeyCount, 0);
  EXPECT_EQ(m->Bones[1].Name, "Tip");
  EXPECT_EQ(m->Bones[1].ParentName, "Root");
  EXPECT_EQ(m->Bones[1].RotationKeyCount, 1);
  EXPECT_EQ(m->ParseState, psDone);
  EXPECT_EQ(m->Frames, 1);

  // After "Bones: 0" even lines that could not be parsed are left alone.
  std::unique_ptr<TMS3DObj> tail(
      Parsed(MeshModel("1\n0 0 0 0 0 0 -1\n", "1\n0 0 1\n", "1\n0 0 0 0 0 0 0 1\n",
                       "Frames: 9e99\nMeshes: 2000000000\n")));
  EXPECT_TRUE(tail->Loaded);
  EXPECT_EQ(tail->Frames, 1);
  EXPECT_EQ(tail->Meshes.size(), 1u);
}

TEST(ModelLoader, FileEndingInsideAMeshKeepsWhatWasRead) {
  // Every vertex announced is there; the file stops after the triangles and before materials:
  // the mesh names material 0, which never came, so the model is refused.
  TMS3DObj m;
  m.LoadTextures = false;
  EXPECT_THROW(m.ParseText("Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 0\n1\n0 0 0 0 0 0 -1\n1\n"
                           "0 0 1\n1\n0 0 0 0 0 0 0 1\n"),
               std::runtime_error);
  EXPECT_FALSE(m.Loaded);
  // A file cut off in the middle of its vertices still leaves the read ones in place.
  TMS3DObj cut;
  cut.LoadTextures = false;
  EXPECT_THROW(
      cut.ParseText("Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 0\n3\n0 1 2 3 0 0 -1\n//\n//\n"),
      std::runtime_error);
  EXPECT_EQ(cut.VertexPositionCount, 1);
  EXPECT_FLOAT_EQ(cut.Meshes[0].Vertices[0].Position.Y, 2);
  EXPECT_FLOAT_EQ(cut.Meshes[0].Vertices[2].Position.Y, 0);
}

TEST(ModelLoader, FileEndingAfterACountLoadsWithTheUnreadEntriesZero) {
  const std::string model = MeshModel("1\n0 0 0 0 0 0 -1\n", "1\n0 0 1\n", "1\n0 0 0 0 0 0 0 1\n");
  const std::string upToBones = model.substr(0, model.find("Bones: 0"));
  const std::string material = "\"mat\"\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0\n1\n\"\"\n\"\"\n";
  const std::string upToMaterials = model.substr(0, model.find("Materials: 1"));
  {
    // Ends right after its bone count: five bones, none read.
    std::unique_ptr<TMS3DObj> m(Parsed(upToBones + "Bones: 5\n"));
    EXPECT_TRUE(m->Loaded);
    ASSERT_EQ(m->Bones.size(), 5u);
    EXPECT_EQ(m->BoneCount, 5);
    for (const TBone& bone : m->Bones) {
      EXPECT_EQ(bone.Name, "");
      EXPECT_EQ(bone.Flags, 0);
      EXPECT_EQ(bone.PositionKeyCount, 0);
    }
  }
  {
    // Ends after the first bone's name: that much of the bone is kept.
    std::unique_ptr<TMS3DObj> m(Parsed(upToBones + "Bones: 3\n\"Root\"\n"));
    ASSERT_EQ(m->Bones.size(), 3u);
    EXPECT_EQ(m->Bones[0].Name, "Root");
    EXPECT_EQ(m->Bones[1].Name, "");
  }
  {
    // Announces two materials, and the second ends after its ambient line; the mesh names the
    // first, which is whole.
    std::unique_ptr<TMS3DObj> m(
        Parsed(upToMaterials + "Materials: 2\n" + material + "\"second\"\n0.5 0.25 0 1\n"));
    EXPECT_TRUE(m->Loaded);
    ASSERT_EQ(m->Materials.size(), 2u);
    EXPECT_EQ(m->Materials[0].Name, "\"mat\"");
    EXPECT_EQ(m->Materials[1].Name, "\"second\"");
    EXPECT_FLOAT_EQ(m->Materials[1].Ambient[0], 0.5f);
    EXPECT_FLOAT_EQ(m->Materials[1].Diffuse[0], 0);
    EXPECT_FALSE(m->Materials[1].HasTexture);
  }
}

// Every broken model file is reported with the three-line text naming the file and the cause,
// the load raises ETerminate, and the model stays unloaded.
TEST(ModelLoaderFailures, MalformedModelFilesAreReportedNotCrashed) {
  TScratchFolder folder;
  const std::string v1 = "1\n0 0 0 0 0 0 -1\n", n1 = "1\n0 0 1\n", t1 = "1\n0 0 0 0 0 0 0 1\n";
  struct Case {
    const char* Label;
    std::string Text;
    std::string Message;
  } cases[] = {
      {"empty file", "", "The model holds no meshes"},
      {"comments only", "// MilkShape 3D ASCII\n\n", "The model holds no meshes"},
      {"zero meshes", "Frames: 1\nFrame: 1\nMeshes: 0\n", "The model holds no meshes"},
      {"huge vertex count",
       "Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 0\n2000000000\n0 0 0 0 0 0 -1\n",
       "The vertex count 2000000000 is more than a model may hold (262144)"},
      {"huge mesh count", "Frames: 1\nFrame: 1\nMeshes: 100000\n",
       "The mesh count 100000 is more than a model may hold (4096)"},
      {"huge bone count",
       MeshModel(v1, n1, t1)
           .replace(MeshModel(v1, n1, t1).find("Bones: 0"), 8, "Bones: 2000000000"),
       "The bone count 2000000000 is more than a model may hold (4096)"},
      {"negative vertex count", "Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 0\n-3\n",
       "Negative vertex count -3"},
      {"zero vertices", MeshModel("0\n", n1, t1), "Mesh \"m\" has no vertices"},
      {"zero normals", MeshModel(v1, "0\n", t1), "Mesh \"m\" has no normals"},
      {"zero triangles", MeshModel(v1, n1, "0\n"), "Mesh \"m\" has no triangles"},
      {"vertex index too large", MeshModel(v1, n1, "1\n0 0 0 4 0 0 0 1\n"),
       "Triangle 0 of mesh 0 names vertex 4 of 1"},
      {"negative vertex index", MeshModel(v1, n1, "1\n0 -1 0 0 0 0 0 1\n"),
       "Triangle 0 of mesh 0 names vertex -1 of 1"},
      {"normal index too large", MeshModel(v1, n1, "1\n0 0 0 0 0 7 0 1\n"),
       "Triangle 0 of mesh 0 names normal 7 of 1"},
      {"missing material",
       "Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 2\n" + v1 + n1 + t1 +
           "Materials: 1\n\"x\"\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0\n1\n\"\"\n\"\"\nBones: 0\n",
       "Mesh 0 names material 2 of 1"},
      {"no materials section", "Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 0\n" + v1 + n1 + t1,
       "Mesh 0 names material 0 of 0"},
      {"zero materials",
       "Frames: 1\nFrame: 1\nMeshes: 1\n\"m\" 0 0\n" + v1 + n1 + t1 + "Materials: 0\nBones: 0\n",
       "The model holds no materials"},
      {"frame count out of range", "Frames: 1e10\n", "Number out of range: 10000000000.000000"},
      {"negative bone count",
       MeshModel(v1, n1, t1).replace(MeshModel(v1, n1, t1).find("Bones: 0"), 8, "Bones: -1"),
       "Negative bone count -1"},
  };
  for (const Case& c : cases) {
    const std::string name = folder.Write("broken.txt", c.Text);
    TMS3DObj model;
    testing::internal::CaptureStderr();
    EXPECT_THROW(model.LoadFromFile(name), ETerminate) << c.Label;
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(ProblemText(name, c.Message)), std::string::npos) << c.Label << "\n" << err;
    EXPECT_FALSE(model.Loaded) << c.Label;
    EXPECT_EQ(model.FileName, name);
  }
}

TEST(ModelLoaderFailures, MissingAndOversizedFilesAreReported) {
  TScratchFolder folder;
  {
    TMS3DObj model;
    testing::internal::CaptureStderr();
    EXPECT_THROW(model.LoadFromFile("no_such_model.txt"), ETerminate);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  ProblemText("no_such_model.txt", "No such file or directory")),
              std::string::npos);
  }
  {
    // A model larger than any the game needs is refused before it is parsed.
    const std::string name = folder.Write("big.txt", std::string(TMS3DObj::MaxFileSize + 1, '\n'));
    TMS3DObj model;
    testing::internal::CaptureStderr();
    EXPECT_THROW(model.LoadFromFile(name), ETerminate);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  ProblemText(name, "The model file is larger than 4194304 bytes")),
              std::string::npos);
  }
}

TEST(Bitmaps, DecodingFlipsRowsSwapsToRGBAndMasksTheBottomLeftColour) {
  // 4 x 2: top row red, green, blue, white; bottom row magenta (the key), black, magenta, grey.
  const TRGB top[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
  const TRGB bottom[4] = {{255, 0, 255}, {0, 0, 0}, {255, 0, 255}, {9, 8, 7}};
  const std::vector<uint8_t> file =
      MakeBitmap(4, 2, [&](int x, int y) { return y == 0 ? top[x] : bottom[x]; });
  int32_t w = 0, h = 0;
  const auto rgb = TMS3DObj::DecodeBitmap(file.data(), file.size(), false, w, h);
  EXPECT_EQ(w, 4);
  EXPECT_EQ(h, 2);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(rgb[size_t(x) * 3 + 0], top[x].R);
    EXPECT_EQ(rgb[size_t(x) * 3 + 1], top[x].G);
    EXPECT_EQ(rgb[size_t(x) * 3 + 2], top[x].B);
    EXPECT_EQ(rgb[size_t(4 + x) * 3 + 0], bottom[x].R);
    EXPECT_EQ(rgb[size_t(4 + x) * 3 + 2], bottom[x].B);
  }
  const auto rgba = TMS3DObj::DecodeBitmap(file.data(), file.size(), true, w, h);
  const uint8_t alpha[8] = {255, 255, 255, 255, 0, 255, 0, 255};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(rgba[size_t(i) * 4 + 3], alpha[i]) << "pixel " << i;
    EXPECT_EQ(rgba[size_t(i) * 4 + 0], i < 4 ? top[i].R : bottom[i - 4].R);
  }
}

TEST(Bitmaps, MalformedBitmapsAreRefusedWithAReason) {
  const auto plain = [](int, int) { return TRGB{10, 20, 30}; };
  auto withSize = [&](int32_t W, int32_t H) {
    std::vector<uint8_t> b = MakeBitmap(4, 4, plain);
    Put32(b, 18, uint32_t(W));
    Put32(b, 22, uint32_t(H));
    return b;
  };
  std::vector<uint8_t> notBM = MakeBitmap(4, 4, plain);
  notBM[0] = 'X';
  std::vector<uint8_t> shortPixels = MakeBitmap(8, 8, plain);
  shortPixels.resize(shortPixels.size() - 1);
  struct Case {
    const char* Label;
    std::vector<uint8_t> Bytes;
    std::string Message;
  } cases[] = {
      {"not BM", notBM, "Invalid Bitmap"},
      {"shorter than the file header",
       {'B', 'M', 0, 0},
       "The file is shorter than a bitmap header"},
      {"short and not BM", {'P', 'K', 3, 4}, "The file is shorter than a bitmap header"},
      {"shorter than the info header", std::vector<uint8_t>(notBM.begin(), notBM.begin() + 30),
       "Invalid Bitmap"},
      {"headers cut short", std::vector<uint8_t>(shortPixels.begin(), shortPixels.begin() + 40),
       "The file is shorter than a bitmap header"},
      {"zero width", withSize(0, 4), "Bitmap size 0 x 4 is not supported"},
      {"top-down rows", withSize(4, -4), "Bitmap size 4 x -4 is not supported"},
      {"too many pixels", withSize(1024, 512), "Bitmap of 1024 x 512 pixels is too large"},
      {"overflowing size", withSize(0x7fffffff, 0x7fffffff),
       "Bitmap of 2147483647 x 2147483647 pixels is too large"},
      {"rows with filler", withSize(6, 4), "Bitmap rows are not a multiple of 4 bytes"},
      {"side not a power of two", withSize(12, 4), "Bitmap sides are not powers of two"},
      {"fewer pixels than the size needs", shortPixels,
       "The bitmap holds fewer pixels than its size needs"},
      {"size larger than the pixels", withSize(8, 8),
       "The bitmap holds fewer pixels than its size needs"},
  };
  for (const Case& c : cases) {
    for (const bool masked : {false, true}) {
      int32_t w = 0, h = 0;
      try {
        TMS3DObj::DecodeBitmap(c.Bytes.data(), c.Bytes.size(), masked, w, h);
        ADD_FAILURE() << c.Label << " was decoded";
      } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), c.Message) << c.Label;
      }
    }
  }
}

// A bitmap failure reports the bitmap's name once, and the model that named it is not reported
// again on top of it.
TEST(Bitmaps, ABrokenOrMissingTextureStopsTheModelWithTheBitmapsMessage) {
  TScratchFolder folder;
  std::vector<uint8_t> notBM = MakeBitmap(16, 16, [](int, int) { return TRGB{1, 2, 3}; });
  notBM[1] = 'Z';
  folder.Write("notbm.bmp", notBM);
  const std::string badName = folder.ModelName("notbm.bmp");
  const std::string missingName = folder.ModelName("absent.bmp");
  struct Case {
    std::string ColourMap;
    std::string Expected;
    std::string Before;
  } cases[] = {
      {"\"" + badName + "\"", ProblemText(badName, "Invalid Bitmap"), ""},
      {"\"" + missingName + "\"", ProblemText(missingName, "No such file or directory"),
       "Cannot find the file: " + missingName},
  };
  for (const Case& c : cases) {
    const std::string modelName = folder.Write("textured.txt", SquareModel(c.ColourMap));
    TMS3DObj model;
    testing::internal::CaptureStderr();
    EXPECT_THROW(model.LoadFromFile(modelName), ETerminate);
    const std::string err = testing::internal::GetCapturedStderr();
    const size_t at = err.find(c.Expected);
    EXPECT_NE(at, std::string::npos) << err;
    if (!c.Before.empty()) {
      const size_t before = err.find(c.Before);
      EXPECT_NE(before, std::string::npos) << err;
      EXPECT_LT(before, at);
    }
    EXPECT_EQ(err.find("Problem reading file " + modelName), std::string::npos) << err;
    EXPECT_FALSE(model.Loaded);
  }
}
