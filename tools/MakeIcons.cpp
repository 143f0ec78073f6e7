// Draws the game's application icons from its own art: the glow bitmap the particles and spheres
// use, tinted and laid along a curve as a snake of segments, with the fade ring round its head,
// on the game's deep blue in a rounded square. Writes gloopa-<size>.png (RGBA) for each size, and
// gloopa.ico for the Windows program: the 16, 32, 48 and 256 px images as PNG-compressed entries,
// the very bytes of the PNG files.
//
//   make_icons <data folder> <output folder>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/LittleEndian.h"

namespace {

// A 24-bit grey bitmap of the game's data, as intensities 0..1, top row first.
struct TGrey {
  int Width = 0, Height = 0;
  std::vector<float> Value;
  float At(float U, float V) const { // bilinear, U and V in [0, 1]
    const float x = std::clamp(U * float(Width) - 0.5f, 0.0f, float(Width - 1));
    const float y = std::clamp(V * float(Height) - 0.5f, 0.0f, float(Height - 1));
    const int x0 = int(x), y0 = int(y);
    const int x1 = std::min(x0 + 1, Width - 1), y1 = std::min(y0 + 1, Height - 1);
    const float fx = x - float(x0), fy = y - float(y0);
    auto v = [&](int X, int Y) { return Value[size_t(Y) * size_t(Width) + size_t(X)]; };
    return (v(x0, y0) * (1 - fx) + v(x1, y0) * fx) * (1 - fy) +
           (v(x0, y1) * (1 - fx) + v(x1, y1) * fx) * fy;
  }
};

bool ReadBitmap(const std::string& Path, TGrey& Out) {
  std::ifstream in(Path, std::ios::binary);
  const std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), {});
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || b[28] != 24) return false;
  const uint32_t offset = ReadLE32(&b[10]), width = ReadLE32(&b[18]), height = ReadLE32(&b[22]);
  const size_t stride = (size_t(width) * 3 + 3) / 4 * 4;
  if (width == 0 || height == 0 || width > 4096 || height > 4096 ||
      b.size() < offset + stride * height)
    return false;
  Out.Width = int(width);
  Out.Height = int(height);
  Out.Value.resize(size_t(width) * height);
  for (uint32_t y = 0; y < height; ++y) // bitmaps run bottom up
    for (uint32_t x = 0; x < width; ++x)
      Out.Value[size_t(height - 1 - y) * width + x] =
          float(b[offset + size_t(y) * stride + size_t(x) * 3 + 1]) / 255.0f;
  return true;
}

struct TSprite {
  const TGrey* Art;
  float X, Y, Radius; // in icon units: the icon spans 0..1
  float R, G, B;
};

// The icon as PNG file bytes (RGBA), or nothing when libpng fails.
std::vector<uint8_t> EncodePNG(int Size, const std::vector<uint8_t>& RGBA) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(Size);
  image.height = png_uint_32(Size);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t bytes = 0;
  if (!png_image_write_to_memory(&image, nullptr, &bytes, 0, RGBA.data(), 0, nullptr)) return {};
  std::vector<uint8_t> png(bytes);
  if (!png_image_write_to_memory(&image, png.data(), &bytes, 0, RGBA.data(), 0, nullptr)) return {};
  png.resize(bytes);
  return png;
}

bool WriteFile(const std::string& Path, const std::vector<uint8_t>& Bytes) {
  std::FILE* file = std::fopen(Path.c_str(), "wb");
  if (!file) return false;
  const bool ok = std::fwrite(Bytes.data(), 1, Bytes.size(), file) == Bytes.size();
  return std::fclose(file) == 0 && ok;
}

struct TIconImage {
  int Size;
  const std::vector<uint8_t>* PNG;
};

// An .ico file: the 6-byte header, one 16-byte entry per image, then the images. A size of 256
// is written as 0 in the entry's byte-wide width and height.
std::vector<uint8_t> IconFile(const std::vector<TIconImage>& Images) {
  std::vector<uint8_t> ico;
  AppendLE16(ico, 0); // reserved
  AppendLE16(ico, 1); // an icon, not a cursor
  AppendLE16(ico, unsigned(Images.size()));
  uint32_t offset = uint32_t(6 + 16 * Images.size());
  for (const TIconImage& image : Images) {
    ico.push_back(uint8_t(image.Size & 0xFF));
    ico.push_back(uint8_t(image.Size & 0xFF));
    ico.push_back(0); // no palette
    ico.push_back(0); // reserved
    AppendLE16(ico, 1);  // colour planes
    AppendLE16(ico, 32); // bits per pixel
    AppendLE32(ico, uint32_t(image.PNG->size()));
    AppendLE32(ico, offset);
    offset += uint32_t(image.PNG->size());
  }
  for (const TIconImage& image : Images)
    ico.insert(ico.end(), image.PNG->begin(), image.PNG->end());
  return ico;
}

