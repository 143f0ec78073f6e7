#include "shell/Screenshot.h"

#include <GL/gl.h>
#include <SDL.h>
#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/WholeFile.h"

namespace {

// Creates Path and its missing parents.
bool MakeFolders(const std::string& Path, std::string& Error) {
  for (size_t at = 1; at <= Path.size(); ++at) {
    if (at < Path.size() && Path[at] != '/') continue;
    const std::string part = Path.substr(0, at);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
      Error = "cannot create the folder " + part + ": " + std::strerror(errno);
      return false;
    }
  }
  struct stat info {};
  if (stat(Path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    Error = "cannot create the folder " + Path + ": not a folder";
    return false;
  }
  return true;
}

bool Exists(const std::string& Path) {
  struct stat info {};
  return stat(Path.c_str(), &info) == 0;
}

void AppendBytes(png_structp Png, png_bytep Data, png_size_t Length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(Png));
  out->append(reinterpret_cast<const char*>(Data), Length);
}

// libpng reports errors by jumping back here; nothing set after the jump point is read after it.
bool EncodePNG(std::string& Out, const uint8_t* RGB, int32_t Width, int32_t Height) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &Out, AppendBytes, nullptr);
  png_set_IHDR(png, info, png_uint_32(Width), png_uint_32(Height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < Height; ++y) png_write_row(png, RGB + size_t(y) * size_t(Width) * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

} // namespace

std::vector<uint8_t> ReadBackBuffer(int32_t& Width, int32_t& Height) {
  Width = Height = 0;
  GLint viewport[4] = {};
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  if (window) {
    SDL_GL_GetDrawableSize(window, &Width, &Height);
  } else {
    glGetIntegerv(GL_VIEWPORT, viewport);
    Width = viewport[2];
    Height = viewport[3];
  }
  std::vector<uint8_t> rgb(size_t(Width) * size_t(Height) * 3);
  if (rgb.empty()) return rgb;
  std::vector<uint8_t> rows(rgb.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  // GL rows run bottom up; pictures run top down.
  const size_t stride = size_t(Width) * 3;
  for (int32_t y = 0; y < Height; ++y)
    std::memcpy(&rgb[size_t(y) * stride], &rows[size_t(Height - 1 - y) * stride], stride);
  return rgb;
}

bool WritePNG(const std::string& Path, const std::vector<uint8_t>& RGB, int32_t Width,
              int32_t Height, std::string& Error) {
  if (Width <= 0 || Height <= 0 || RGB.size() != size_t(Width) * size_t(Height) * 3) {
    Error = "cannot write the screenshot " + Path + ": no picture";
    return false;
  }
  std::string png;
  if (!EncodePNG(png, RGB.data(), Width, Height)) {
    Error = "cannot write the screenshot " + Path + ": PNG encoding failed";
    return false;
  }
  // Replaced whole or not at all, so a failed write never leaves half a picture.
  std::string reason;
  if (!WriteWholeFile(Path, png, reason)) {
    Error = "cannot write the screenshot " + Path + ": " + reason;
    return false;
  }
  return true;
}

bool SaveScreenshot(const std::string& Path, std::string& Error) {
  int32_t width = 0, height = 0;
  const std::vector<uint8_t> rgb = ReadBackBuffer(width, height);
  return WritePNG(Path, rgb, width, height, Error);
}

std::string ScreenshotFolder() {
  const char* pictures = std::getenv("XDG_PICTURES_DIR");
  if (pictures && pictures[0] == '/') return std::string(pictures) + "/Gloopa";
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0') return std::string(home) + "/Pictures/Gloopa";
  return "";
}

std::string ScreenshotName(std::time_t When) {
  std::tm local{};
  localtime_r(&When, &local);
  char name[64];
  std::strftime(name, sizeof(name), "Gloopa-%Y%m%d-%H%M%S.png", &local);
  return name;
}

bool SaveScreenshotToFolder(std::string& Path, std::string& Error) {
  const std::string folder = ScreenshotFolder();
  if (folder.empty()) {
    Error = "cannot write a screenshot: neither XDG_PICTURES_DIR nor HOME is set";
    return false;
  }
  if (!MakeFolders(folder, Error)) return false;
  const std::string name = ScreenshotName(std::time(nullptr));
  const std::string stem = folder + "/" + name.substr(0, name.size() - 4);
  Path = stem + ".png";
  for (int n = 2; Exists(Path) && n < 1000; ++n) Path = stem + "-" + std::to_string(n) + ".png";
  return SaveScreenshot(Path, Error);
}
