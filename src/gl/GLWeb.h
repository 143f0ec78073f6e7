#pragma once
// The web build's drawing table (GLWeb.cpp): the browser's GL, with what its emulation of the
// fixed-function pipeline cannot draw made up for (wide lines, clamped textures, 32-bit indices,
// ...). Linked into the web build only.
#include "gl/GLTable.h"

// The widest line and largest point it draws, in pixels.
constexpr float WebWidestLine = 64;

const TGLTable& GLWebTable();
