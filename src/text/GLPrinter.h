#pragma once
#include <cstdint>
#include <string>

#include "assets/VexLib3DTypes.h"

// Draws text into the scene as line glyphs in a 10 x 20 cell, advancing 12.5 x Scale.X.
class TGLPrinter {
public:
  TGLPrinter();
  ~TGLPrinter();

  // (X, Y) is the centre of the first character's cell at Z = 0; Colour holds R, G, B.
  void Print(int32_t LineWidth, const TXYZ& Colour, float X, float Y, const TXYZ& Scale,
             const std::string& Text);
  void DrawGlyph(uint8_t Ch);
};
