// Fingers on a touch screen as the mouse the world sees: one steers with the right button, a
// second fires with the left, a short tap alone fires one volley.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/TouchMouse.h"

namespace {

// One thing a finger does at a time (ms); Tick lets time pass. Expect: the mouse after it, as
// "X Y L R".
struct TTouchStep {
  char What; // 'd' down, 'm' move, 'u' up, 't' tick
  int64_t Finger;
  int32_t X, Y;
  uint64_t At;
  std::string Expect;
};

std::string MouseText(const TDemoFrame& M) {
  return std::to_string(M.X) + " " + std::to_string(M.Y) + " " + (M.Left ? "1" : "0") + " " +
         (M.Right ? "1" : "0");
}

} // namespace

TEST(TouchMouse, FingersHoldTheButtonsAsAMouseWould) {
  const struct {
    const char* Name;
    std::vector<TTouchStep> Steps;
  } cases[] = {
      {"one finger steers",
       {{'d', 1, 100, 200, 1000, "100 200 0 1"},
        {'m', 1, 150, 220, 1100, "150 220 0 1"},
        {'u', 1, 0, 0, 1600, "150 220 0 0"},
        {'t', 0, 0, 0, 2000, "150 220 0 0"}}},
      {"a second finger fires where the first is",
       {{'d', 1, 100, 200, 1000, "100 200 0 1"},
        {'d', 2, 900, 700, 1050, "100 200 1 1"},
        {'m', 2, 800, 600, 1060, "100 200 1 1"},
        {'d', 3, 500, 500, 1070, "100 200 1 1"},
        {'u', 2, 0, 0, 1200, "100 200 0 1"},
        {'u', 1, 0, 0, 1300, "100 200 0 0"}}},
      {"a short tap fires one volley at its point",
       {{'d', 7, 300, 400, 1000, "300 400 0 1"},
        {'u', 7, 0, 0, 1100, "300 400 1 0"},
        {'t', 0, 0, 0, 1139, "300 400 1 0"},
        {'t', 0, 0, 0, 1140, "300 400 0 0"}}},
      {"a long touch fires nothing",
       {{'d', 7, 300, 400, 1000, "300 400 0 1"}, {'u', 7, 0, 0, 1251, "300 400 0 0"}}},
      {"a tap that had a second finger fires no more",
       {{'d', 1, 300, 400, 1000, "300 400 0 1"},
        {'d', 2, 10, 10, 1010, "300 400 1 1"},
        {'u', 2, 0, 0, 1020, "300 400 0 1"},
        {'u', 1, 0, 0, 1030, "300 400 0 0"}}},
  };
  for (const auto& c : cases) {
    TTouchMouse touch;
    for (const TTouchStep& s : c.Steps) {
      if (s.What == 'd') touch.Down(s.Finger, s.X, s.Y, s.At);
      if (s.What == 'm') touch.Move(s.Finger, s.X, s.Y);
      if (s.What == 'u') touch.Up(s.Finger, s.At);
      if (s.What == 't') touch.Tick(s.At);
      EXPECT_EQ(MouseText(touch.Mouse()), s.Expect) << c.Name << ", at " << s.At;
    }
  }
}
