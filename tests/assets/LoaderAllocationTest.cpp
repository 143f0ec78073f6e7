// What a file can make the loader allocate: counted with the test binary's own operator new, for
// files that announce the most a model may hold and then stop, or go on with the cheapest lines
// there are up to 64 KB, and for bitmaps that announce the largest picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "ModelTestFiles.h"
#include "assets/VexLib3D.h"

namespace {

constexpr size_t MaxFile = 64 << 10;

// Loads the file without textures, failing or not, and returns what it allocated.
size_t ModelFileCost(const std::string& Name) {
  TMS3DObj model;
  model.LoadTextures = false;
  testing::internal::CaptureStderr();
  size_t bytes = 0;
  {
    TAllocationCount count;
    try {
      model.LoadFromFile(Name);
    } catch (const ETerminate&) {
    }
    bytes = count.Bytes();
  }
  testing::internal::GetCapturedStderr();
  return bytes;
}

size_t BitmapFileCost(const std::string& Name, bool Masked) {
  testing::internal::CaptureStderr();
  size_t bytes = 0;
  {
    TAllocationCount count;
    int32_t w = 0, h = 0;
    try {
      TMS3DObj::LoadBitmapFile(Name, Masked, w, h);
    } catch (const ETerminate&) {
    }
    bytes = count.Bytes();
  }
  testing::internal::GetCapturedStderr();
  return bytes;
}

// Text up to MaxFile bytes: Start, then Line as often as it fits.
std::string Filled(const std::string& Start, const std::string& Line) {
  std::string text = Start;
  while (text.size() + Line.size() <= MaxFile) text += Line;
  return text;
}

} // namespace

TEST(LoaderAllocation, AModelFileCostsNoMoreThanItsBytesCanHold) {
  const std::string head = "Frames: 1\nFrame: 1\n";
  const std::string mesh = "\"m\" 0 0\n1\n0 0 0 0 0 0 -1\n1\n0 0 1\n1\n0 0 0 0 0 0 0 1\n";
  const std::string material = "\"mat\"\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0 0 0 1\n0\n1\n\"\"\n\"\"\n";
  // Each announces the most its section may hold, with nothing yet read.
  const std::string starts[] = {
      head + "Meshes: 4096\n",
      head + "Meshes: 1\n\"m\" 0 0\n262144\n",
      head + "Meshes: 1\n\"m\" 0 0\n1\n0 0 0 0 0 0 -1\n262144\n",
      head + "Meshes: 1\n\"m\" 0 0\n1\n0 0 0 0 0 0 -1\n1\n0 0 1\n262144\n",
      head + "Meshes: 4096\n\"m\" 0 0\n262144\n",
      head + "Meshes: 1\n" + mesh + "Materials: 4096\n",
      head + "Meshes: 1\n" + mesh + "Materials: 1\n" + material + "Bones: 4096\n",
  };
  TScratchFolder folder;
  size_t most = 0;
  for (const std::string& start : starts) {
    // Stopping there, going on with one-character lines, or with one long line.
    for (const std::string& text :
         {start, Filled(start, "1\n"), start + std::string(MaxFile - start.size(), '1')}) {
      ASSERT_LE(text.size(), MaxFile);
      const size_t bytes = ModelFileCost(folder.Write("costly.txt", text));
      EXPECT_LE(bytes, LoaderAllocationLimit(text.size())) << text.size() << " bytes starting\n"
                                                           << start;
      most = std::max(most, bytes);
    }
  }
  // The game's own models are held to the same share.
  for (const char* name : {"jelly.txt", "sphere.txt", "SphereTile8x8.txt", "CircleFade8x8.txt"}) {
    const size_t bytes = ModelFileCost(name);
    const size_t size = std::filesystem::file_size(GameFolder(name) + name);
    // The file is read whole before it is parsed, so a count below its size counts nothing.
    EXPECT_GE(bytes, size) << name;
    EXPECT_LE(bytes, LoaderAllocationLimit(size)) << name;
  }
  std::printf("most allocated by a model file of at most %zu bytes: %zu bytes\n", MaxFile, most);
}

TEST(LoaderAllocation, ABitmapFileCostsNoMoreThanItsBytesCanHold) {
  const auto grey = [](int, int) { return TRGB{90, 90, 90}; };
  std::vector<uint8_t> largest = MakeBitmap(4, 4, grey); // headers announcing 512 x 512
  Put32(largest, 18, 512);
  Put32(largest, 22, 512);
  largest.resize(MaxFile, 7);
  std::vector<uint8_t> overflowing = largest;
  Put32(overflowing, 18, 0x40000000);
  Put32(overflowing, 22, 0x40000000);
  const std::vector<uint8_t> files[] = {largest, overflowing, MakeBitmap(128, 128, grey),
                                        MakeBitmap(256, 64, grey)};
  TScratchFolder folder;
  size_t most = 0;
  for (const std::vector<uint8_t>& file : files) {
    ASSERT_LE(file.size(), MaxFile);
    const std::string name = folder.Write("costly.bmp", file);
    for (const bool masked : {false, true}) {
      const size_t bytes = BitmapFileCost(name, masked);
      EXPECT_LE(bytes, LoaderAllocationLimit(file.size())) << file.size() << " bytes";
      most = std::max(most, bytes);
    }
  }
  // The 128 x 128 picture alone is 64 KB of pixels as R G B A.
  EXPECT_GE(most, size_t(128 * 128 * 4));
  std::printf("most allocated by a bitmap file of at most %zu bytes: %zu bytes\n", MaxFile, most);
}
