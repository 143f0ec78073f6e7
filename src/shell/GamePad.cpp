#include "shell/GamePad.h"

#include <SDL.h>

#include <cmath>

#include "world/gloopaMain.h"

namespace {

float AxisValue(Sint16 Value) {
  return Value < 0 ? float(Value) / 32768.0f : float(Value) / 32767.0f;
}

} // namespace

void TGamePad::PointAround(const TXYZ& SnakePosition, float DX, float DY, int32_t& X, int32_t& Y) {
  // The world's reading of the mouse (TGloopa::HandleMessage), the other way round.
  constexpr float width = GameViewWidth, height = GameViewHeight;
  const float snakeX = width / 2 + SnakePosition.X * width / float(TGloopa::MouseSpanX);
  const float snakeY = height / 2 - SnakePosition.Y * height / float(TGloopa::MouseSpanY);
  X = ClampToWord(std::llround(snakeX + DX * Radius));
  Y = ClampToWord(std::llround(snakeY + DY * Radius));
}

void TGamePad::OpenAny() {
  if (Controller) return;
  const int count = SDL_NumJoysticks();
  for (int i = 0; i < count; ++i) {
    if (!SDL_IsGameController(i)) continue;
    SDL_GameController* pad = SDL_GameControllerOpen(i);
    if (!pad) continue;
    Controller = pad;
    Instance = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
    StickX = StickY = 0;
    A = Shoulder = Trigger = false;
    return;
  }
}

void TGamePad::Close() {
  if (Controller) SDL_GameControllerClose(static_cast<SDL_GameController*>(Controller));
  Controller = nullptr;
  Instance = -1;
  StickX = StickY = 0;
  A = Shoulder = Trigger = false;
  ShootSent = MoveSent = false;
}

void TGamePad::Release(const TSend& Send) {
  A = Shoulder = Trigger = false;
  SendButtons(Send);
}

void TGamePad::SendButtons(const TSend& Send) {
  const bool shoot = A || Shoulder;
  if (shoot != ShootSent) {
    ShootSent = shoot;
    Send(shoot ? WM_LBUTTONDOWN : WM_LBUTTONUP,
         (shoot ? MK_LBUTTON : 0) | (MoveSent ? MK_RBUTTON : 0), Pointer);
  }
  if (Trigger != MoveSent) {
    MoveSent = Trigger;
    Send(Trigger ? WM_RBUTTONDOWN : WM_RBUTTONUP,
         (ShootSent ? MK_LBUTTON : 0) | (Trigger ? MK_RBUTTON : 0), Pointer);
  }
}

bool TGamePad::HandleEvent(const SDL_Event& Event, const TSend& Send) {
  switch (Event.type) {
  case SDL_CONTROLLERDEVICEADDED:
    OpenAny();
    return true;
  case SDL_CONTROLLERDEVICEREMOVED:
    if (Controller && Event.cdevice.which == Instance) {
      // The mouse takes over: nothing the pad held stays held.
      Release(Send);
      Close();
      OpenAny();
    }
    return true;
  case SDL_CONTROLLERAXISMOTION: {
    if (!Controller || Event.caxis.which != Instance) return true;
    const float value = AxisValue(Event.caxis.value);
    switch (Event.caxis.axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
      StickX = value;
      break;
    case SDL_CONTROLLER_AXIS_LEFTY:
      StickY = value;
      break;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
      if (!Trigger && value >= PressAt) Trigger = true;
      if (Trigger && value < ReleaseAt) Trigger = false;
      SendButtons(Send);
      break;
    default:
      break;
    }
    return true;
  }
  case SDL_CONTROLLERBUTTONDOWN:
  case SDL_CONTROLLERBUTTONUP: {
    if (!Controller || Event.cbutton.which != Instance) return true;
    const bool down = Event.type == SDL_CONTROLLERBUTTONDOWN;
    if (Event.cbutton.button == SDL_CONTROLLER_BUTTON_A) A = down;
    if (Event.cbutton.button == SDL_CONTROLLER_BUTTON_RIGHTSHOULDER) Shoulder = down;
    SendButtons(Send);
    return true;
  }
  default:
    return false;
  }
}

void TGamePad::Tick(const TXYZ& SnakePosition, const TSend& Send) {
  if (!Controller) return;
  const float length = std::sqrt(StickX * StickX + StickY * StickY);
  if (length < DeadZone) return;
  // A stick's corners reach past 1; the pointer stays on the circle around the snake.
  const float scale = length > 1 ? 1 / length : 1;
  int32_t x = 0, y = 0;
  PointAround(SnakePosition, StickX * scale, StickY * scale, x, y);
  Pointer = MakeMouseLParam(x, y);
  Send(WM_MOUSEMOVE, (ShootSent ? MK_LBUTTON : 0) | (MoveSent ? MK_RBUTTON : 0), Pointer);
}
