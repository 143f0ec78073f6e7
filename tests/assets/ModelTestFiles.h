#pragma once
// Helpers for the model tests: a scratch folder inside the game's folder (the loader opens files
// only from there), bitmap bytes built in memory, and the textured square as the export writes it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "assets/VexLib3D.h"
#include "platform/Platform.h"

struct TRGB {
  uint8_t R, G, B;
};

// A folder beside the test executable, unique to this process, removed again at the end.
class TScratchFolder {
public:
  TScratchFolder() : Relative("assets_scratch_" + std::to_string(getpid())) {
    std::filesystem::create_directories(GameFolder("jelly.txt") + Relative);
  }
  ~TScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(GameFolder("jelly.txt") + Relative, ignored);
  }
  // Writes the file and returns its name relative to the game's folder.
  std::string Write(const std::string& Name, const std::string& Bytes) const {
    std::ofstream out(GameFolder("jelly.txt") + Relative + "/" + Name, std::ios::binary);
    out.write(Bytes.data(), std::streamsize(Bytes.size()));
    return Relative + "/" + Name;
  }
  std::string Write(const std::string& Name, const std::vector<uint8_t>& Bytes) const {
    return Write(Name, std::string(Bytes.begin(), Bytes.end()));
  }
  // The name as a model's colour-map line carries it: ".\folder\name".
  std::string ModelName(const std::string& Name) const { return ".\\" + Relative + "\\" + Name; }
  std::string Relative;
};

inline void Put32(std::vector<uint8_t>& B, size_t At, uint32_t V) {
  for (int i = 0; i < 4; ++i) B[At + size_t(i)] = uint8_t(V >> (8 * i));
}

// A 24-bit bitmap as the game reads it: 54-byte headers, rows bottom first, B G R. Pixel(x, y)
// gives the colour with y = 0 at the picture's top.
inline std::vector<uint8_t> MakeBitmap(int32_t W, int32_t H,
                                       const std::function<TRGB(int, int)>& Pixel) {
  std::vector<uint8_t> b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, uint32_t(54 + W * H * 3));
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, uint32_t(W));
  Put32(b, 22, uint32_t(H));
  b[26] = 1;
  b[28] = 24;
  for (int row = H - 1; row >= 0; --row)
    for (int x = 0; x < W; ++x) {
      const TRGB c = Pixel(x, row);
      b.push_back(c.B);
      b.push_back(c.G);
      b.push_back(c.R);
    }
  return b;
}

// The textured square of the export: v = 0 along the top edge (+Y), counter-clockwise from +Z.
// ColourMap is the quoted colour-map line; MaterialName the quoted name line.
inline std::string SquareModel(const std::string& ColourMap = "\".\\Rect16x16.bmp\"",
                               const std::string& MaterialName = "\"Normal\"",
                               const std::string& Eol = "\r\n") {
  const char* lines[] = {"// MilkShape 3D ASCII",
                         "",
                         "Frames: 119",
                         "Frame: 1",
                         "",
                         "Meshes: 1",
                         "\"Regroup02\" 0 0",
                         "4",
                         "1 -1.001581 1.001581 0.000000 0.000000 0.000000 -1",
                         "1 -1.001581 -1.001581 0.000000 0.000000 1.000000 -1",
                         "1 1.001581 -1.001581 0.000000 1.000000 1.000000 -1",
                         "1 1.001581 1.001581 0.000000 1.000000 0.000000 -1",
                         "1",
                         "0.000000 0.000000 1.000000",
                         "2",
                         "1 0 1 2 0 0 0 1",
                         "1 2 3 0 0 0 0 1",
                         "",
                         "Materials: 1",
                         nullptr, // name
                         "0.200000 0.200000 0.200000 1.000000",
                         "0.800000 0.800000 0.800000 0.750000",
                         "0.000000 0.000000 0.000000 1.000000",
                         "0.000000 0.000000 0.000000 1.000000",
                         "0.000000",
                         "1.000000",
                         nullptr, // colour map
                         "\"\"",
                         "",
                         "Bones: 0",
                         "GroupComments: 0"};
  std::string text;
  int nulls = 0;
  for (const char* line : lines) {
    if (line == nullptr)
      text += nulls++ == 0 ? MaterialName : ColourMap;
    else
      text += line;
    text += Eol;
  }
  return text;
}

// The three-line load-failure text.
inline std::string ProblemText(const std::string& Name, const std::string& Message) {
  return "Problem reading file " + Name + "\r\nException : " + Message +
         "\r\nEnsure all files in same folder, press Ok to terminate";
}
