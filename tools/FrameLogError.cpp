// How far the camera of each frame a run showed lies from the game's own motion at the time the
// frame was shown: frame_log_error STEPS FRAMES [FROM], where STEPS is the frame log of a run that
// drew every step at its own time (--timedemo DEMO --frame-log STEPS) and FRAMES that of any run of
// the same demo (--play DEMO --refresh 60 --frame-log FRAMES, say); with FROM, only the frames from
// that step on (past a start-up that could not keep the game's time, say).
//
// The steps' cameras make a path, step by step, blended in between; a frame shown at time T
// should show the path at T in steps, allowing one constant delay (a frame shows the step before
// the last blended toward the last). The delay that fits best is found, from 0 to 2 steps, and
// the root-mean-square distance at that delay printed as a fraction of the mean movement of a
// step, over the frames shown while the camera moves (but for those about a leap of the camera,
// which a frame shows whole); also how many of those frames repeat the one before (the same
// step at the same fraction). Prints "frames N moving M rms R delay D repeated K"; status 1 when a
// log cannot be read.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TLine {
  long long Time = 0, Step = 0;
  double Fraction = 0, X = 0, Y = 0;
};

bool ReadLog(const char* Path, std::vector<TLine>& Lines) {
  std::ifstream in(Path);
  if (!in) return false;
  std::string text;
  while (std::getline(in, text)) {
    if (text.empty() || text[0] == '#') continue;
    std::istringstream fields(text);
    TLine line;
    if (!(fields >> line.Time >> line.Step >> line.Fraction >> line.X >> line.Y)) return false;
    Lines.push_back(line);
  }
  return !Lines.empty();
}

constexpr double StepTime = 1e7; // nanoseconds

} // namespace

int main(int argc, char** argv) {
  std::vector<TLine> steps, frames;
  if (argc < 3 || argc > 4 || !ReadLog(argv[1], steps) || !ReadLog(argv[2], frames)) {
    std::fprintf(stderr,
                 "usage: frame_log_error STEPS_LOG FRAMES_LOG [FROM_STEP] (readable frame logs)\n");
    return 1;
  }
  if (argc == 4) {
    const long long from = std::atoll(argv[3]);
    std::vector<TLine> later;
    for (const TLine& f : frames)
      if (f.Step >= from) later.push_back(f);
    frames.swap(later);
    if (frames.empty()) {
      std::fprintf(stderr, "no frame from step %lld on\n", from);
      return 1;
    }
  }
  std::map<long long, TLine> path;
  for (const TLine& s : steps) path[s.Step] = s;
  auto at = [&](double Step, double& X, double& Y) {
    // The path between whole steps; past either end, the end.
    const long long s = (long long)std::floor(Step);
    auto a = path.upper_bound(s);
    if (a == path.begin())
      a = path.begin();
    else
      --a;
    auto b = std::next(a);
    const double f = b == path.end() ? 0 : std::fmin(1, std::fmax(0, Step - double(a->first)));
    X = a->second.X + (b == path.end() ? 0 : (b->second.X - a->second.X) * f);
    Y = a->second.Y + (b == path.end() ? 0 : (b->second.Y - a->second.Y) * f);
  };
  double movement = 0;
  long long moves = 0;
  for (auto it = std::next(path.begin()); it != path.end(); ++it) {
    const double d =
        std::hypot(it->second.X - std::prev(it)->second.X, it->second.Y - std::prev(it)->second.Y);
    if (d > 0) movement += d, ++moves;
  }
  if (moves == 0) {
    std::fprintf(stderr, "the steps' camera never moves\n");
    return 1;
  }
  movement /= double(moves);
  // A camera that leaps (the title after a game puts it back in the middle) is shown there at
  // once, not on its way: frames about a leap are left out.
  std::map<long long, bool> leaps;
  for (auto it = std::next(path.begin()); it != path.end(); ++it)
    if (std::hypot(it->second.X - std::prev(it)->second.X, it->second.Y - std::prev(it)->second.Y) >
        8 * movement)
      leaps[it->first] = true;
  auto nearLeap = [&](long long Step) {
    for (long long s = Step - 2; s <= Step + 2; ++s)
      if (leaps.count(s)) return true;
    return false;
  };
  // Each frame's time in steps, on the clock of the first frame, and whether the camera moves
  // about then.
  std::vector<double> when(frames.size());
  std::vector<bool> moving(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    when[i] = double(frames[0].Step) + double(frames[i].Time - frames[0].Time) / StepTime;
    double x0, y0, x1, y1;
    at(double(frames[i].Step) - 1, x0, y0);
    at(double(frames[i].Step) + 1, x1, y1);
    moving[i] = (x0 != x1 || y0 != y1) && !nearLeap(frames[i].Step);
  }
  double best = -1, bestDelay = 0;
  long long counted = 0;
  for (int k = -200; k <= 200; ++k) {
    const double delay = k / 100.0;
    double squares = 0;
    long long n = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
      if (!moving[i]) continue;
      double x, y;
      at(when[i] - delay, x, y);
      squares += (x - frames[i].X) * (x - frames[i].X) + (y - frames[i].Y) * (y - frames[i].Y);
      ++n;
    }
    const double rms = n > 0 ? std::sqrt(squares / double(n)) : 0;
    if (best < 0 || rms < best) best = rms, bestDelay = delay, counted = n;
  }
  long long repeated = 0;
  for (size_t i = 1; i < frames.size(); ++i)
    if (moving[i] && frames[i].Step == frames[i - 1].Step &&
        frames[i].Fraction == frames[i - 1].Fraction)
      ++repeated;
  std::printf("frames %zu moving %lld rms %.4f delay %.2f repeated %lld\n", frames.size(), counted,
              best / movement, bestDelay, repeated);
  return 0;
}