std::vector<uint8_t> DrawIcon(int Size, const std::vector<TSprite>& Sprites) {
  constexpr int Samples = 4; // per axis, for smooth edges at small sizes
  std::vector<uint8_t> rgba(size_t(Size) * size_t(Size) * 4);
  const float corner = 0.18f;
  for (int py = 0; py < Size; ++py)
    for (int px = 0; px < Size; ++px) {
      float r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < Samples; ++sy)
        for (int sx = 0; sx < Samples; ++sx) {
          const float x = (float(px) + (float(sx) + 0.5f) / Samples) / float(Size);
          const float y = (float(py) + (float(sy) + 0.5f) / Samples) / float(Size);
          // A rounded square; outside it the icon is transparent.
          const float dx = std::max(std::abs(x - 0.5f) - (0.5f - corner), 0.0f);
          const float dy = std::max(std::abs(y - 0.5f) - (0.5f - corner), 0.0f);
          if (dx * dx + dy * dy > corner * corner) continue;
          // The game's clear colour, lifted a little so the square reads on dark panels.
          float cr = 0.0f, cg = 0.02f, cb = 0.12f + 0.08f * (1 - y);
          for (const TSprite& s : Sprites) {
            const float u = (x - s.X) / (2 * s.Radius) + 0.5f;
            const float v = (y - s.Y) / (2 * s.Radius) + 0.5f;
            if (u < 0 || u > 1 || v < 0 || v > 1) continue;
            const float glow = s.Art->At(u, v);
            cr += glow * s.R; // added, as the game blends its glows
            cg += glow * s.G;
            cb += glow * s.B;
          }
          r += std::min(cr, 1.0f);
          g += std::min(cg, 1.0f);
          b += std::min(cb, 1.0f);
          a += 1;
        }
      const float n = float(Samples * Samples);
      uint8_t* out = &rgba[(size_t(py) * size_t(Size) + size_t(px)) * 4];
      // Colour is averaged over the covered samples only; coverage goes to alpha.
      const float covered = std::max(a, 1.0f);
      out[0] = uint8_t(std::lround(255 * r / covered));
      out[1] = uint8_t(std::lround(255 * g / covered));
      out[2] = uint8_t(std::lround(255 * b / covered));
      out[3] = uint8_t(std::lround(255 * a / n));
    }
  return rgba;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_icons <data folder> <output folder>\n");
    return 2;
  }
  const std::string data = std::string(argv[1]) + "/", out = std::string(argv[2]) + "/";
  TGrey glow, ring;
  if (!ReadBitmap(data + "SphereGlow64.bmp", glow) || !ReadBitmap(data + "RingFade64.bmp", ring)) {
    std::fprintf(stderr, "make_icons: cannot read the bitmaps in %s\n", argv[1]);
    return 1;
  }
  // The snake: segments along an S from the tail (lower left) to the head (upper right), shrinking
  // toward the tail and shading from the game's cyan into green.
  std::vector<TSprite> sprites;
  constexpr int Segments = 9;
  for (int i = Segments - 1; i >= 0; --i) {
    const float t = float(i) / float(Segments - 1); // 0 at the head
    const float x = 0.70f - 0.48f * t;
    const float y = 0.34f + 0.40f * t + 0.10f * std::sin(t * 6.2832f);
    const float radius = 0.34f - 0.16f * t;
    sprites.push_back({&glow, x, y, radius, 0.1f + 0.3f * t, 0.7f + 0.2f * t, 0.7f - 0.4f * t});
  }
  // The head's bright core and the fade ring around it.
  sprites.push_back({&glow, 0.70f, 0.34f, 0.22f, 0.6f, 0.6f, 0.6f});
  sprites.push_back({&ring, 0.70f, 0.34f, 0.24f, 0.1f, 0.7f, 0.7f});
  std::vector<std::vector<uint8_t>> pngs;
  const std::vector<int> sizes = {16, 24, 32, 48, 64, 128, 256};
  for (const int size : sizes) {
    const std::string path = out + "gloopa-" + std::to_string(size) + ".png";
    pngs.push_back(EncodePNG(size, DrawIcon(size, sprites)));
    if (pngs.back().empty() || !WriteFile(path, pngs.back())) {
      std::fprintf(stderr, "make_icons: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  std::vector<TIconImage> icoImages;
  for (size_t i = 0; i < sizes.size(); ++i)
    if (sizes[i] == 16 || sizes[i] == 32 || sizes[i] == 48 || sizes[i] == 256)
      icoImages.push_back({sizes[i], &pngs[i]});
  if (!WriteFile(out + "gloopa.ico", IconFile(icoImages))) {
    std::fprintf(stderr, "make_icons: cannot write %sgloopa.ico\n", out.c_str());
    return 1;
  }
  return 0;
}
