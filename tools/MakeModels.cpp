// Writes the game's four models (MilkShape 3D ASCII text) and the bitmaps they name into the
// folder given on the command line (the repository's data/ folder by default through the
// regenerate_models target). The output depends on nothing but this file, so running it again
// gives the same bytes.
//
//   sphere.txt         a geodesic sphere of 252 evenly spread vertices, radius 13.5: at the
//                      spiky predator's scale of about 1.5 it covers its hit radius of 20.
//   jelly.txt          a jellyfish (bell, oral arms, trailing tentacles) facing +Y, drawn as a
//                      point cloud; at the jelly predator's scale (1.6, 2.0) it reaches about 20.
//   SphereTile8x8.txt  a flat square tile from -1 to 1 in the XY plane, facing the camera above,
//                      whose bitmap is the soft glow of a sphere of radius 1 seen from above.
//   CircleFade8x8.txt  the same tile with a ring picture (radius 1, inner edge 0.5) that fades
//                      toward both of its edges.
//
// The particle tiles' corners are exactly +-1: the particle engine's batched drawing relies on a
// scale times a corner being exact in single precision (see TileCorners in ParticleBatcher).

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;

struct Vec {
  double X = 0, Y = 0, Z = 0;
};

Vec operator+(Vec A, Vec B) {
  return {A.X + B.X, A.Y + B.Y, A.Z + B.Z};
}
Vec operator-(Vec A, Vec B) {
  return {A.X - B.X, A.Y - B.Y, A.Z - B.Z};
}
Vec operator*(Vec A, double S) {
  return {A.X * S, A.Y * S, A.Z * S};
}
double Dot(Vec A, Vec B) {
  return A.X * B.X + A.Y * B.Y + A.Z * B.Z;
}
Vec Cross(Vec A, Vec B) {
  return {A.Y * B.Z - A.Z * B.Y, A.Z * B.X - A.X * B.Z, A.X * B.Y - A.Y * B.X};
}
Vec Normalised(Vec A) {
  const double l = std::sqrt(Dot(A, A));
  return l > 0 ? A * (1 / l) : Vec{0, 0, 1};
}

struct Vertex {
  Vec Position;
  double U = 0, V = 0;
};

struct Triangle {
  int V[3];
  int N[3];
};

struct Mesh {
  std::string Name;
  std::vector<Vertex> Vertices;
  std::vector<Vec> Normals;
  std::vector<Triangle> Triangles;

  int Add(Vec P, Vec N, double U = 0, double V = 0) {
    Vertices.push_back({P, U, V});
    Normals.push_back(Normalised(N));
    return int(Vertices.size()) - 1;
  }
  // Vertex and normal lists run in step, so one index serves both.
  void Tri(int A, int B, int C) { Triangles.push_back({{A, B, C}, {A, B, C}}); }
};

struct Material {
  std::string Name;
  double Ambient[4];
  double Diffuse[4];
  std::string ColourMap; // empty for none
};

// Formats a number the way the model files carry them: six decimals, never "-0.000000".
std::string Num(double V) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", V);
  std::string s(text);
  if (s == "-0.000000") s = "0.000000";
  return s;
}

bool WriteModel(const std::string& Path, const std::vector<Mesh>& Meshes,
                const std::vector<Material>& Materials) {
  std::FILE* f = std::fopen(Path.c_str(), "wb");
  if (!f) return false;
  auto line = [f](const std::string& s) { std::fprintf(f, "%s\r\n", s.c_str()); };
  line("// MilkShape 3D ASCII");
  line("");
  line("Frames: 30");
  line("Frame: 1");
  line("");
  line("Meshes: " + std::to_string(Meshes.size()));
  for (const Mesh& m : Meshes) {
    line("\"" + m.Name + "\" 0 0");
    line(std::to_string(m.Vertices.size()));
    for (const Vertex& v : m.Vertices)
      line("0 " + Num(v.Position.X) + " " + Num(v.Position.Y) + " " + Num(v.Position.Z) + " " +
           Num(v.U) + " " + Num(v.V) + " -1");
    line(std::to_string(m.Normals.size()));
    for (const Vec& n : m.Normals) line(Num(n.X) + " " + Num(n.Y) + " " + Num(n.Z));
    line(std::to_string(m.Triangles.size()));
    for (const Triangle& t : m.Triangles)
      line("0 " + std::to_string(t.V[0]) + " " + std::to_string(t.V[1]) + " " +
           std::to_string(t.V[2]) + " " + std::to_string(t.N[0]) + " " + std::to_string(t.N[1]) +
           " " + std::to_string(t.N[2]) + " 1");
  }
  line("");
  line("Materials: " + std::to_string(Materials.size()));
  for (const Material& m : Materials) {
    line("\"" + m.Name + "\"");
    auto four = [&](const double* c) {
      line(Num(c[0]) + " " + Num(c[1]) + " " + Num(c[2]) + " " + Num(c[3]));
    };
    four(m.Ambient);
    four(m.Diffuse);
    const double none[4] = {0, 0, 0, 1};
    four(none); // specular
    four(none); // emissive
    line(Num(0));
    line(Num(1));
    line("\"" + (m.ColourMap.empty() ? std::string() : ".\\" + m.ColourMap) + "\"");
    line("\"\"");
  }
  line("");
  line("Bones: 0");
  line("GroupComments: 0");
  line("MaterialComments: 0");
  line("BoneComments: 0");
  line("ModelComment: 0");
  return std::fclose(f) == 0;
}

