#include "shell/Input.h"

#include "shell/GLWindow.h"
#include "shell/GamePad.h"
#include "shell/ViewScale.h"

namespace {

// Windows virtual-key codes for the keys a player may press. Anything else is sent with a code
// above 255, which the window procedure swallows.
TWParam VirtualKey(const SDL_Keysym& Key) {
  const SDL_Keycode k = Key.sym;
  if (k >= SDLK_a && k <= SDLK_z) return TWParam('A' + (k - SDLK_a));
  if (k >= SDLK_0 && k <= SDLK_9) return TWParam('0' + (k - SDLK_0));
  if (k >= SDLK_F1 && k <= SDLK_F12) return TWParam(0x70 + (k - SDLK_F1));
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return TWParam(0x61 + (k - SDLK_KP_1));
  switch (k) {
  case SDLK_ESCAPE:
    return VK_ESCAPE;
  case SDLK_BACKSPACE:
    return 0x08;
  case SDLK_TAB:
    return 0x09;
  case SDLK_RETURN:
    return 0x0D;
  case SDLK_LSHIFT:
  case SDLK_RSHIFT:
    return 0x10;
  case SDLK_LCTRL:
  case SDLK_RCTRL:
    return 0x11;
  case SDLK_LALT:
  case SDLK_RALT:
    return 0x12;
  case SDLK_PAUSE:
    return 0x13;
  case SDLK_CAPSLOCK:
    return 0x14;
  case SDLK_SPACE:
    return 0x20;
  case SDLK_PAGEUP:
    return 0x21;
  case SDLK_PAGEDOWN:
    return 0x22;
  case SDLK_END:
    return 0x23;
  case SDLK_HOME:
    return 0x24;
  case SDLK_LEFT:
    return 0x25;
  case SDLK_UP:
    return 0x26;
  case SDLK_RIGHT:
    return 0x27;
  case SDLK_DOWN:
    return 0x28;
  case SDLK_INSERT:
    return 0x2D;
  case SDLK_DELETE:
    return 0x2E;
  case SDLK_KP_0:
    return 0x60;
  default:
    return TWParam(0x10000 + Key.scancode);
  }
}

TWParam MouseKeys() {
  const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
  TWParam keys = 0;
  if (buttons & SDL_BUTTON(SDL_BUTTON_LEFT)) keys |= MK_LBUTTON;
  if (buttons & SDL_BUTTON(SDL_BUTTON_RIGHT)) keys |= MK_RBUTTON;
  return keys;
}

// A mouse position in the window, brought back to the 1024 x 768 coordinates the world reads.
TLParam GameMouseLParam(THandle Handle, int32_t X, int32_t Y) {
  int width = 0, height = 0;
  SDL_GetWindowSize(static_cast<SDL_Window*>(Handle), &width, &height);
  int32_t x = X, y = Y;
  WindowToGame(X, Y, width, height, x, y);
  return MakeMouseLParam(x, y);
}

// Sends the messages that take the world from the mouse state sent last to the fingers' own.
void SendTouchMouse(TTouchInput& Touch, THandle Handle) {
  const TDemoFrame& now = Touch.Fingers.Mouse();
  if (Touch.Used && now == Touch.Sent) return;
  TDemoMessage messages[3];
  const int32_t count = DemoMessages(Touch.Used ? &Touch.Sent : nullptr, now, messages);
  for (int32_t i = 0; i < count; ++i)
    GameWindowProc(Handle, messages[i].Message, messages[i].WParam, messages[i].LParam);
  Touch.Sent = now;
  Touch.Used = true;
}

void FingerEvent(const SDL_TouchFingerEvent& Finger, THandle Handle, TTouchInput& Touch) {
  int width = 0, height = 0;
  SDL_GetWindowSize(static_cast<SDL_Window*>(Handle), &width, &height);
  const TLParam at =
      GameMouseLParam(Handle, int32_t(Finger.x * float(width)), int32_t(Finger.y * float(height)));
  const uint64_t now = SDL_GetTicks64();
  const int64_t id = int64_t(Finger.fingerId);
  if (Finger.type == SDL_FINGERDOWN)
    Touch.Fingers.Down(id, MouseLParamX(at), MouseLParamY(at), now);
  else if (Finger.type == SDL_FINGERMOTION)
    Touch.Fingers.Move(id, MouseLParamX(at), MouseLParamY(at));
  else
    Touch.Fingers.Up(id, now);
  SendTouchMouse(Touch, Handle);
}

} // namespace

void TickTouch(TTouchInput& Touch, THandle Handle) {
  if (!Touch.Used) return;
  Touch.Fingers.Tick(SDL_GetTicks64());
  SendTouchMouse(Touch, Handle);
}

void TranslateInput(const SDL_Event& Event, THandle Handle, bool ReplayMouse, TGamePad& Pad,
                    TTouchInput& Touch) {
  switch (Event.type) {
  case SDL_FINGERDOWN:
  case SDL_FINGERMOTION:
  case SDL_FINGERUP:
    if (!ReplayMouse) FingerEvent(Event.tfinger, Handle, Touch);
    break;
  case SDL_MOUSEMOTION:
    if (ReplayMouse) break;
    GameWindowProc(Handle, WM_MOUSEMOVE, MouseKeys(),
                   GameMouseLParam(Handle, Event.motion.x, Event.motion.y));
    break;
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP: {
    if (ReplayMouse) break;
    const bool down = Event.type == SDL_MOUSEBUTTONDOWN;
    uint32_t message = 0;
    if (Event.button.button == SDL_BUTTON_LEFT) message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    if (Event.button.button == SDL_BUTTON_RIGHT) message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    if (message != 0)
      GameWindowProc(Handle, message, MouseKeys(),
                     GameMouseLParam(Handle, Event.button.x, Event.button.y));
    break;
  }
  case SDL_KEYDOWN:
    GameWindowProc(Handle, WM_KEYDOWN, VirtualKey(Event.key.keysym), 0);
    break;
  case SDL_KEYUP:
    GameWindowProc(Handle, WM_KEYUP, VirtualKey(Event.key.keysym), 0);
    break;
  default:
    if (!ReplayMouse)
      Pad.HandleEvent(Event, [Handle](uint32_t Message, TWParam WParam, TLParam LParam) {
        GameWindowProc(Handle, Message, WParam, LParam);
      });
    break;
  }
}

bool RealMouse(THandle Handle, int32_t& X, int32_t& Y, bool& Left, bool& Right) {
  if (SDL_GetMouseFocus() != static_cast<SDL_Window*>(Handle)) return false;
  int x = 0, y = 0;
  const Uint32 buttons = SDL_GetMouseState(&x, &y);
  const TLParam at = GameMouseLParam(Handle, x, y);
  X = MouseLParamX(at);
  Y = MouseLParamY(at);
  Left = (buttons & SDL_BUTTON(SDL_BUTTON_LEFT)) != 0;
  Right = (buttons & SDL_BUTTON(SDL_BUTTON_RIGHT)) != 0;
  return true;
}
