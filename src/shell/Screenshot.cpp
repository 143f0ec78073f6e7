#include "shell/Screenshot.h"

#include "gl/GL.h"
#include <SDL.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/WholeFile.h"

namespace fs = std::filesystem;

namespace {

// Creates Path and its missing parents.
bool MakeFolders(const std::string& Path, std::string& Error) {
  std::error_code error;
  fs::create_directories(Path, error);
  if (error) {
    Error = "cannot create the folder " + Path + ": " + error.message();
    return false;
  }
  if (!fs::is_directory(Path, error)) {
    Error = "cannot create the folder " + Path + ": not a folder";
    return false;
  }
  return true;
}

bool Exists(const std::string& Path) {
  std::error_code error;
  return fs::exists(Path, error);
}

void PutBigEndian(std::string& Out, uint32_t Value) {
  for (int shift = 24; shift >= 0; shift -= 8) Out += char((Value >> shift) & 0xFF);
}

// A chunk: length, type, data, and the CRC of type and data.
void PutChunk(std::string& Out, const char* Type, const std::string& Data) {
  PutBigEndian(Out, uint32_t(Data.size()));
  const size_t start = Out.size();
  Out.append(Type, 4);
  Out += Data;
  const auto* bytes = reinterpret_cast<const Bytef*>(Out.data() + start);
  PutBigEndian(Out, uint32_t(crc32(0, bytes, uInt(Out.size() - start))));
}

// An 8-bit RGB PNG: every row unfiltered, the whole picture deflated by zlib in one go.
bool EncodePNG(std::string& Out, const uint8_t* RGB, int32_t Width, int32_t Height) {
  Out.assign("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  PutBigEndian(header, uint32_t(Width));
  PutBigEndian(header, uint32_t(Height));
  header +=
      std::string("\x08\x02\x00\x00\x00", 5); // depth 8, RGB, deflate, no filter, no interlace
  PutChunk(Out, "IHDR", header);
  const size_t stride = size_t(Width) * 3;
  std::string rows;
  rows.reserve((stride + 1) * size_t(Height));
  for (int32_t y = 0; y < Height; ++y) {
    rows += '\0'; // filter type: none
    rows.append(reinterpret_cast<const char*>(RGB) + size_t(y) * stride, stride);
  }
  uLongf packedSize = compressBound(uLong(rows.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                reinterpret_cast<const Bytef*>(rows.data()), uLong(rows.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    return false;
  packed.resize(packedSize);
  PutChunk(Out, "IDAT", packed);
  PutChunk(Out, "IEND", "");
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
#ifdef _WIN32
  const char* profile = std::getenv("USERPROFILE");
  if (profile && profile[0] != '\0') return std::string(profile) + "/Pictures/Gloopa";
#endif
  return "";
}

std::string ScreenshotName(std::time_t When) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &When);
#else
  localtime_r(&When, &local);
#endif
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
