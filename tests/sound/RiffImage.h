#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Builds RIFF images byte by byte for the reader tests, including broken ones.
struct TRiffImage {
  std::vector<uint8_t> Bytes;

  TRiffImage& Raw(const std::string& Text) {
    Bytes.insert(Bytes.end(), Text.begin(), Text.end());
    return *this;
  }
  TRiffImage& U16(uint32_t V) {
    Bytes.push_back(uint8_t(V));
    Bytes.push_back(uint8_t(V >> 8));
    return *this;
  }
  TRiffImage& U32(uint32_t V) { return U16(V & 0xFFFF).U16(V >> 16); }
  TRiffImage& Fill(size_t Count, uint8_t Value) {
    Bytes.insert(Bytes.end(), Count, Value);
    return *this;
  }
  // "RIFF", a size that callers may leave wrong on purpose, then the form type.
  TRiffImage& Header(const std::string& Form = "WAVE", uint32_t Size = 0) {
    return Raw("RIFF").U32(Size).Raw(Form);
  }
  TRiffImage& Fmt(uint16_t Channels, uint32_t Rate, uint16_t Bits) {
    const uint16_t block = uint16_t(Channels * Bits / 8);
    return Raw("fmt ")
        .U32(16)
        .U16(1)
        .U16(Channels)
        .U32(Rate)
        .U32(Rate * block)
        .U16(block)
        .U16(Bits);
  }
  // A data chunk of Count bytes counting up from First.
  TRiffImage& Data(uint32_t Count, uint8_t First = 0) {
    Raw("data").U32(Count);
    for (uint32_t i = 0; i < Count; ++i) Bytes.push_back(uint8_t(First + i));
    return *this;
  }
};
