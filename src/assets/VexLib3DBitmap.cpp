#include "assets/VexLib3D.h"

#include "gl/GL.h"
#include <sys/stat.h>

#include "assets/VexLib3DFiles.h"
#include "platform/LittleEndian.h"
#include "platform/Platform.h"

// Bitmaps: decoding the 24-bit files the models name, and making their GL textures.

namespace {

bool PowerOfTwo(int32_t V) {
  return V > 0 && (V & (V - 1)) == 0;
}

uint32_t StoredColour(const uint8_t* P) {
  return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16;
}

} // namespace

std::unique_ptr<uint8_t[]> TMS3DObj::DecodeBitmap(const uint8_t* Data, size_t Size, bool Masked,
                                                  int32_t& Width, int32_t& Height) {
  if (Size < 14) throw Fail("The file is shorter than a bitmap header");
  if (Data[0] != 'B' || Data[1] != 'M') throw Fail("Invalid Bitmap");
  if (Size < 54) throw Fail("The file is shorter than a bitmap header");
  Width = int32_t(ReadLE32(Data + 18));
  Height = int32_t(ReadLE32(Data + 22));
  const int32_t w = Width;
  const int32_t h = Height;
  if (w <= 0 || h <= 0)
    throw Fail("Bitmap size " + std::to_string(w) + " x " + std::to_string(h) +
               " is not supported");
  const int64_t pixels = int64_t(w) * int64_t(h);
  if (pixels > MaxTexturePixels)
    throw Fail("Bitmap of " + std::to_string(w) + " x " + std::to_string(h) +
               " pixels is too large");
  // Stored rows carry no filler only when they are a multiple of 4 bytes; OpenGL 1.1 needs sides
  // that are powers of two.
  if (w % 4 != 0) throw Fail("Bitmap rows are not a multiple of 4 bytes");
  if (!PowerOfTwo(w) || !PowerOfTwo(h)) throw Fail("Bitmap sides are not powers of two");
  // Checked before anything is allocated, so a picture never costs more than its file holds.
  if (Size - 54 < size_t(pixels) * 3)
    throw Fail("The bitmap holds fewer pixels than its size needs");

  const size_t channels = Masked ? 4 : 3;
  // Left uninitialised, as every byte is written below (the web build's C++ library has no
  // make_unique_for_overwrite).
  std::unique_ptr<uint8_t[]> picture(new uint8_t[size_t(pixels) * channels]);
  // The key colour is the first stored pixel, the picture's bottom-left, compared as one number.
  const uint32_t key = StoredColour(Data + 54);
  // Stored bottom row first, B G R: each stored row goes to its flipped place as R G B, with the
  // alpha after it when masked.
  const size_t rowBytes = size_t(w) * 3;
  for (int32_t row = 0; row < h; ++row) {
    const uint8_t* src = Data + 54 + size_t(row) * rowBytes;
    const uint8_t* const end = src + rowBytes;
    uint8_t* dst = picture.get() + size_t(h - 1 - row) * size_t(w) * channels;
    for (; src != end; src += 3, dst += channels) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
      if (Masked) dst[3] = StoredColour(src) == key ? 0 : 255;
    }
  }
  return picture;
}

std::unique_ptr<uint8_t[]> TMS3DObj::LoadBitmapFile(const std::string& Name, bool Masked,
                                                    int32_t& Width, int32_t& Height) {
  const std::string path = GamePath(Name);
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    ShowErrorBox("Cannot find the file: " + Name);
  try {
    // Nothing past the largest picture's pixels is ever needed.
    bool truncated = false;
    const std::vector<uint8_t> bytes =
        ReadFileBytes(path, 54 + size_t(MaxTexturePixels) * 3, truncated);
    return DecodeBitmap(bytes.data(), bytes.size(), Masked, Width, Height);
  } catch (const std::exception& e) {
    ShowProblem(Name, e.what());
    throw ETerminate("Problem reading file " + Name);
  }
}

void TMS3DObj::UploadTexture(TMaterial& M) {
  std::unique_ptr<uint8_t[]> pixels =
      LoadBitmapFile(M.TextureFile, M.Masked, M.TextureWidth, M.TextureHeight);
  M.TextureData = pixels.get();
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (maxSize > 0 && (M.TextureWidth > maxSize || M.TextureHeight > maxSize)) {
    M.TextureData = nullptr;
    ShowProblem(M.TextureFile, "The bitmap is larger than this OpenGL can hold (" +
                                   std::to_string(maxSize) + " pixels a side)");
    throw ETerminate("Problem reading file " + M.TextureFile);
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  if (name == 0) {
    // Without a current context the texture would silently never exist.
    M.TextureData = nullptr;
    ShowProblem(M.TextureFile, "No OpenGL texture could be made for the bitmap");
    throw ETerminate("Problem reading file " + M.TextureFile);
  }
  M.TextureName = name;
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  const GLenum format = M.Masked ? GL_RGBA : GL_RGB;
  glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), M.TextureWidth, M.TextureHeight, 0, format,
               GL_UNSIGNED_BYTE, M.TextureData);
  M.TextureData = nullptr;
  pixels.reset();
}
