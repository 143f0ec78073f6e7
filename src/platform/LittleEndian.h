#pragma once
#include <cstdint>

#include <vector>

// Little-endian fields of file formats (bitmaps, RIFF WAVE images, icons), read and written byte
// by byte so that neither the host's byte order nor the field's alignment matters.

inline uint16_t ReadLE16(const uint8_t* P) {
  return uint16_t(P[0] | P[1] << 8);
}

inline uint32_t ReadLE32(const uint8_t* P) {
  return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24;
}

inline void AppendLE16(std::vector<uint8_t>& Out, uint32_t Value) {
  Out.push_back(uint8_t(Value));
  Out.push_back(uint8_t(Value >> 8));
}

inline void AppendLE32(std::vector<uint8_t>& Out, uint32_t Value) {
  AppendLE16(Out, Value & 0xFFFF);
  AppendLE16(Out, Value >> 16);
}
