#include "support/GLTestContext.h"

#include <GL/gl.h>
#include <SDL.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

GLTestContext& GLTestContext::Get() {
  static GLTestContext context;
  return context;
}

GLTestContext::GLTestContext() {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) throw std::runtime_error(SDL_GetError());
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_Window* window = SDL_CreateWindow("OpenGL", 0, 0, Width, Height, SDL_WINDOW_OPENGL);
  if (!window) throw std::runtime_error(SDL_GetError());
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) throw std::runtime_error(SDL_GetError());
  SDL_GL_MakeCurrent(window, context);
  Window = window;
  Context = context;
}

void GLTestContext::BeginFrame(float CameraX, float CameraY) {
  glFrontFace(GL_CCW);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glViewport(0, 0, Width, Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-1, 1, -1, 1, 1, 10000);
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glClearColor(0, 0, 0.05f, 0);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  glTranslatef(-CameraX, -CameraY, -500);
}

void GLTestContext::Finish() { glFinish(); }

std::vector<uint8_t> GLTestContext::ReadRGB() {
  glFinish();
  std::vector<uint8_t> bottomUp(size_t(Width) * Height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  std::vector<uint8_t> topDown(bottomUp.size());
  const size_t row = size_t(Width) * 3;
  for (int y = 0; y < Height; ++y)
    std::copy_n(&bottomUp[size_t(Height - 1 - y) * row], row, &topDown[size_t(y) * row]);
  return topDown;
}

std::array<uint8_t, 3> GLTestContext::Pixel(int X, int Y) {
  glFinish();
  std::array<uint8_t, 3> rgb{};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(X, Height - 1 - Y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

int GLTestContext::CountLit(int X0, int Y0, int X1, int Y1, int Threshold) {
  const std::vector<uint8_t> rgb = ReadRGB();
  const int background[3] = {0, 0, 13};
  int lit = 0;
  for (int y = std::max(Y0, 0); y <= std::min(Y1, Height - 1); ++y)
    for (int x = std::max(X0, 0); x <= std::min(X1, Width - 1); ++x) {
      const uint8_t* p = &rgb[(size_t(y) * Width + x) * 3];
      for (int c = 0; c < 3; ++c)
        if (std::abs(int(p[c]) - background[c]) > Threshold) {
          ++lit;
          break;
        }
    }
  return lit;
}

bool GLTestContext::SavePNG(const std::string& Path) {
  const std::vector<uint8_t> rgb = ReadRGB();
  FILE* file = std::fopen(Path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, Width, Height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < Height; ++y)
    png_write_row(png, const_cast<png_bytep>(&rgb[size_t(y) * Width * 3]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return true;
}

void GLTestContext::WorldToPixel(float WX, float WY, float CameraX, float CameraY, int& PX,
                                 int& PY) {
  // The 90-degree frustum shows camera +-500 at Z = 0, stretched over 1024 x 768.
  const float nx = (WX - CameraX) / 500.0f;
  const float ny = (WY - CameraY) / 500.0f;
  PX = int(std::floor((nx + 1) * 0.5f * Width));
  PY = int(std::floor((1 - (ny + 1) * 0.5f) * Height));
}