// A 24-bit bitmap, bottom row first, from a brightness function over the picture with (0, 0) at
// its centre, (1, 1) at the top-right corner, and Y upwards.
template <typename F> bool WriteGreyBitmap(const std::string& Path, int Side, F Brightness) {
  const uint32_t pixelBytes = uint32_t(Side) * uint32_t(Side) * 3;
  uint8_t header[54] = {};
  auto put16 = [&](int at, uint32_t v) {
    header[at] = uint8_t(v);
    header[at + 1] = uint8_t(v >> 8);
  };
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = uint8_t(v >> (8 * i));
  };
  header[0] = 'B';
  header[1] = 'M';
  put32(2, 54 + pixelBytes);
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(Side));
  put32(22, uint32_t(Side));
  put16(26, 1);
  put16(28, 24);
  put32(34, pixelBytes);
  put32(38, 2835);
  put32(42, 2835);
  std::vector<uint8_t> pixels;
  pixels.reserve(pixelBytes);
  for (int row = 0; row < Side; ++row) { // bottom row first
    for (int col = 0; col < Side; ++col) {
      const double x = (col + 0.5) / Side * 2 - 1;
      const double y = (row + 0.5) / Side * 2 - 1;
      double b = Brightness(x, y);
      b = b < 0 ? 0 : (b > 1 ? 1 : b);
      const uint8_t g = uint8_t(std::lround(b * 255));
      pixels.push_back(g); // B
      pixels.push_back(g); // G
      pixels.push_back(g); // R
    }
  }
  std::FILE* f = std::fopen(Path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(header, 1, 54, f) == 54 &&
                  std::fwrite(pixels.data(), 1, pixels.size(), f) == pixels.size();
  return std::fclose(f) == 0 && ok;
}

// Planar texture mapping as seen from above: the picture covers [-1, 1] in X and Y, with v = 0 at
// the picture's top (+Y).
double PlanarU(Vec P) {
  return (P.X + 1) / 2;
}
double PlanarV(Vec P) {
  return (1 - P.Y) / 2;
}

// Two triangles covering [-1, 1] in X and Y at Z = 0, wound counter-clockwise seen from +Z, with
// the picture mapped from above.
Mesh Tile(const std::string& Name) {
  Mesh m;
  m.Name = Name;
  const Vec corners[4] = {{-1, 1, 0}, {-1, -1, 0}, {1, -1, 0}, {1, 1, 0}};
  for (const Vec& c : corners) m.Add(c, {0, 0, 1}, PlanarU(c), PlanarV(c));
  m.Tri(0, 1, 2);
  m.Tri(0, 2, 3);
  return m;
}

