#pragma once
#include <cstdint>

#include "assets/VexLib3DTypes.h"
#include "creatures/blob.h"
#include "shell/WindowMessages.h"

class TGLPrinter;

// Stand-in for the game world until the world is built: it keeps only what the shell needs
// (the printer, a snake position for the camera, the camera itself) and draws nothing.
class TGloopa {
public:
  explicit TGloopa(TGLPrinter* Printer);
  ~TGloopa();
  TGloopa(const TGloopa&) = delete;
  TGloopa& operator=(const TGloopa&) = delete;

  TBlob SnakeStandIn;
  TBlob* Snake = &SnakeStandIn;
  TGLPrinter* Printer = nullptr;
  TXYZ Camera;

  void Frame();
  void HandleMessage(THandle Handle, uint32_t Message, TWParam WParam, TLParam LParam);
};
