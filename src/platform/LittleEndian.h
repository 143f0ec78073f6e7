#pragma once
#include <cstdint>

// Little-endian fields of file formats (bitmaps, RIFF WAVE images), read byte by byte so that
// neither the host's byte order nor the field's alignment matters.

inline uint16_t ReadLE16(const uint8_t* P) {
  return uint16_t(P[0] | P[1] << 8);
}

inline uint32_t ReadLE32(const uint8_t* P) {
  return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24;
}
