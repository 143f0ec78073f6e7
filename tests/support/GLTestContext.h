#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A 1024 x 768 window with a real OpenGL context on SDL's offscreen driver (Mesa llvmpipe), so
// tests can draw with the game's code and read real pixels back. One per test process.
class GLTestContext {
public:
  static GLTestContext& Get();

  // The game's per-frame GL state: viewport 1024 x 768, 90-degree frustum, blending, depth test,
  // cleared to (0, 0, 0.05), and the camera 500 above (CameraX, CameraY).
  void BeginFrame(float CameraX = 0, float CameraY = 0);
  void Finish();

  // Pixel at (X, Y) in window coordinates: X from the left, Y from the top.
  std::array<uint8_t, 3> Pixel(int X, int Y);
  // The whole frame, RGB, top row first.
  std::vector<uint8_t> ReadRGB();
  // Counts pixels in [X0, X1] x [Y0, Y1] (window coordinates, inclusive) brighter than Threshold
  // in any channel than the cleared background.
  int CountLit(int X0, int Y0, int X1, int Y1, int Threshold = 40);
  bool SavePNG(const std::string& Path);

  // Where a world point at Z = 0 lands in the window for a camera above (CameraX, CameraY).
  static void WorldToPixel(float WX, float WY, float CameraX, float CameraY, int& PX, int& PY);

  static constexpr int Width = 1024;
  static constexpr int Height = 768;

private:
  GLTestContext();
  void* Window = nullptr;
  void* Context = nullptr;
};
