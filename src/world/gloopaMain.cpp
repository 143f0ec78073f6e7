#include "world/gloopaMain.h"

TGloopa::TGloopa(TGLPrinter* Printer) : Printer(Printer) {}

TGloopa::~TGloopa() = default;

void TGloopa::Frame() {}

void TGloopa::HandleMessage(THandle, uint32_t, TWParam, TLParam) {}