// Icosahedron split into Frequency^2 triangles a face, pushed out onto the sphere: 10 F^2 + 2
// vertices, spread nearly evenly.
Mesh GeodesicSphere(int Frequency, double Radius) {
  const double t = (1 + std::sqrt(5.0)) / 2;
  const Vec corners[12] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                           {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                           {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                            {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                            {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                            {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  Mesh m;
  m.Name = "Sphere";
  std::map<std::tuple<long, long, long>, int> known;
  auto vertexAt = [&](Vec direction) {
    const Vec n = Normalised(direction);
    const auto key =
        std::make_tuple(std::lround(n.X * 1e6), std::lround(n.Y * 1e6), std::lround(n.Z * 1e6));
    const auto found = known.find(key);
    if (found != known.end()) return found->second;
    const int index = m.Add(n * Radius, n);
    known[key] = index;
    return index;
  };
  for (const auto& face : faces) {
    const Vec A = corners[face[0]], B = corners[face[1]], C = corners[face[2]];
    auto point = [&](int i, int j) {
      const double f = Frequency;
      return A * ((f - i - j) / f) + B * (i / f) + C * (j / f);
    };
    for (int i = 0; i < Frequency; ++i)
      for (int j = 0; i + j < Frequency; ++j) {
        const int p = vertexAt(point(i, j)), q = vertexAt(point(i + 1, j)),
                  r = vertexAt(point(i, j + 1));
        m.Tri(p, q, r);
        if (i + j + 1 < Frequency) m.Tri(q, vertexAt(point(i + 1, j + 1)), r);
      }
  }
  // Wind every triangle counter-clockwise seen from outside.
  for (Triangle& tri : m.Triangles) {
    const Vec a = m.Vertices[tri.V[0]].Position, b = m.Vertices[tri.V[1]].Position,
              c = m.Vertices[tri.V[2]].Position;
    if (Dot(Cross(b - a, c - a), a + b + c) < 0) {
      std::swap(tri.V[1], tri.V[2]);
      std::swap(tri.N[1], tri.N[2]);
    }
  }
  return m;
}

// A strip of quads along a path, Width wide in X, facing +Z; Across columns of vertices.
void Ribbon(Mesh& M, const std::vector<Vec>& Path, const std::vector<double>& Widths, int Across) {
  std::vector<std::vector<int>> rows;
  for (size_t s = 0; s < Path.size(); ++s) {
    std::vector<int> row;
    for (int k = 0; k < Across; ++k) {
      const double offset = Across > 1 ? (double(k) / (Across - 1) - 0.5) * Widths[s] : 0;
      row.push_back(M.Add(Path[s] + Vec{offset, 0, 0}, {0, 0, 1}));
    }
    rows.push_back(row);
  }
  for (size_t s = 0; s + 1 < rows.size(); ++s)
    for (int k = 0; k + 1 < Across; ++k) {
      // Path runs towards -Y, columns towards +X: (top-left, bottom-left, bottom-right) is CCW.
      const int a = rows[s][k], b = rows[s + 1][k], c = rows[s + 1][k + 1], d = rows[s][k + 1];
      M.Tri(a, b, c);
      M.Tri(a, c, d);
    }
}

// Faces +Y (the jelly predator turns the model so +Y is its heading). Z only gives the bell its
// depth; the predator flattens Z away, leaving a side view of a swimming jellyfish.
Mesh Jellyfish() {
  Mesh m;
  m.Name = "Jelly";
  // Bell: half an ellipsoid turned about the Y axis, its rim curling a little inwards.
  const double centreY = 1.5, height = 6.5, radius = 8.0;
  const int rings = 7, around = 14;
  const int apex = m.Add({0, centreY + height, 0}, {0, 1, 0});
  std::vector<std::vector<int>> bell;
  for (int i = 1; i <= rings; ++i) {
    const double a = (100.0 * Pi / 180) * i / rings;
    std::vector<int> ring;
    for (int j = 0; j < around; ++j) {
      const double phi = 2 * Pi * (j + 0.5 * (i % 2)) / around;
      const double r = radius * std::sin(a);
      const Vec p{r * std::cos(phi), centreY + height * std::cos(a), r * std::sin(phi)};
      ring.push_back(m.Add(p, p - Vec{0, centreY, 0}));
    }
    bell.push_back(ring);
  }
  for (int j = 0; j < around; ++j) m.Tri(apex, bell[0][(j + 1) % around], bell[0][j]);
  for (int i = 0; i + 1 < rings; ++i)
    for (int j = 0; j < around; ++j) {
      const int a = bell[i][j], b = bell[i + 1][j], c = bell[i + 1][(j + 1) % around],
                d = bell[i][(j + 1) % around];
      m.Tri(a, c, b);
      m.Tri(a, d, c);
    }
  const double rimY = centreY + height * std::cos(100.0 * Pi / 180);
  const double rimR = radius * std::sin(100.0 * Pi / 180);

  // Oral arms: two frilly ribbons hanging from under the bell's centre.
  for (int k = 0; k < 2; ++k) {
    const double x0 = k == 0 ? -0.9 : 0.9;
    const double length = 6.0 + 0.8 * k;
    std::vector<Vec> path;
    std::vector<double> widths;
    const int steps = 7;
    for (int s = 0; s <= steps; ++s) {
      const double f = double(s) / steps;
      path.push_back({x0 * (1 + 0.4 * f) + 0.6 * std::sin(f * 2.5 * Pi + k * 2.1),
                      rimY + 0.8 - f * length, 0.3 * (2 * k - 1)});
      widths.push_back(0.9 * (1 - 0.5 * f));
    }
    Ribbon(m, path, widths, 2);
  }

  // Tentacles: six thin strands hanging from across the rim, trailing behind with a slow wave.
  // The predator flattens Z away, so they are spread in X to stay apart in its picture.
  const double tentacleX[6] = {-7.2, -4.8, -2.6, 2.6, 4.8, 7.2};
  for (int k = 0; k < 6; ++k) {
    const double x0 = tentacleX[k] * rimR / 8;
    const double length = 9.0 + 0.9 * std::sin(k * 1.7);
    std::vector<Vec> path;
    std::vector<double> widths;
    const int steps = 10;
    for (int s = 0; s <= steps; ++s) {
      const double f = double(s) / steps;
      path.push_back(
          {x0 * (1 - 0.2 * f) + 0.8 * f * std::sin(f * 3 * Pi + k * 0.9), rimY - f * length, 0});
      widths.push_back(0.4 * (1 - 0.5 * f));
    }
    Ribbon(m, path, widths, 2);
  }
  return m;
}

// Turns every triangle to wind counter-clockwise seen from the side its vertex normals face.
Mesh Oriented(Mesh M) {
  for (Triangle& tri : M.Triangles) {
    const Vec a = M.Vertices[tri.V[0]].Position, b = M.Vertices[tri.V[1]].Position,
              c = M.Vertices[tri.V[2]].Position;
    const Vec n = M.Normals[tri.N[0]] + M.Normals[tri.N[1]] + M.Normals[tri.N[2]];
    if (Dot(Cross(b - a, c - a), n) < 0) {
      std::swap(tri.V[1], tri.V[2]);
      std::swap(tri.N[1], tri.N[2]);
    }
  }
  return M;
}

} // namespace

int main(int argc, char** argv) {
  const std::string folder = std::string(argc > 1 ? argv[1] : "data") + "/";
  bool ok = true;

  const Material glow{"Glow", {1, 1, 1, 1}, {1, 1, 1, 1}, "SphereGlow64.bmp"};
  ok &= WriteModel(folder + "SphereTile8x8.txt", {Tile("Sphere")}, {glow});
  ok &= WriteGreyBitmap(folder + "SphereGlow64.bmp", 64, [](double x, double y) {
    // Bright core, soft falloff, black well inside the edge so the sphere's outline never shows.
    const double r = std::sqrt(x * x + y * y) / 0.9;
    if (r >= 1) return 0.0;
    const double fall = 1 - r;
    return fall * fall * (0.55 + 0.45 * fall) + 0.25 * std::exp(-r * r * 12);
  });

  const Material fade{"Fade", {1, 1, 1, 1}, {1, 1, 1, 1}, "RingFade64.bmp"};
  ok &= WriteModel(folder + "CircleFade8x8.txt", {Tile("Ring")}, {fade});
  ok &= WriteGreyBitmap(folder + "RingFade64.bmp", 64, [](double x, double y) {
    // Brightest along radius 0.8, fading to nothing at the ring's inner (0.5) and outer (1) edges.
    const double r = std::sqrt(x * x + y * y);
    if (r <= 0.5 || r >= 1) return 0.0;
    const double d = r < 0.8 ? (0.8 - r) / 0.3 : (r - 0.8) / 0.2;
    const double c = std::cos(d * Pi / 2);
    return c * c;
  });

  const Material green{"Spikes", {0, 0.3, 0, 1}, {0, 0.75, 0, 1}, ""};
  ok &= WriteModel(folder + "sphere.txt", {GeodesicSphere(5, 13.5)}, {green});

  const Material blue{"Jelly", {0, 0, 0.2, 1}, {0, 0, 0.4, 1}, ""};
  ok &= WriteModel(folder + "jelly.txt", {Oriented(Jellyfish())}, {blue});

  if (!ok) std::fprintf(stderr, "MakeModels: could not write into %s\n", folder.c_str());
  return ok ? 0 : 1;
}
