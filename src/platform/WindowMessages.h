#pragma once
#include <cstdint>

// Window messages as the game's window procedure and world see them. The shell translates the
// platform's events into these, keeping the Win32 values, so the world reads the mouse exactly
// as a Win32 window procedure would.

// On Windows the system headers (pulled in by <GL/gl.h> and the C++ library) define these same
// names, with the same values, as macros; the game's own constants replace them.
#ifdef _WIN32
#undef WM_CREATE
#undef WM_SIZE
#undef WM_CLOSE
#undef WM_QUIT
#undef WM_KEYDOWN
#undef WM_KEYUP
#undef WM_SYSCOMMAND
#undef WM_TIMER
#undef WM_MOUSEMOVE
#undef WM_LBUTTONDOWN
#undef WM_LBUTTONUP
#undef WM_RBUTTONDOWN
#undef WM_RBUTTONUP
#undef WM_USER
#undef WM_MODESWITCH
#undef SIZE_RESTORED
#undef SIZE_MINIMIZED
#undef SIZE_MAXIMIZED
#undef SC_SCREENSAVE
#undef SC_MONITORPOWER
#undef MK_LBUTTON
#undef MK_RBUTTON
#undef VK_ESCAPE
#endif

using THandle = void*;
using TWParam = uintptr_t;
using TLParam = intptr_t;

constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_USER = 0x0400;
// The private mode-switch message: reopens the window in the other display mode.
constexpr uint32_t WM_MODESWITCH = WM_USER + 1;

constexpr TWParam SIZE_RESTORED = 0;
constexpr TWParam SIZE_MINIMIZED = 1;
constexpr TWParam SIZE_MAXIMIZED = 2;
constexpr TWParam SC_SCREENSAVE = 0xF140;
constexpr TWParam SC_MONITORPOWER = 0xF170;
constexpr TWParam MK_LBUTTON = 0x0001;
constexpr TWParam MK_RBUTTON = 0x0002;
constexpr TWParam VK_ESCAPE = 27;

// The game's window, whose pixels the mouse messages count in, whatever size it is shown at.
constexpr int32_t GameViewWidth = 1024;
constexpr int32_t GameViewHeight = 768;

// A number kept within a message word's signed range.
constexpr int32_t ClampToWord(int64_t V) {
  return V < INT16_MIN ? INT16_MIN : V > INT16_MAX ? INT16_MAX : int32_t(V);
}

// x in the low word, y in the high word, as WM_MOUSEMOVE and the button messages carry them.
constexpr TLParam MakeMouseLParam(int X, int Y) {
  return TLParam((uint32_t(uint16_t(Y)) << 16) | uint16_t(X));
}
// The position's words read back as signed: while a button is held the window goes on reporting
// the mouse beyond its left and top edges, as small negative numbers.
constexpr int32_t MouseLParamX(TLParam LParam) {
  return int16_t(uint16_t(uint32_t(LParam) & 0xFFFF));
}
constexpr int32_t MouseLParamY(TLParam LParam) {
  return int16_t(uint16_t((uint32_t(LParam) >> 16) & 0xFFFF));
}
