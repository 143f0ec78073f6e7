// libFuzzer target: any bytes as a demo file. The reader must either refuse the text with a
// message naming the line, or give lines and checks that are in range and that read back
// unchanged from the text the demo writes of itself. The kept demos, with their checks, are seeds.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "shell/Demo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(Data), Size));
  TDemo demo;
  std::string error;
  if (!TDemo::Parse(in, "fuzz.demo", demo, error)) {
    if (error.rfind("fuzz.demo:", 0) != 0 || !demo.Lines.empty()) std::abort();
    return 0;
  }
  int64_t total = 0;
  for (const TDemoLine& line : demo.Lines) {
    if (line.State.X < DemoMinCoordinate || line.State.X > DemoMaxCoordinate) std::abort();
    if (line.State.Y < DemoMinCoordinate || line.State.Y > DemoMaxCoordinate) std::abort();
    if (line.Count < 1 || line.Count > INT64_MAX - total) std::abort();
    total += line.Count;
  }
  if (demo.FrameCount() != total) std::abort();
  // Each check follows the steps before it, in order, one a step.
  int64_t last = 0;
  for (const TDemoCheck& check : demo.Checks) {
    if (demo.Version < 2 || check.Step <= last || check.Step > total || check.Particles < 0)
      std::abort();
    last = check.Step;
  }
  std::istringstream again(demo.Text());
  TDemo copy;
  if (!TDemo::Parse(again, "copy.demo", copy, error) || copy.Lines.size() != demo.Lines.size() ||
      copy.Checks.size() != demo.Checks.size())
    std::abort();
  for (size_t i = 0; i < demo.Checks.size(); ++i) {
    const TDemoCheck &a = demo.Checks[i], &b = copy.Checks[i];
    if (a.Step != b.Step || a.Hash != b.Hash || a.Seed != b.Seed || a.Score != b.Score ||
        a.Energy != b.Energy || a.Particles != b.Particles)
      std::abort();
  }
  for (size_t i = 0; i < demo.Lines.size(); ++i)
    if (!(copy.Lines[i].State == demo.Lines[i].State) || copy.Lines[i].Count != demo.Lines[i].Count)
      std::abort();
  // Playing the first frames back gives the lines' states in order.
  TDemoPlayer player(demo);
  TDemoFrame frame;
  for (int i = 0; i < 64 && player.Next(frame); ++i)
    if (!(frame == demo.FrameAt(i + 1))) std::abort();
  return 0;
}
